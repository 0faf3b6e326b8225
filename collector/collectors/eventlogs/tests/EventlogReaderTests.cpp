// The event-log reader: which API it takes, the 30-day window, the limit per log, and what it
// logs for values it cannot read. Events come from the stand-in wevtapi.dll.

#include "collector/collectors/eventlogs/EventlogReader.h"
#include "collector/collectors/eventlogs/tests/EventlogTestSupport.h"
#include "common/Exceptions.h"
#include "common/Logging.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

constexpr std::uint64_t Millisecond = 10000;  // in FILETIME units

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
        ASSERT_TRUE(standIn.Loaded()) << "the stand-in wevtapi.dll is not loaded: WINEDLLOVERRIDES=wevtapi=n";
    }

    // Every entry the reader delivers for the log.
    static std::vector<EventlogEntry> ReadAll(const std::wstring& log) {
        EventlogReader reader(log);
        std::vector<EventlogEntry> entries;
        for (bool more = true; more;) {
            EventlogEntry entry = reader.ReadNext(more);
            if (more)
                entries.push_back(entry);
        }
        return entries;
    }

    WevtapiStandIn standIn;
    LogCapture& log = LogCapture::Start();
};

TEST_F(ReaderTest, WindowIsThirtyDaysToTheMillisecond) {
    const std::uint64_t start = TakeRunStart();
    const std::uint64_t window = EventlogReader::RetentionWindow * Millisecond;
    // The window compares whole milliseconds: a time inside the 30 days' last millisecond still
    // counts as exactly 30 days.
    const std::uint64_t startMs = start / Millisecond * Millisecond;
    struct Case {
        const char* name;
        std::uint64_t oldest;
        size_t delivered;
    } cases[] = {
        {"exactly 30 days", startMs - window, 3},
        {"exactly 30 days, sub-millisecond rest", startMs - window + 9999, 3},
        {"one millisecond more", startMs - window - Millisecond, 2},
        {"one tick more, a millisecond earlier", startMs - window - 1, 2},
    };
    for (const auto& c : cases) {
        StandInScript script("log\tApplication\n"
                             "event\tid=1\ttime=" + Decimal(start + 5 * Millisecond) + "\n"  // during the run
                             "event\tid=2\ttime=" + Decimal(start - 1000 * Millisecond) + "\n"
                             "event\tid=3\ttime=" + Decimal(c.oldest) + "\n"
                             "event\tid=4\ttime=" + Decimal(start - 2 * window) + "\n");
        const auto entries = ReadAll(L"Application");
        EXPECT_EQ(c.delivered, entries.size()) << c.name;
    }
    EXPECT_EQ(start, EventlogReader::RunStart()->GetCount()) << "the start is taken once";
}

TEST_F(ReaderTest, FirstTooOldEventEndsTheLog) {
    const std::uint64_t start = TakeRunStart();
    const std::uint64_t old = start - 31ull * 24 * 3600 * 1000 * Millisecond;
    StandInScript script("log\tApplication\n"
                         "event\tid=1\ttime=" + Decimal(start) + "\n"
                         "event\tid=2\ttime=" + Decimal(old) + "\n"
                         "event\tid=3\ttime=" + Decimal(start) + "\n");  // out of order: never read
    const auto entries = ReadAll(L"Application");
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(L"1", entries[0].eventId);
}

TEST_F(ReaderTest, SixtyThousandEventsPerReader) {
    // 60,001 events in the window: the last one is read and converted, then reading stops.
    StandInScript script("log\tApplication\nevent\tid=9\tcount=60001\tstep=0\ttime=now-1000\tmessage=m\n");
    {
        EventlogReader reader(L"Application");
        std::uint32_t delivered = 0;
        bool more = true;
        for (EventlogEntry entry = reader.ReadNext(more); more; entry = reader.ReadNext(more))
            ++delivered;
        EXPECT_EQ(60000u, delivered);
    }
    // The next log job counts from zero again.
    StandInScript small("log\tApplication\nevent\tcount=3\ttime=now-1000\n");
    EXPECT_EQ(3u, ReadAll(L"Application").size());
    EXPECT_EQ(0, standIn.OpenHandles());
}

TEST_F(ReaderTest, SecondLogSharesTheRunStart) {
    StandInScript script("log\tApplication\nevent\ttime=now-1000\nlog\tSystem\nevent\ttime=now-1000\n");
    ReadAll(L"Application");
    const std::uint64_t first = EventlogReader::RunStart()->GetCount();
    Sleep(50);
    ReadAll(L"System");
    EXPECT_EQ(first, EventlogReader::RunStart()->GetCount());
}

TEST_F(ReaderTest, LogThatCannotBeOpenedIsLoggedOnceAndDeliversNothing) {
    StandInScript script("log\tApplication\nevent\n");
    EXPECT_TRUE(ReadAll(L"NoSuchLog").empty());
    const std::vector<LogCapture::Entry> expected = {
        {Logging::Error, L"Unable to open eventlog 'NoSuchLog': EvtQuery: " + System::GetErrorText(15007)}};
    EXPECT_EQ(expected, log.entries);
}

TEST_F(ReaderTest, MessageFailureKeepsTheEventWithAPlaceholder) {
    StandInScript script("nometadata\tNoResources\nlog\tApplication\n"
                         "event\tid=5\tlevel=3\tsource=NoResources\tsid=S-1-5-18\ttime=now-1000\n");
    const auto entries = ReadAll(L"Application");
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(L"-no message found-", entries[0].message);
    EXPECT_EQ(L"5", entries[0].eventId);
    EXPECT_EQ(L"Warning", entries[0].levelName);
    EXPECT_NE(L"", entries[0].user) << "the values after the message are still read";
    const std::vector<LogCapture::Entry> expected = {
        {Logging::Warning, L"Error extracting message from event log entry: EvtOpenPublisherMetadata(NoResources): " +
                               System::GetErrorText(15002)}};
    EXPECT_EQ(expected, log.entries);
}

TEST_F(ReaderTest, ValueFailureKeepsWhatWasRead) {
    StandInScript script("log\tApplication\n"
                         "event\tid=77\tlevel=2\tsource=Src\tmessage=Text\ttime=now-1000\trenderfail=user:1726\n"
                         "event\tid=78\trenderfail=level:1726\n");
    const auto entries = ReadAll(L"Application");
    ASSERT_EQ(2u, entries.size()) << "records whose filling failed are still delivered";
    EXPECT_EQ(L"77", entries[0].eventId);
    EXPECT_EQ(L"Error", entries[0].levelName);
    EXPECT_EQ(L"lvlerror", entries[0].typeWord);
    EXPECT_EQ(L"Text", entries[0].message);
    EXPECT_EQ(L"", entries[0].user);
    EXPECT_EQ(L"78", entries[1].eventId);
    EXPECT_EQ(0, entries[1].level);
    EXPECT_EQ(L"unknown", entries[1].typeWord) << "a level never read gets no level's icon";
    EXPECT_EQ(L"", entries[1].levelName);
    const std::wstring failure = L"Error extracting values from event log entry: EvtRender: " + System::GetErrorText(1726);
    const std::vector<LogCapture::Entry> expected = {{Logging::Error, failure}, {Logging::Error, failure}};
    EXPECT_EQ(expected, log.entries);
}

TEST_F(ReaderTest, TypeWordsOfTheNewerInterface) {
    StandInScript script("log\tApplication\n"
                         "event\tlevel=0\ttime=now-1\nevent\tlevel=1\ttime=now-2\nevent\tlevel=2\ttime=now-3\n"
                         "event\tlevel=3\ttime=now-4\nevent\tlevel=4\ttime=now-5\nevent\tlevel=5\ttime=now-6\n");
    const std::vector<std::wstring> words = {L"lvlsuccess", L"lvlerror", L"lvlerror", L"lvlwarning", L"lvlinfo", L"unknown"};
    const auto entries = ReadAll(L"Application");
    ASSERT_EQ(words.size(), entries.size());
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(words[i], entries[i].typeWord) << "level " << int(entries[i].level);
}

TEST_F(ReaderTest, ReadFailurePassesOutAfterTheEventsBeforeIt) {
    StandInScript script("log\tApplication\nevent\tcount=5\ttime=now-1000\nfailat\t2\t1726\n");
    EventlogReader reader(L"Application");
    bool more = false;
    reader.ReadNext(more);
    EXPECT_TRUE(more);
    reader.ReadNext(more);
    EXPECT_TRUE(more);
    EXPECT_EQ(L"EvtNext: " + System::GetErrorText(1726), ThrownMessage([&] { reader.ReadNext(more); }));
}

TEST(ReaderFallback, ClassicApiWhenWevtapiCannotBeLoaded) {
    // The stand-in refuses to load, as wevtapi.dll is missing on Windows 2000 and XP. Wine's
    // classic API then opens any log and reports its end at once: no event and no ERROR, where
    // the newer API would have delivered the script's event.
    ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
    ASSERT_EQ(nullptr, GetModuleHandleW(L"wevtapi.dll"));
    LogCapture& log = LogCapture::Start();
    StandInScript script("log\tApplication\nevent\ttime=now-1000\n");
    SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_ABSENT", L"1");
    EventlogReader reader(L"Application");
    bool more = true;
    reader.ReadNext(more);
    SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_ABSENT", nullptr);
    EXPECT_FALSE(more);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(nullptr, GetModuleHandleW(L"wevtapi.dll"));
    // Without the refusal the same script delivers its event through the stand-in.
    EventlogReader vista(L"Application");
    vista.ReadNext(more);
    EXPECT_TRUE(more);
}

} // namespace
