// The event-log API of Vista and later against the stand-in wevtapi.dll.

#include "collector/collectors/eventlogs/EventlogApiVista.h"
#include "collector/collectors/eventlogs/tests/EventlogTestSupport.h"
#include "common/Exceptions.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <sddl.h>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

class VistaApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
        ASSERT_TRUE(standIn.Loaded()) << "the stand-in wevtapi.dll is not loaded: WINEDLLOVERRIDES=wevtapi=n";
    }

    std::unique_ptr<WevtlogApi::Event> Next(WevtlogApi& api) { return std::unique_ptr<WevtlogApi::Event>(api.GetNextEvent()); }

    WevtapiStandIn standIn;
};

TEST_F(VistaApiTest, ReadsEveryValueNewestFirstAndEndsWithNull) {
    StandInScript script(
        "log\tApplication\n"
        "event\tid=7036\tlevel=2\ttime=132500000000000000\tsource=Service Control Manager\tsid=S-1-5-18\tmessage=First\n"
        "event\tid=65535\tlevel=4\ttime=132400000000000000\tsource=Other\tmessage=Second\n");
    {
        WevtlogApiWinVista api;
        api.OpenProtocol(L"Application");
        auto first = Next(api);
        ASSERT_TRUE(first);
        EXPECT_EQ(L"7036", first->GetEventId());
        EXPECT_EQ(2, first->GetLevel());
        EXPECT_EQ(L"2", first->GetLevelText());
        EXPECT_EQ(L"Error", first->GetLevelName());
        EXPECT_EQ(L"Service Control Manager", first->GetSource());
        EXPECT_EQ(L"First", first->GetMessage());
        EXPECT_EQ(132500000000000000ull, first->GetTimeCreated().GetCount());
        EXPECT_EQ(DateTime::Utc, first->GetTimeCreated().GetKind());
        // The SID of the local system, named as the system names it.
        std::wstring account, domain;
        PSID system = nullptr;
        ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-18", &system));
        ASSERT_TRUE(System::LookupAccountBySid(system, account, domain));
        LocalFree(system);
        EXPECT_EQ(domain + L"\\" + account, first->GetUser());
        // Values may be read again and in any order.
        EXPECT_EQ(L"7036", first->GetEventId());
        first.reset();

        auto second = Next(api);
        ASSERT_TRUE(second);
        EXPECT_EQ(L"65535", second->GetEventId());
        EXPECT_EQ(L"-unknown-", second->GetUser()) << "an event without a user SID";
        second.reset();

        EXPECT_FALSE(Next(api)) << "after the last event";
        EXPECT_FALSE(Next(api)) << "and again";
    }
    EXPECT_EQ(0, standIn.OpenHandles()) << "every query, event, context and metadata handle closed";
}

TEST_F(VistaApiTest, StandInServesWhatTheQueryAsksFor) {
    // As the system's EvtQuery does: a reader asking for the oldest event first, for another kind
    // of path or with a filter gets other events or none, so the tests that read through the
    // stand-in see it.
    StandInScript script("log\tApplication\n"
                         "event\tid=1\ttime=now-1000\nevent\tid=2\ttime=now-2000\tcount=2\nevent\tid=3\ttime=now-9000\n");
    {
        WevtlogApiWinVista api;  // loads the stand-in and renders the events of a direct query
        HMODULE library = GetModuleHandleW(L"wevtapi.dll");
        ASSERT_NE(nullptr, library);
        const auto query = reinterpret_cast<decltype(&::EvtQuery)>(reinterpret_cast<void*>(GetProcAddress(library, "EvtQuery")));
        const auto next = reinterpret_cast<decltype(&::EvtNext)>(reinterpret_cast<void*>(GetProcAddress(library, "EvtNext")));
        const auto close = reinterpret_cast<decltype(&::EvtClose)>(reinterpret_cast<void*>(GetProcAddress(library, "EvtClose")));
        ASSERT_TRUE(query && next && close);
        const DWORD channel = EvtQueryChannelPath;
        struct Case {
            const char* what;
            const wchar_t* path;
            const wchar_t* text;
            DWORD flags;
            std::wstring order;  // event ids in the order delivered
            DWORD error;         // of EvtQuery; 0: it succeeds
        } cases[] = {
            {"newest first, as the reader asks", L"Application", L"*", channel | EvtQueryReverseDirection, L"1223", 0},
            {"no query text", L"application", nullptr, channel | EvtQueryReverseDirection, L"1223", 0},
            {"oldest first", L"Application", L"*", channel | EvtQueryForwardDirection, L"3221", 0},
            {"oldest first by default", L"Application", L"*", channel, L"3221", 0},
            {"both directions", L"Application", L"*", channel | EvtQueryForwardDirection | EvtQueryReverseDirection, L"",
             ERROR_INVALID_PARAMETER},
            {"an XPath filter", L"Application", L"*[System[(Level=2)]]", channel | EvtQueryReverseDirection, L"", 15001},
            {"a log file", L"Application", L"*", EvtQueryFilePath | EvtQueryReverseDirection, L"", ERROR_FILE_NOT_FOUND},
            {"a channel the script lacks", L"Security", L"*", channel | EvtQueryReverseDirection, L"", 15007},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            SetLastError(0);
            EVT_HANDLE results = query(nullptr, c.path, c.text, c.flags);
            if (c.error != 0) {
                EXPECT_EQ(nullptr, results);
                EXPECT_EQ(c.error, GetLastError());
                continue;
            }
            ASSERT_NE(nullptr, results);
            std::wstring order;
            std::vector<std::uint64_t> times;
            EVT_HANDLE event = nullptr;
            DWORD returned = 0;
            while (next(results, 1, &event, INFINITE, 0, &returned)) {
                WevtlogApiWinVista::EventWinVista read(api, event);  // closes the event
                order += read.GetEventId();
                times.push_back(read.GetTimeCreated().GetCount());
            }
            EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
            close(results);
            EXPECT_EQ(c.order, order);
            // The repeated event too comes in the asked order: each time newer than the one before,
            // or each older.
            const bool newestFirst = (c.flags & EvtQueryReverseDirection) != 0;
            for (size_t i = 1; i < times.size(); ++i)
                EXPECT_TRUE(newestFirst ? times[i] < times[i - 1] : times[i] > times[i - 1]) << "event " << i;
        }
    }
    EXPECT_EQ(0, standIn.OpenHandles());
}

TEST_F(VistaApiTest, LevelNamesOfTheNewerInterface) {
    StandInScript script("log\tSystem\n"
                         "event\tlevel=0\nevent\tlevel=1\nevent\tlevel=2\nevent\tlevel=3\nevent\tlevel=4\n"
                         "event\tlevel=5\nevent\tlevel=8\nevent\tlevel=16\nevent\tlevel=255\n");
    const std::vector<std::wstring> names = {L"Success", L"Critical error", L"Error",        L"Warning",     L"Information",
                                             L"unknown", L"Audit success",  L"Audit error", L"unknown"};
    WevtlogApiWinVista api;
    api.OpenProtocol(L"System");
    for (const auto& name : names) {
        auto event = Next(api);
        ASSERT_TRUE(event);
        EXPECT_EQ(name, event->GetLevelName()) << "level " << int(event->GetLevel());
        EXPECT_EQ(EventLevelNames::Interface::WinVista, event->GetInterface());
    }
}

TEST_F(VistaApiTest, LogThatDoesNotExistFailsInEvtQuery) {
    StandInScript script("log\tApplication\n");
    WevtlogApiWinVista api;
    EXPECT_EQ(L"EvtQuery: " + System::GetErrorText(15007), ThrownMessage([&] { api.OpenProtocol(L"NoSuchLog"); }));
    EXPECT_EQ(L"call OpenProtocol() first", ThrownMessage([&] { Next(api); }));
}

TEST_F(VistaApiTest, ProviderWithoutMetadataFailsOnlyTheMessage) {
    StandInScript script("nometadata\tNoResources\n"
                         "log\tApplication\n"
                         "event\tid=12\tsource=NoResources\tmessage=never shown\n");
    WevtlogApiWinVista api;
    api.OpenProtocol(L"Application");
    auto event = Next(api);
    ASSERT_TRUE(event);
    EXPECT_EQ(L"EvtOpenPublisherMetadata(NoResources): " + System::GetErrorText(15002),
              ThrownMessage([&] { event->GetMessage(); }));
    EXPECT_EQ(L"12", event->GetEventId());
    EXPECT_EQ(L"NoResources", event->GetSource());
}

TEST_F(VistaApiTest, LongValuesTakeOneEnlargement) {
    const std::string longProvider(200, 'P');  // 402 bytes with its zero: more than the first 120
    StandInScript script("log\tApplication\n"
                         "event\tsource=" + longProvider + "\tmessage=0123456789\tmessagelength=1000\n");
    WevtlogApiWinVista api;
    api.OpenProtocol(L"Application");
    auto event = Next(api);
    ASSERT_TRUE(event);
    EXPECT_EQ(std::wstring(200, L'P'), event->GetSource());
    const std::wstring message = event->GetMessage();
    ASSERT_EQ(1000u, message.size()) << "a message longer than 255 characters";
    EXPECT_EQ(L"0123456789", message.substr(990));
}

TEST_F(VistaApiTest, BufferTooSmallIsRetriedOnceOnly) {
    StandInScript script("render122\t1\nlog\tApplication\nevent\tid=4711\n");
    WevtlogApiWinVista api;
    api.OpenProtocol(L"Application");
    auto event = Next(api);
    ASSERT_TRUE(event);
    EXPECT_EQ(L"4711", event->GetEventId()) << "one 122 is answered by an enlargement";

    StandInScript twice("render122\t2\nlog\tApplication\nevent\tid=4711\n");
    WevtlogApiWinVista again;
    again.OpenProtocol(L"Application");
    auto second = Next(again);
    ASSERT_TRUE(second);
    EXPECT_EQ(L"EvtRender: " + System::GetErrorText(122), ThrownMessage([&] { second->GetEventId(); }));
}

TEST_F(VistaApiTest, ReadFailureOtherThanTheEndIsThrown) {
    StandInScript script("log\tApplication\nevent\tcount=3\nfailat\t2\t1726\n");
    WevtlogApiWinVista api;
    api.OpenProtocol(L"Application");
    EXPECT_TRUE(Next(api));
    EXPECT_TRUE(Next(api));
    EXPECT_EQ(L"EvtNext: " + System::GetErrorText(1726), ThrownMessage([&] { Next(api); }));
}

TEST_F(VistaApiTest, EachReadWaitsAtMostItsBound) {
    StandInScript script("log\tApplication\nevent\tcount=3\nblockat\t1\n");
    {
        WevtlogApiWinVista byDefault;
        byDefault.OpenProtocol(L"Application");
        EXPECT_TRUE(Next(byDefault));
        EXPECT_EQ(WaitBounds::EventlogNextEventMilliseconds, standIn.LastTimeout());
    }
    const ReleaseIfStuck unbounded(standIn, 60000);
    WevtlogApiWinVista api(200);
    api.OpenProtocol(L"Application");
    EXPECT_TRUE(Next(api));
    EXPECT_EQ(L"EvtNext timed out, no event within 200 milliseconds: " + System::GetErrorText(ERROR_TIMEOUT),
              ThrownMessage([&] { Next(api); }));
    EXPECT_EQ(200u, standIn.LastTimeout());
}

TEST_F(VistaApiTest, TimeAboveTheDateLimitIsRefused) {
    StandInScript script("log\tApplication\nevent\ttime=9223372036854775809\n");
    WevtlogApiWinVista api;
    api.OpenProtocol(L"Application");
    auto event = Next(api);
    ASSERT_TRUE(event);
    EXPECT_EQ(L"Cannot create DateTime: filetime is too big.", ThrownMessage([&] { event->GetTimeCreated(); }));
}

} // namespace
