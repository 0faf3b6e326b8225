#pragma once
// GetTickCount64 for every program, Windows XP and Server 2003 included, which lack it: the
// threading runtime (and our own code) imports it, and one missing import keeps a program from
// starting at all. TickCount64.cpp defines the import's address slot itself, so the programs that
// link it import nothing of that name from kernel32: the first call looks the function up and,
// where it is missing, counts on from GetTickCount. Each program lists the source among its own
// (not through a library, whose member the linker would not take for a slot that kernel32's
// import library fills as well).

#include <cstdint>

namespace Gathrix::Utils {

// The 64-bit tick count that follows `previous` when GetTickCount now reads `now`: the 32-bit
// count wraps every 49.7 days, and the time since `previous` is taken modulo 2^32. So a wrap is
// counted as long as calls come at least once in 49.7 days.
std::uint64_t ExtendTickCount(std::uint64_t previous, std::uint32_t now);

// What the fallback gives: the 64-bit count built from GetTickCount.
std::uint64_t TickCount64FromTickCount();

} // namespace Gathrix::Utils
