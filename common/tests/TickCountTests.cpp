// The 64-bit tick count built from GetTickCount, for Windows without GetTickCount64.
#include "common/TickCount64.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

namespace Gathrix::Utils {
namespace {

TEST(TickCount64, ExtendsTheThirtyTwoBitCountAcrossItsWrap) {
    const struct {
        std::uint64_t previous;
        std::uint32_t now;
        std::uint64_t expected;
    } cases[] = {
        {0, 5, 5},
        {1000, 1000, 1000},                                  // no time passed
        {0xFFFFFFF0u, 0x10, 0x100000010ull},                // the first wrap
        {0x1FFFFFFF0ull, 0x5, 0x200000005ull},              // a later one
        {0x300000010ull, 0xFFFFFFFFu, 0x3FFFFFFFFull},       // just before the next
        {0x123456789ull, 0x23456800, 0x123456800ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.previous);
        EXPECT_EQ(c.expected, ExtendTickCount(c.previous, c.now));
    }
}

TEST(TickCount64, TheFallbackFollowsGetTickCountAndTheProgramsSlotAnswers) {
    // The fallback starts from 0 and counts what passed since: within this process its low half
    // is a reading of GetTickCount, and it never goes back.
    const DWORD before = GetTickCount();
    const std::uint64_t first = TickCount64FromTickCount();
    const DWORD after = GetTickCount();
    EXPECT_LE(static_cast<DWORD>(static_cast<DWORD>(first) - before), static_cast<DWORD>(after - before));
    EXPECT_EQ(0u, first >> 32);
    EXPECT_GE(TickCount64FromTickCount(), first);

    // GetTickCount64 through this program's import slot (ours, linked in with the source)
    // answers as the system's does.
    auto system = reinterpret_cast<ULONGLONG(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
    ASSERT_NE(nullptr, system);
    const ULONGLONG systemBefore = system();
    const ULONGLONG through = GetTickCount64();
    const ULONGLONG systemAfter = system();
    EXPECT_LE(systemBefore, through);
    EXPECT_LE(through, systemAfter);
}

} // namespace
} // namespace Gathrix::Utils
