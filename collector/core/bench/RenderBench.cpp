// The render of one report page, timed: in this process through the renderer's own transform
// (load, hand in the navigation, transform, write), and as the collector does it, in a child
// process started for the one page.
//   render_bench.exe WORKING_FOLDER PAGE REPEATS COLLECTOR_EXE
// WORKING_FOLDER holds data\ with the page, Navigation.xml, Logfile.xml and data\stylesheet\ (the
// report viewer's files are written there first). Prints the times in milliseconds as key=value.
#include "collector/core/PageTransform.h"
#include "collector/core/ReportRenderer.h"
#include "collector/core/ReportViewer.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// CPU time of this process (user and kernel), in milliseconds: on a loaded machine the wall time
// says more about the machine than about the code.
double Cpu() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int wmain(int argumentCount, wchar_t** arguments) {
    if (argumentCount != 5) {
        std::fprintf(stderr, "usage: render_bench WORKING_FOLDER PAGE REPEATS COLLECTOR_EXE\n");
        return 1;
    }
    const std::wstring working = arguments[1];
    const std::wstring page = arguments[2];
    const int repeats = _wtoi(arguments[3]);
    const std::wstring data = working + L"\\data";
    SetCurrentDirectoryW(working.c_str());
    Gathrix::ExtractReportViewerResources();
    const std::wstring html = page.substr(0, page.size() - 4) + L".html";

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::vector<double> inProcess, inProcessCpu;
    try {
        double start = Now();
        Gathrix::PageTransform transform(data);
        std::printf("setup_ms=%.1f\n", Now() - start);
        for (int i = 0; i < repeats; ++i) {
            start = Now();
            const double cpu = Cpu();
            auto loaded = transform.LoadPage(page);
            const double loadedCpu = Cpu();
            transform.Render(*loaded, html);
            inProcess.push_back(Now() - start);
            inProcessCpu.push_back(Cpu() - cpu);
            std::printf("run %d: CPU %.0f ms for the load, %.0f ms for the transform and the write\n", i + 1,
                        loadedCpu - cpu, Cpu() - loadedCpu);
        }
    } catch (const Gathrix::RenderFailure& failure) {
        std::fprintf(stderr, "render failed: %ls\n", failure.reason.c_str());
        return 2;
    }
    CoUninitialize();
    std::printf("page_ms=%.1f\n", Median(inProcess));
    std::printf("page_cpu_ms=%.1f\n", Median(inProcessCpu));

    std::vector<double> child;
    Gathrix::ReportRenderOptions options;
    options.program = arguments[4];
    for (int i = 0; i < repeats; ++i) {
        const double start = Now();
        const Gathrix::ReportRenderSummary summary =
            Gathrix::RenderReportPages(data, {{page, 0}}, nullptr, options);
        child.push_back(Now() - start);
        if (summary.rendered != 1) {
            std::fprintf(stderr, "the child did not render the page\n");
            return 3;
        }
    }
    std::printf("child_ms=%.1f\n", Median(child));
    return 0;
}
