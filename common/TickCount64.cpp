#include "common/TickCount64.h"

#include <windows.h>

namespace Gathrix::Utils {

namespace {

// The last count the fallback gave, shared by all threads.
std::uint64_t lastTickCount = 0;

} // namespace

std::uint64_t ExtendTickCount(std::uint64_t previous, std::uint32_t now) {
    return previous + static_cast<std::uint32_t>(now - static_cast<std::uint32_t>(previous));
}

std::uint64_t TickCount64FromTickCount() {
    std::uint64_t previous = __atomic_load_n(&lastTickCount, __ATOMIC_ACQUIRE);
    for (;;) {
        // Read after the last count was taken, so never behind it: the difference is the time
        // that passed.
        const std::uint64_t next = ExtendTickCount(previous, GetTickCount());
        if (__atomic_compare_exchange_n(&lastTickCount, &previous, next, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
            return next;
    }
}

} // namespace Gathrix::Utils

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI FallbackTickCount64() { return Gathrix::Utils::TickCount64FromTickCount(); }

ULONGLONG WINAPI ResolveTickCount64();

} // namespace

#ifdef _WIN64
#define GATHRIX_TICK_COUNT_SLOT "__imp_GetTickCount64"
#define GATHRIX_TICK_COUNT_STUB "GetTickCount64"
#else
#define GATHRIX_TICK_COUNT_SLOT "__imp__GetTickCount64@0"
#define GATHRIX_TICK_COUNT_STUB "_GetTickCount64@0"
#endif

// The slot that calls through a declared import read; the stub serves a call that was not
// declared as an import. Static data, so it is ready before any code of the program runs.
extern "C" {
TickCount64Function gathrixTickCount64Slot __asm__(GATHRIX_TICK_COUNT_SLOT) = ResolveTickCount64;
ULONGLONG WINAPI GathrixTickCount64Stub() __asm__(GATHRIX_TICK_COUNT_STUB);
ULONGLONG WINAPI GathrixTickCount64Stub() { return __atomic_load_n(&gathrixTickCount64Slot, __ATOMIC_ACQUIRE)(); }
}

namespace {

ULONGLONG WINAPI ResolveTickCount64() {
    // kernel32 is loaded in every process; the look-up loads nothing.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto found = kernel ? reinterpret_cast<TickCount64Function>(
                              reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                        : nullptr;
    const TickCount64Function chosen = found ? found : FallbackTickCount64;
    __atomic_store_n(&gathrixTickCount64Slot, chosen, __ATOMIC_RELEASE);
    return chosen();
}

} // namespace
