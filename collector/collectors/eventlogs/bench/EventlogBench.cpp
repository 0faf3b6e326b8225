// The "WindowsEventlog" job over COUNT events served by the stand-in wevtapi.dll, written through
// the result file writer with its split into parts: events per second and memory. Events are
// streamed (one entry and its three elements at a time) and the split bounds what the document
// holds, so the peak should not grow with the count.
//   eventlog_bench COUNT RESULT_FOLDER STAND_IN_DLL
// Run it with WINEDLLOVERRIDES=wevtapi=n (run-eventlog-bench.sh does).
#include "collector/collectors/eventlogs/EventlogInfo.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Text.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Seconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

double Megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: eventlog_bench COUNT RESULT_FOLDER STAND_IN_DLL\n");
        return 1;
    }
    const unsigned long count = std::wcstoul(argv[1], nullptr, 10);
    const std::wstring folder = argv[2];

    // The stand-in goes where the collector loads wevtapi.dll from.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    CopyFileW(argv[3], (std::wstring(system) + L"\\wevtapi.dll").c_str(), FALSE);

    // Events of the last minutes, ten milliseconds apart, with a user and a typical message.
    const std::wstring script = folder + L"\\bench-script.txt";
    WriteBytes(script, "log\tApplication\n"
                       "event\tid=7036\tlevel=4\tsource=Service Control Manager\tsid=S-1-5-18\ttime=now-1000\tstep=10"
                       "\tcount=" + std::to_string(count) +
                       "\tmessage=The Windows Update service entered the running state after a scheduled start.\n");
    SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_SCRIPT", script.c_str());

    const PROCESS_MEMORY_COUNTERS before = Memory();
    double seconds = 0;
    int parts = 0;
    try {
        Gathrix::ResultFileWriter writer(nullptr);
        writer.SetDirectory(folder);
        writer.Open(L"Eventlog.xml", L"stylesheet\\stylesheet.xslt", L"Bench", L"", L"", L"");
        Gathrix::EventlogInfo job(L"Application");
        job.writer = &writer;
        const double start = Seconds();
        job.Collect();
        writer.CloseDocument();
        seconds = Seconds() - start;
        parts = writer.GetPartNumber();
    } catch (const Gathrix::MessageException& failure) {
        std::fprintf(stderr, "failed: %ls\n", failure.GetMessageText().c_str());
        return 1;
    }
    const PROCESS_MEMORY_COUNTERS after = Memory();
    // Wine's own wevtapi.dll reads no event: without the stand-in this measured nothing.
    HMODULE standIn = GetModuleHandleW(L"wevtapi.dll");
    if (standIn != nullptr && GetProcAddress(standIn, "StandInOpenHandles") == nullptr) {
        std::fprintf(stderr, "wevtapi.dll is not the stand-in: set WINEDLLOVERRIDES=wevtapi=n\n");
        return 1;
    }

    std::printf("events %lu: %.2f s, %.0f events/s, %d result part(s), peak working set %.1f MB "
                "(start %.1f MB), peak private %.1f MB\n",
                count, seconds, seconds > 0 ? count / seconds : 0.0, parts, Megabytes(after.PeakWorkingSetSize),
                Megabytes(before.WorkingSetSize), Megabytes(after.PeakPagefileUsage));
    return 0;
}
