#pragma once
// The stand-in program of StandIn.cmake: where the build put it, and a copy of it under another
// name (a lister's, an external program's, a helper process with a name of its own).

#include "common/tests/support/TestSupport.h"

#include <windows.h>

#include <string>

namespace Gathrix::Testing {

inline std::wstring StandInProgram() { return BinaryDir() + L"\\tests\\standins\\gathrix_process_standin.exe"; }

// Copies the stand-in to `path`; false when that fails.
inline bool PlaceStandIn(const std::wstring& path) { return CopyFileW(StandInProgram().c_str(), path.c_str(), FALSE) != 0; }

// A process of the stand-in that sleeps until the object ends it.
class SleepingProcess {
public:
    explicit SleepingProcess(const std::wstring& program) {
        std::wstring commandLine = L"\"" + program + L"\" sleep:120000";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                           nullptr, &startup, &info)) {
            process.Reset(info.hProcess);
            CloseHandle(info.hThread);
            processId = info.dwProcessId;
        }
    }
    ~SleepingProcess() {
        if (process) {
            TerminateProcess(process.Get(), 0);
            WaitForSingleObject(process.Get(), 5000);
        }
    }
    SleepingProcess(const SleepingProcess&) = delete;
    SleepingProcess& operator=(const SleepingProcess&) = delete;

    bool Started() const { return processId != 0; }
    DWORD Id() const { return processId; }

private:
    UniqueHandle process;
    DWORD processId = 0;
};

} // namespace Gathrix::Testing
