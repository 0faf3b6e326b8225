// The "WindowsEventlog" job: its element and leaf texts per level, a log without events, and a
// read failure in the middle of a log. Events come from the stand-in wevtapi.dll, or, where it
// refuses to load, from hand-made records served to the classic API.

#include "collector/collectors/eventlogs/EventlogInfo.h"
#include "collector/collectors/eventlogs/tests/ClassicLogStandIn.h"
#include "collector/collectors/eventlogs/tests/EventlogTestSupport.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Logging.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/WrittenResult.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

using Element = Written;

// A job's one element, collected into a fresh result file.
class EventlogOutputTest : public ResultFolderTest {
protected:
    Element Collected(const std::wstring& logName) {
        EventlogInfo job(logName);
        return Collected(job);
    }
    Element Collected(EventlogInfo& job) {
        ResultFileWriter writer(nullptr);
        writer.SetDirectory(data);
        writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
        job.writer = &writer;
        job.Collect();
        EXPECT_EQ(2, writer.GetDepth()) << "the job left elements open";
        writer.CloseDocument();
        WellFormedBytes(L"Job.xml");
        const std::vector<Element> elements = ReadResultSet(DataFile(L"Job.xml"));
        DeleteFileW(DataFile(L"Job.xml").c_str());
        EXPECT_EQ(1u, elements.size()) << "one element per job";
        return elements.empty() ? Element() : elements[0];
    }

    LogCapture& log = LogCapture::Start();
};

class EventlogJobTest : public EventlogOutputTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
        ASSERT_TRUE(standIn.Loaded()) << "the stand-in wevtapi.dll is not loaded: WINEDLLOVERRIDES=wevtapi=n";
    }

    WevtapiStandIn standIn;
};

TEST_F(EventlogJobTest, ElementsAndLeavesPerLevel) {
    const std::uint64_t start = TakeRunStart();
    const std::uint64_t hour = 3600ull * 10000000ull;
    std::wstring account, domain;
    PSID system = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-18", &system));
    ASSERT_TRUE(System::LookupAccountBySid(system, account, domain));
    LocalFree(system);
    struct Case {
        int level;
        const char* name;
        const char* type;
    } cases[] = {{0, "Success", "lvlsuccess"}, {1, "Critical error", "lvlerror"}, {2, "Error", "lvlerror"},
                 {3, "Warning", "lvlwarning"}, {4, "Information", "lvlinfo"},    {5, "unknown", "unknown"}};
    std::string script = "log\tApplication\n";
    for (const auto& c : cases)
        script += "event\tid=" + std::to_string(100 + c.level) + "\tlevel=" + std::to_string(c.level) +
                  "\ttime=" + Decimal(start - (c.level + 1) * hour) + "\tsource=Source " + std::to_string(c.level) +
                  "\tsid=S-1-5-18\tmessage=Message <" + std::to_string(c.level) + "> & more\n";
    StandInScript standInScript(script);

    const Element element = Collected(L"Application");
    EXPECT_EQ("true", element.showNumOfChildren);
    EXPECT_EQ("winevtlog", element.type);
    EXPECT_EQ("Windows eventlog 'Application'", element.value);
    ASSERT_EQ(std::size(cases), element.children.size());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const Element& event = element.children[i];
        FILETIME time;
        const std::uint64_t count = start - (c.level + 1) * hour;
        time.dwLowDateTime = static_cast<DWORD>(count);
        time.dwHighDateTime = static_cast<DWORD>(count >> 32);
        EXPECT_EQ(std::string("[") + c.name + "] " + Narrow(DateTime(time, DateTime::Utc).ToUtcString()) + ": Source " +
                      std::to_string(c.level) + " (Message ID: " + std::to_string(100 + c.level) + ")",
                  event.value);
        EXPECT_EQ("false", event.showNumOfChildren);
        EXPECT_EQ(c.type, event.type) << "level " << c.level;
        ASSERT_EQ(2u, event.children.size());
        EXPECT_EQ("Message: Message <" + std::to_string(c.level) + "> & more", event.children[0].value);
        EXPECT_EQ("message", event.children[0].type);
        EXPECT_EQ("false", event.children[0].showNumOfChildren);
        EXPECT_EQ("User: " + Narrow(domain + L"\\" + account), event.children[1].value);
        EXPECT_EQ("user", event.children[1].type);
        EXPECT_TRUE(event.children[0].children.empty() && event.children[1].children.empty());
    }
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(EventlogJobTest, LogWithoutEventsInTheWindowOrWithoutLog) {
    StandInScript script("log\tApplication\nevent\ttime=now-2678400000\tmessage=m\n");  // 31 days old
    const Element old = Collected(L"Application");
    EXPECT_EQ("Windows eventlog 'Application'", old.value);
    EXPECT_TRUE(old.children.empty());
    EXPECT_EQ(std::vector<LogCapture::Entry>{}, log.entries);

    const Element missing = Collected(L"NoSuchLog");
    EXPECT_EQ("Windows eventlog 'NoSuchLog'", missing.value);
    EXPECT_TRUE(missing.children.empty());
    ASSERT_EQ(1u, log.entries.size());
    EXPECT_EQ(Logging::Error, log.entries[0].level);
}

TEST_F(EventlogJobTest, EventWithoutUserOrMessage) {
    StandInScript script("nometadata\tBare\nlog\tSystem\nevent\tid=3\tlevel=4\tsource=Bare\ttime=now-1000\n");
    const Element element = Collected(L"System");
    ASSERT_EQ(1u, element.children.size());
    ASSERT_EQ(2u, element.children[0].children.size());
    EXPECT_EQ("Message: -no message found-", element.children[0].children[0].value);
    EXPECT_EQ("User: -unknown-", element.children[0].children[1].value);
}

TEST_F(EventlogJobTest, ReadFailureInTheMiddleKeepsWhatWasRead) {
    struct Case {
        const char* name;
        std::string script;
        size_t events;
        std::wstring failure;
    } cases[] = {
        {"EvtNext fails", "log\tApplication\nevent\tcount=4\ttime=now-1000\tmessage=m\nfailat\t3\t1726\n", 3,
         L"EvtNext: " + System::GetErrorText(1726)},
        {"a time too big", "log\tApplication\nevent\tcount=2\ttime=now-1000\tmessage=m\n"
                           "event\ttime=18446744073709551615\tmessage=m\n", 2,
         L"Cannot create DateTime: filetime is too big."},
        {"the first read fails", "log\tApplication\nevent\tmessage=m\nfailat\t0\t1726\n", 0,
         L"EvtNext: " + System::GetErrorText(1726)},
        {"the service stops answering", "log\tApplication\nevent\tcount=4\ttime=now-1000\tmessage=m\nblockat\t2\n", 2,
         L"EvtNext timed out, no event within 200 milliseconds: " + System::GetErrorText(ERROR_TIMEOUT)},
    };
    for (const auto& c : cases) {
        log.entries.clear();
        StandInScript script(c.script);
        const ReleaseIfStuck unbounded(standIn, 60000);
        EventlogInfo job(L"Application", ClassicEventLogFunctions::System(), 200);
        const Element element = Collected(job);
        ASSERT_EQ(c.events + 1, element.children.size()) << c.name;
        for (size_t i = 0; i < c.events; ++i)
            EXPECT_EQ("Message: m", element.children[i].children.at(0).value) << c.name;
        const std::wstring text = L"Error reading the eventlog 'Application': " + c.failure;
        // The XML library folds runs of blanks when it reads a text back.
        std::string folded = Narrow(text);
        for (size_t at = folded.find("  "); at != std::string::npos; at = folded.find("  "))
            folded.erase(at, 1);
        EXPECT_EQ(folded, element.children.back().value) << c.name;
        EXPECT_EQ("lvlerror", element.children.back().type) << c.name;
        const std::vector<LogCapture::Entry> expected = {{Logging::Error, text}};
        EXPECT_EQ(expected, log.entries) << c.name;
    }
    EXPECT_EQ(0, standIn.OpenHandles());
}

TEST_F(EventlogOutputTest, ClassicApiThroughTheReaderAndTheJob) {
    // wevtapi.dll refuses to load, as on Windows 2000 and XP: the reader takes the classic API,
    // whose calls serve hand-made records, newest first, of a log of this process whose source
    // registers the message-table fixture.
    ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
    ASSERT_EQ(nullptr, GetModuleHandleW(L"wevtapi.dll"));
    struct Absent {
        Absent() { SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_ABSENT", L"1"); }
        ~Absent() { SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_ABSENT", nullptr); }
    } absent;
    struct RegisteredSource {
        std::wstring logKey, sourceKey;
        RegisteredSource(const std::wstring& logName, const std::wstring& source, const std::wstring& messageFile)
            : logKey(L"System\\CurrentControlSet\\Services\\EventLog\\" + logName), sourceKey(logKey + L"\\" + source) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, sourceKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                nullptr, &key, nullptr) != ERROR_SUCCESS)
                return;
            UniqueRegKey owner(key);
            RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(messageFile.c_str()),
                           static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t)));
        }
        ~RegisteredSource() {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, sourceKey.c_str(), KEY_WOW64_32KEY, 0);
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, logKey.c_str(), KEY_WOW64_32KEY, 0);
        }
    };
    const std::wstring logName = L"GathrixClassic" + std::to_wstring(GetCurrentProcessId());
    RegisteredSource registered(logName, L"Classic", SystemFixtureDir() + L"\\EventMessages.dll");

    const std::uint64_t unixEpoch = 116444736000000000ull;
    const DWORD start = static_cast<DWORD>((TakeRunStart() - unixEpoch) / 10000000ull);
    std::wstring account, domain;
    std::string system = SidBytes(L"S-1-5-18");
    ASSERT_TRUE(System::LookupAccountBySid(system.data(), account, domain));
    // The classic event types, numbered unlike the newer interface's levels (2 is a warning
    // there, an error here).
    struct Case {
        WORD type;
        const char* name;
        const char* word;
    } cases[] = {{1, "Critical error", "lvlerror"}, {2, "Warning", "lvlwarning"},      {4, "Information", "lvlinfo"},
                 {8, "Audit success", "lvlsuccess"}, {16, "Audit error", "lvlerror"}, {0, "Success", "lvlsuccess"}};
    std::vector<std::vector<BYTE>> records;
    for (size_t i = 0; i < std::size(cases); ++i) {
        RecordSpec spec;
        spec.eventId = 1000;
        spec.eventType = cases[i].type;
        spec.timeGenerated = start - static_cast<DWORD>(i + 1) * 3600;
        spec.source = L"Classic";
        spec.strings = {L"T" + std::to_wstring(cases[i].type), L"the reader"};
        if (i == 0)
            spec.sid = system;
        records.push_back(MakeRecord(spec));
    }
    RecordSpec old;  // 31 days before the run: it ends the log, the one after it is never read
    old.timeGenerated = start - 31 * 24 * 3600;
    records.push_back(MakeRecord(old));
    records.push_back(MakeRecord(RecordSpec()));
    ClassicLog::Reset(records);

    EventlogInfo job(logName, ClassicLog::Functions());
    const Element element = Collected(job);
    EXPECT_TRUE(ClassicLog::opened);
    EXPECT_TRUE(ClassicLog::closed);
    EXPECT_EQ("Windows eventlog '" + Narrow(logName) + "'", element.value);
    EXPECT_EQ("winevtlog", element.type);
    ASSERT_EQ(std::size(cases), element.children.size());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const Element& event = element.children[i];
        FILETIME time;
        const std::uint64_t count = (std::uint64_t(start) - (i + 1) * 3600) * 10000000ull + unixEpoch;
        time.dwLowDateTime = static_cast<DWORD>(count);
        time.dwHighDateTime = static_cast<DWORD>(count >> 32);
        EXPECT_EQ(std::string("[") + c.name + "] " + Narrow(DateTime(time, DateTime::Utc).ToUtcString()) +
                      ": Classic (Message ID: 1000)",
                  event.value);
        EXPECT_EQ(c.word, event.type) << "type " << c.type;
        ASSERT_EQ(2u, event.children.size());
        EXPECT_EQ("Message: Service T" + std::to_string(c.type) + " started with the reader and %3.", event.children[0].value);
        EXPECT_EQ(i == 0 ? "User: " + Narrow(domain + L"\\" + account) : "User: -unknown-", event.children[1].value);
    }
    for (const auto& entry : log.entries)
        EXPECT_LT(entry.level, Logging::Warning) << Narrow(entry.message);
}

} // namespace
