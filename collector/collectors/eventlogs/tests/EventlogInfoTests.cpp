// The "WindowsEventlog" job: its element and leaf texts per level, a log without events, and a
// read failure in the middle of a log. Events come from the stand-in wevtapi.dll.

#include "collector/collectors/eventlogs/EventlogInfo.h"
#include "collector/collectors/eventlogs/tests/EventlogTestSupport.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Logging.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <tinyxml.h>

#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

struct Element {
    std::string showNumOfChildren, type, value;
    std::vector<Element> children;
};

Element Read(const TiXmlElement* node) {
    Element element;
    element.showNumOfChildren = node->Attribute("showNumOfChildren") ? node->Attribute("showNumOfChildren") : "?";
    element.type = node->Attribute("type") ? node->Attribute("type") : "?";
    const TiXmlElement* value = node->FirstChildElement("Value");
    element.value = value && value->GetText() ? value->GetText() : "";
    for (const TiXmlElement* child = node->FirstChildElement("TreeElement"); child;
         child = child->NextSiblingElement("TreeElement"))
        element.children.push_back(Read(child));
    return element;
}

class EventlogJobTest : public ResultFolderTest {
protected:
    void SetUp() override { ASSERT_TRUE(standIn.Loaded()) << "the stand-in wevtapi.dll is not loaded: WINEDLLOVERRIDES=wevtapi=n"; }

    // The job's one element, collected into a fresh result file.
    Element Collected(const std::wstring& logName) {
        EventlogInfo job(logName);
        ResultFileWriter writer(nullptr);
        writer.SetDirectory(data);
        writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
        job.writer = &writer;
        job.Collect();
        EXPECT_EQ(2, writer.GetDepth()) << "the job left elements open";
        writer.CloseDocument();
        WellFormedBytes(L"Job.xml");
        TiXmlDocument document;
        FILE* file = _wfopen(DataFile(L"Job.xml").c_str(), L"rb");
        EXPECT_NE(nullptr, file);
        if (!file)
            return Element();
        document.LoadFile(file);
        fclose(file);
        DeleteFileW(DataFile(L"Job.xml").c_str());
        const TiXmlElement* resultSet = document.RootElement()->FirstChildElement("ResultSet");
        const TiXmlElement* element = resultSet ? resultSet->FirstChildElement("TreeElement") : nullptr;
        EXPECT_NE(nullptr, element);
        EXPECT_TRUE(element == nullptr || element->NextSiblingElement() == nullptr) << "one element per job";
        return element ? Read(element) : Element();
    }

    WevtapiStandIn standIn;
    LogCapture& log = LogCapture::Start();
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
    };
    for (const auto& c : cases) {
        log.entries.clear();
        StandInScript script(c.script);
        const Element element = Collected(L"Application");
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

} // namespace
