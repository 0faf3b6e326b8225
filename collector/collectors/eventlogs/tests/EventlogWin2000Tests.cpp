// The classic event-log API: block reading over hand-made EVENTLOGRECORD bytes served by a
// stand-in ReadEventLogW (Wine's reads no event), the values of a record, and the message
// formatted from message-table libraries registered for the record's source.

#include "collector/collectors/eventlogs/EventlogApiWin2000.h"
#include "collector/collectors/eventlogs/tests/ClassicLogStandIn.h"
#include "collector/collectors/eventlogs/tests/EventlogTestSupport.h"
#include "common/Exceptions.h"
#include "common/Logging.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

std::unique_ptr<WevtlogApi::Event> Next(WevtlogApi& api) { return std::unique_ptr<WevtlogApi::Event>(api.GetNextEvent()); }

TEST(ClassicApi, EmptyLogOpensAndEndsAtOnce) {
    ClassicLog::Reset({});
    {
        WevtlogApiWin2000 api(ClassicLog::Functions());
        EXPECT_EQ(L"call OpenProtocol() first", ThrownMessage([&] { Next(api); }));
        api.OpenProtocol(L"Application");
        EXPECT_FALSE(Next(api));
        EXPECT_FALSE(Next(api));
    }
    EXPECT_TRUE(ClassicLog::closed);
}

TEST(ClassicApi, RecordsOfOneBlockAreHandedOutOneByOne) {
    RecordSpec a, b, c;
    a.eventId = 1;
    b.eventId = 2;
    c.eventId = 3;
    ClassicLog::Reset({MakeRecord(a), MakeRecord(b), MakeRecord(c)});
    WevtlogApiWin2000 api(ClassicLog::Functions());
    api.OpenProtocol(L"Application");
    for (const wchar_t* id : {L"1", L"2", L"3"}) {
        auto event = Next(api);
        ASSERT_TRUE(event);
        EXPECT_EQ(id, event->GetEventId());
        EXPECT_EQ(1, ClassicLog::reads) << "the next block is read only when this one is used up";
    }
    EXPECT_FALSE(Next(api));
    EXPECT_EQ(2, ClassicLog::reads);
}

TEST(ClassicApi, RecordLargerThanTheBufferGrowsIt) {
    RecordSpec small, large;
    small.strings = {L"small"};
    large.strings = {std::wstring(1500, L'x'), L"end"};
    ClassicLog::Reset({MakeRecord(small), MakeRecord(large)});
    WevtlogApiWin2000 api(ClassicLog::Functions());
    EXPECT_EQ(WevtlogApiWin2000::FirstBufferSize, api.GetBufferSize());
    api.OpenProtocol(L"Application");
    ASSERT_TRUE(Next(api));
    auto event = Next(api);
    ASSERT_TRUE(event);
    EXPECT_EQ(MakeRecord(large).size(), api.GetBufferSize());
    auto* classic = dynamic_cast<WevtlogApiWin2000::EventWin2000*>(event.get());
    ASSERT_NE(nullptr, classic);
    const auto texts = classic->GetInsertionStrings();
    EXPECT_EQ(std::wstring(1500, L'x'), texts[0]);
    EXPECT_EQ(L"end", texts[1]);
    EXPECT_FALSE(Next(api));
}

TEST(ClassicApi, ReadFailuresAreThrown) {
    struct Case {
        const char* name;
        int failAtRead;
        DWORD error;
    } cases[] = {{"while opening", 0, ERROR_EVENTLOG_FILE_CHANGED}, {"in the middle", 1, ERROR_EVENTLOG_FILE_CHANGED},
                 {"any other error", 1, ERROR_ACCESS_DENIED}};
    for (const auto& c : cases) {
        RecordSpec spec;
        spec.strings = {std::wstring(600, L'y')};  // two records fill more than one block
        ClassicLog::Reset({MakeRecord(spec), MakeRecord(spec), MakeRecord(spec), MakeRecord(spec)});
        ClassicLog::failAtRead = c.failAtRead;
        ClassicLog::failError = c.error;
        WevtlogApiWin2000 api(ClassicLog::Functions());
        const std::wstring expected = L"ReadEventLog: " + System::GetErrorText(c.error);
        std::wstring thrown = ThrownMessage([&] {
            api.OpenProtocol(L"Application");
            while (Next(api)) {
            }
        });
        EXPECT_EQ(expected, thrown) << c.name;
    }
}

TEST(ClassicApi, CorruptRecordIsRefusedNotLoopedOver) {
    std::vector<BYTE> zeroLength(64, 0);
    std::vector<BYTE> tooLong = MakeRecord(RecordSpec());
    DWORD claimed = 5000;
    std::memcpy(tooLong.data(), &claimed, 4);
    for (auto& bad : {zeroLength, tooLong}) {
        ClassicLog::Reset({bad});
        WevtlogApiWin2000 api(ClassicLog::Functions());
        api.OpenProtocol(L"Application");
        EXPECT_EQ(L"ReadEventLog: " + System::GetErrorText(ERROR_EVENTLOG_FILE_CORRUPT), ThrownMessage([&] { Next(api); }));
    }
}

TEST(ClassicRecord, ValuesOfTheRecord) {
    RecordSpec spec;
    spec.eventId = 0xC0001001;
    spec.eventType = 2;
    spec.source = L"Some Source";
    spec.timeGenerated = 0xFFFFFFF0u;  // 2106: after 2038, read unsigned
    WevtlogApiWin2000::EventWin2000 event(MakeRecord(spec), L"Application");
    EXPECT_EQ(L"4097", event.GetEventId()) << "the low 16 bits";
    EXPECT_EQ(L"Some Source", event.GetSource());
    EXPECT_EQ(2, event.GetLevel());
    EXPECT_EQ(L"2", event.GetLevelText());
    EXPECT_EQ(L"Warning", event.GetLevelName());
    EXPECT_EQ(EventLevelNames::Interface::Win2000, event.GetInterface());
    EXPECT_EQ(0xFFFFFFF0ull * 10000000ull + 116444736000000000ull, event.GetTimeCreated().GetCount());
    EXPECT_EQ(L"2/7/2106 6:28:00", event.GetTimeCreated().ToUtcString());
    EXPECT_EQ(L"-unknown-", event.GetUser()) << "no SID";
}

TEST(ClassicRecord, LevelNamesAndTypeWordsOfTheClassicInterface) {
    struct Case {
        WORD type;
        const wchar_t* name;
        const wchar_t* word;
    } cases[] = {{0, L"Success", L"lvlsuccess"},   {1, L"Critical error", L"lvlerror"},   {2, L"Warning", L"lvlwarning"},
                 {3, L"Error", L"lvlwarning"},     {4, L"Information", L"lvlinfo"},       {8, L"Audit success", L"lvlsuccess"},
                 {16, L"Audit error", L"lvlerror"}, {5, L"unknown", L"unknown"},          {0x104, L"unknown", L"lvlinfo"}};
    for (const auto& c : cases) {
        RecordSpec spec;
        spec.eventType = c.type;
        WevtlogApiWin2000::EventWin2000 event(MakeRecord(spec), L"Application");
        EXPECT_EQ(c.name, event.GetLevelName()) << c.type;
        EXPECT_EQ(c.word, EventLevelNames::TypeWord(event.GetInterface(), event.GetLevel())) << c.type;
    }
}

TEST(ClassicRecord, UserOfTheRecord) {
    std::wstring account, domain;
    std::string system = SidBytes(L"S-1-5-18");
    ASSERT_TRUE(System::LookupAccountBySid(system.data(), account, domain));
    struct Case {
        const char* name;
        std::string sid;
        std::wstring expected;
    } cases[] = {{"local system", system, domain + L"\\" + account},
                 {"unknown SID", SidBytes(L"S-1-5-21-1111-2222-3333-4444"), L"-unknown-"},
                 {"SID cut short", system.substr(0, 6), L"-unknown-"}};
    for (const auto& c : cases) {
        RecordSpec spec;
        spec.sid = c.sid;
        WevtlogApiWin2000::EventWin2000 event(MakeRecord(spec), L"Application");
        EXPECT_EQ(c.expected, event.GetUser()) << c.name;
    }
    // A SID offset beyond the record is not followed.
    RecordSpec spec;
    spec.sid = system;
    std::vector<BYTE> bytes = MakeRecord(spec);
    DWORD offset = 0x7FFFFFF0;
    std::memcpy(bytes.data() + offsetof(EVENTLOGRECORD, UserSidOffset), &offset, 4);
    EXPECT_EQ(L"-unknown-", WevtlogApiWin2000::EventWin2000(bytes, L"Application").GetUser());
}

// A log key of this process's own with one source whose EventMessageFile names the fixtures.
class MessageFileTest : public ::testing::Test {
protected:
    MessageFileTest() : logName(L"GathrixTest" + std::to_wstring(GetCurrentProcessId())) {}
    ~MessageFileTest() override {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (LogKey() + L"\\" + source).c_str(), KEY_WOW64_32KEY, 0);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, LogKey().c_str(), KEY_WOW64_32KEY, 0);
    }

    std::wstring LogKey() const { return L"System\\CurrentControlSet\\Services\\EventLog\\" + logName; }

    void Register(const std::wstring& messageFiles) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (LogKey() + L"\\" + source).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr));
        UniqueRegKey owner(key);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                                                reinterpret_cast<const BYTE*>(messageFiles.c_str()),
                                                static_cast<DWORD>((messageFiles.size() + 1) * 2)));
    }

    std::wstring Message(DWORD id, std::vector<std::wstring> strings) {
        RecordSpec spec;
        spec.eventId = id;
        spec.source = source;
        spec.strings = std::move(strings);
        return WevtlogApiWin2000::EventWin2000(MakeRecord(spec), logName).GetMessage();
    }

    static std::wstring Fixture(const wchar_t* name) { return SystemFixtureDir() + L"\\" + name; }

    std::wstring logName;
    std::wstring source = L"GathrixTestSource";
    LogCapture& log = LogCapture::Start();
};

TEST_F(MessageFileTest, InsertionStringsAndTheirPlaceholders) {
    Register(Fixture(L"EventMessages.dll"));
    EXPECT_EQ(L"Service A started with B and %3.", Message(1000, {L"A", L"B"})) << "a missing third insertion";
    EXPECT_EQ(L"High bits x.", Message(0x400003E9, {L"x"})) << "looked up with the whole id";

    std::wstring all;
    std::vector<std::wstring> many;
    for (int n = 1; n <= 105; ++n) {
        many.push_back(L"s" + std::to_wstring(n));
        if (n <= 99)
            all += (n > 1 ? L"," : L"") + many.back();
    }
    EXPECT_EQ(all, Message(1003, many)) << "more strings than placeholders";
    std::wstring placeholders;
    for (int n = 1; n <= 99; ++n)
        placeholders += (n > 1 ? L",%" : L"%") + std::to_wstring(n);
    EXPECT_EQ(placeholders, Message(1003, {})) << "no strings: each insertion shows its placeholder";
}

TEST_F(MessageFileTest, ParameterInsertsInInsertionStrings) {
    Register(Fixture(L"EventMessages.dll"));
    wchar_t* system = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   5, 0, reinterpret_cast<LPWSTR>(&system), 0, nullptr);
    const std::wstring systemText = system ? system : L"";
    LocalFree(system);
    ASSERT_FALSE(systemText.empty());
    struct Case {
        std::wstring insertion, expected;
    } cases[] = {
        {L"%%2001", L"Parameter: Disk quota"},
        {L"%%2001 and %%2001", L"Parameter: Disk quota and Disk quota"},
        {L"%%x stays", L"Parameter: %%x stays"},
        {L"%%5", L"Parameter: " + systemText},
        {L"%%99999 %%2001", L"Parameter: %%99999 Disk quota"},
        {L"%%%%2001", L"Parameter: %%Disk quota"},
        {L"%%99999999999999999999", L"Parameter: %%99999999999999999999"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Message(1002, {c.insertion})) << Narrow(c.insertion);
}

TEST_F(MessageFileTest, MessageFilesAreTriedInOrder) {
    const std::wstring missing = Fixture(L"missing.dll");
    Register(missing + L";;" + Fixture(L"EventMessages.dll") + L";" + Fixture(L"SecondMessages.dll"));
    RecordSpec spec;
    spec.source = source;
    WevtlogApiWin2000::EventWin2000 event(MakeRecord(spec), logName);
    const std::vector<std::wstring> files = {missing, L"", Fixture(L"EventMessages.dll"), Fixture(L"SecondMessages.dll")};
    EXPECT_EQ(files, event.GetMessageFiles());
    EXPECT_EQ(L"From the second file: z", Message(3000, {L"z"}));
    EXPECT_EQ(L"Service a started with b and c.", Message(1000, {L"a", L"b", L"c"}));
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(MessageFileTest, SourceWithoutMessageFileGivesAnEmptyMessage) {
    // No key for the source: the message is empty (the reader shows it as it is).
    const std::wstring key = L"HKLM\\System\\CurrentControlSet\\Services\\EventLog\\" + logName + L"\\" + source;
    EXPECT_EQ(L"", Message(1000, {L"A"}));
    const std::vector<LogCapture::Entry> expected = {
        {Logging::Debug, L"Unable to read event message file names in the registry key '" + key + L"': " +
                             System::GetErrorText(ERROR_FILE_NOT_FOUND)}};
    EXPECT_EQ(expected, log.entries);

    // A file that does not know the id.
    Register(Fixture(L"SecondMessages.dll"));
    log.entries.clear();
    EXPECT_EQ(L"", Message(0x20000999, {L"A"}));
    EXPECT_TRUE(log.entries.empty());
}

} // namespace
