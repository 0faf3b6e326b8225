#pragma once
// What the file benchmarks share: a clock in seconds.

#include <windows.h>

namespace Gathrix::Bench {

inline double Seconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace Gathrix::Bench
