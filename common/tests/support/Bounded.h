#pragma once
// Runs a piece of a test that a regression could make wait for ever (reading a device, say) on
// a thread of its own, and ends the whole test program with a message when it has not finished
// within the bound: a fault then fails its test instead of stopping the suite. The program is
// ended rather than the thread, since the thread still uses the test's objects and may hold a lock.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <string>

namespace Gathrix::Testing {

inline void RunBounded(const std::function<void()>& work, DWORD boundMs, const char* what) {
    struct Call {
        const std::function<void()>* work;
        std::exception_ptr thrown;
        static DWORD WINAPI Run(void* self) {
            auto* call = static_cast<Call*>(self);
            try {
                (*call->work)();
            } catch (...) {
                call->thrown = std::current_exception();
            }
            return 0;
        }
    } call{&work, nullptr};
    HANDLE thread = CreateThread(nullptr, 0, &Call::Run, &call, 0, nullptr);
    if (thread == nullptr) {
        work();
        return;
    }
    if (WaitForSingleObject(thread, boundMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "FAILED: %s did not finish within %lu ms; the test program ends here.\n", what,
                     static_cast<unsigned long>(boundMs));
        std::fflush(stderr);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    CloseHandle(thread);
    if (call.thrown)
        std::rethrow_exception(call.thrown);
}

} // namespace Gathrix::Testing
