#include "common/DateTime.h"
#include "common/tests/support/TestSupport.h"
#include "common/Exceptions.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <functional>

using Gathrix::DateTime;
using Gathrix::MessageException;
using Gathrix::Testing::ThrownMessage;

namespace {

FILETIME MakeFileTime(std::uint64_t count) {
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(count);
    fileTime.dwHighDateTime = static_cast<DWORD>(count >> 32);
    return fileTime;
}

SYSTEMTIME MakeSystemTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

const std::uint64_t TwoPow63 = 0x8000000000000000ull;

} // namespace

TEST(DateTime, CountIsCappedAtTwoToTheSixtyThree) {
    EXPECT_EQ(TwoPow63, DateTime(MakeFileTime(TwoPow63), DateTime::Utc).GetCount());
    EXPECT_EQ(L"Cannot create DateTime: filetime is too big.",
              ThrownMessage([] { DateTime(MakeFileTime(TwoPow63 + 1), DateTime::Utc); }));
    EXPECT_EQ(L"Cannot create DateTime: filetime is too big.",
              ThrownMessage([] { DateTime(MakeFileTime(~0ull), DateTime::Local); }));
}

// The limit admits 2^63, which no calendar conversion accepts: every conversion must refuse it
// with the collector's exception instead of printing or shifting an undefined date.
TEST(DateTime, CountTheCalendarRefusesThrowsOnEveryConversion) {
    const DateTime utc(MakeFileTime(TwoPow63), DateTime::Utc);
    const DateTime local(MakeFileTime(TwoPow63), DateTime::Local);
    const std::wstring expected = Gathrix::System::GetErrorText(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(expected, ThrownMessage([&] { utc.ToString(); }));
    EXPECT_EQ(expected, ThrownMessage([&] { utc.ToUtcString(); }));
    EXPECT_EQ(expected, ThrownMessage([&] { utc.ToLocalTime(); }));
    EXPECT_EQ(expected, ThrownMessage([&] { local.ToUtc(); }));
}

TEST(DateTime, InvalidSystemTimeThrowsTheSystemErrorText) {
    const SYSTEMTIME month13 = MakeSystemTime(2020, 13, 1, 0, 0, 0);
    const SYSTEMTIME february30 = MakeSystemTime(2021, 2, 30, 0, 0, 0);
    const std::wstring expected = Gathrix::System::GetErrorText(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(expected, ThrownMessage([&] { DateTime(month13, DateTime::Utc); }));
    EXPECT_EQ(expected, ThrownMessage([&] { DateTime(february30, DateTime::Local); }));
}

TEST(DateTime, ToStringPrintsEnglishShortDateAndTwentyFourHourTime) {
    struct Case {
        SYSTEMTIME time;
        const wchar_t* expected;
    } cases[] = {
        {MakeSystemTime(2020, 11, 18, 21, 5, 7), L"11/18/2020 21:05:07"},
        {MakeSystemTime(2021, 1, 2, 0, 0, 0), L"1/2/2021 0:00:00"},
        {MakeSystemTime(1999, 12, 31, 23, 59, 59), L"12/31/1999 23:59:59"},
        {MakeSystemTime(2024, 2, 29, 12, 0, 0), L"2/29/2024 12:00:00"},
        {MakeSystemTime(1601, 1, 1, 0, 0, 0), L"1/1/1601 0:00:00"},
    };
    for (const Case& c : cases) {
        // Never converted: a Local value prints its own clock as a Utc value does.
        EXPECT_EQ(c.expected, DateTime(c.time, DateTime::Utc).ToString());
        EXPECT_EQ(c.expected, DateTime(c.time, DateTime::Local).ToString());
        EXPECT_EQ(c.expected, DateTime(c.time, DateTime::Utc).ToUtcString());
    }
}

TEST(DateTime, ConversionsFollowTheMachineZone) {
    const DateTime utc(MakeSystemTime(2020, 7, 1, 10, 30, 0), DateTime::Utc);

    const DateTime sameUtc = utc.ToUtc();
    EXPECT_EQ(DateTime::Utc, sameUtc.GetKind());
    EXPECT_EQ(utc.GetCount(), sameUtc.GetCount());

    const DateTime local = utc.ToLocalTime();
    EXPECT_EQ(DateTime::Local, local.GetKind());
    const DateTime sameLocal = local.ToLocalTime();
    EXPECT_EQ(local.GetCount(), sameLocal.GetCount());

    EXPECT_EQ(utc.GetCount(), local.ToUtc().GetCount());
    EXPECT_EQ(utc.ToString(), local.ToUtcString());
    EXPECT_EQ(0u, utc.MillisecondsSince(local));
    EXPECT_EQ(0u, local.MillisecondsSince(utc));
}

TEST(DateTime, MillisecondsSinceTruncatesEachCountFirst) {
    struct Case {
        std::uint64_t later, earlier, expected;
    } cases[] = {
        {19999, 10001, 0},
        {20000, 19999, 1},
        {10000, 10000, 0},
        {10000, 20000, 0},
        {TwoPow63, 0, TwoPow63 / 10000},
        {1234567890123ull, 1234567880000ull, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, DateTime(MakeFileTime(c.later), DateTime::Utc)
                                  .MillisecondsSince(DateTime(MakeFileTime(c.earlier), DateTime::Utc)))
            << c.later << " - " << c.earlier;
    }
}
