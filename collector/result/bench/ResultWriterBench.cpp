// Writes N tree elements (jobs of 1000 leaves, the shape of a large file listing) through the
// result file writer into a scratch "data" folder and reports the rate and the peak memory at
// checkpoints: the memory must stay flat as the count grows, since only one part is held.

#include "collector/result/JobModel.h"
#include "collector/result/NavigationWriter.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Text.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Private bytes, sampled after every job: the highest value seen so far.
double PeakMegabytes() {
    static SIZE_T peak = 0;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    if (counters.PagefileUsage > peak)
        peak = counters.PagefileUsage;
    return static_cast<double>(peak) / (1024.0 * 1024.0);
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

// Writes `total` tree elements through one result file writer into `data` and returns the
// seconds it took, closing included. With `split` the jobs lie where the writer cuts files into
// parts (below "Tree"); without it the same jobs lie two levels deeper, where it never cuts, and
// everything goes into one file. Checkpoints are printed for the run with splits.
double WriteTreeElements(const std::wstring& data, long total, bool split) {
    Gathrix::NavigationWriter navigation(data);
    Gathrix::ResultFileWriter writer(split ? &navigation : nullptr);
    writer.SetDirectory(data);
    const std::wstring name = split ? L"Bench_Files_Split.xml" : L"Bench_Files_Whole.xml";
    navigation.AddEntry(L"Bench", L"Files", split ? L"Split" : L"Whole", L"", name);
    writer.Open(name, L"stylesheet\\stylesheet.xslt", L"Bench", L"Files", split ? L"Split" : L"Whole", L"");
    writer.OpenNode(L"Tree");
    if (!split) {
        writer.OpenNode(L"TreeElement");
        writer.OpenNode(L"TreeElement");
    }

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    long written = 0;
    long nextCheckpoint = total / 10 > 0 ? total / 10 : total;
    for (int job = 0; written < total; ++job) {
        Gathrix::TreeElementGroup group(L"C:\\Data\\Folder " + std::to_wstring(job), L"fileinfo", true);
        for (int leaf = 0; leaf < 1000 && written + 1 + leaf < total; ++leaf)
            group.AddJobItem(new Gathrix::TreeElementLeaf(L"file " + std::to_wstring(leaf) + L".log  12,345 bytes",
                                                          L"fileinfo"));
        group.writer = &writer;
        group.Collect();
        written += 1 + group.GetJobItemCount();
        const double peak = PeakMegabytes();
        if (split && (written >= nextCheckpoint || written >= total)) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            const double seconds = Seconds(start, now);
            std::printf("%13ld  %7.2f  %15.0f  %5d  %7.1f\n", written, seconds, written / seconds,
                        writer.GetPartNumber(), peak);
            std::fflush(stdout);
            nextCheckpoint += total / 10 > 0 ? total / 10 : total;
        }
    }
    if (!split) {
        writer.CloseNode();
        writer.CloseNode();
    }
    writer.CloseNode();
    writer.CloseDocument();
    if (split)
        navigation.Write();
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const long total = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 1000000;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"gathrix_result_bench_" + std::to_wstring(GetCurrentProcessId());
    const std::wstring data = root + L"\\data";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    CreateDirectoryW((data + L"\\stylesheet").c_str(), nullptr);
    HANDLE sheet = CreateFileW((data + L"\\stylesheet\\stylesheet.xslt").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
    CloseHandle(sheet);

    int status = 0;
    try {
        std::printf("with splits:\ntree elements  seconds  tree elements/s  parts  peak private MB\n");
        const double withSplits = WriteTreeElements(data, total, true);
        // The whole file is held in memory until it is saved: this run comes second, so that the
        // peak above is the split run's own.
        const double withoutSplits = WriteTreeElements(data, total, false);
        std::printf("%ld tree elements: with splits %.2f s (%.0f/s), without splits %.2f s (%.0f/s), ratio %.2f\n",
                    total, withSplits, total / withSplits, withoutSplits, total / withoutSplits,
                    withSplits / withoutSplits);
    } catch (const Gathrix::MessageException& e) {
        std::printf("failed: %s\n", Gathrix::Utils::ToUtf8(e.GetMessageText()).c_str());
        status = 1;
    }
    RemoveTree(root);
    return status;
}
