// The file-information job over a tree of small files: files per second and memory. The job
// holds the list of found paths and writes each file's element at once, so memory may grow per
// file by its path in that list, not by result elements (the result writer's split into parts
// bounds what the document holds).
//   files_fileinfos_bench TREE_FOLDER RESULT_FOLDER
#include "collector/collectors/files/FileInfos.h"
#include "collector/collectors/files/FindFiles.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"

#include "collector/collectors/files/bench/BenchClock.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

double Megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: files_fileinfos_bench TREE_FOLDER RESULT_FOLDER\n");
        return 1;
    }
    const std::wstring tree = argv[1];

    std::size_t files = 0, pathCharacters = 0;
    const PROCESS_MEMORY_COUNTERS before = Memory();
    double seconds = 0;
    int parts = 0;
    try {
        // The writer wants the stylesheet its files reference beside them.
        Gathrix::ResultFileWriter writer(nullptr);
        writer.SetDirectory(argv[2]);
        writer.Open(L"FileInfos.xml", L"stylesheet\\stylesheet.xslt", L"Bench", L"", L"", L"");
        Gathrix::FileInfos job(tree, L"*", true);
        job.writer = &writer;
        const double start = Gathrix::Bench::Seconds();
        job.Collect();
        writer.CloseDocument();
        seconds = Gathrix::Bench::Seconds() - start;
        parts = writer.GetPartNumber();
    } catch (const Gathrix::MessageException& failure) {
        std::fprintf(stderr, "failed: %ls\n", failure.GetMessageText().c_str());
        return 1;
    }
    const PROCESS_MEMORY_COUNTERS after = Memory();

    // The paths alone, as the job lists them before it reads the first file (measured after the
    // job, whose peak must not include this list).
    const PROCESS_MEMORY_COUNTERS beforeList = Memory();
    {
        auto found = Gathrix::FindFiles(tree, L"*", true);
        files = found.size();
        for (const auto& file : found)
            pathCharacters += file.GetPath().size();
        const PROCESS_MEMORY_COUNTERS withList = Memory();
        std::printf("list_bytes_per_file=%.0f\n",
                    files ? static_cast<double>(withList.WorkingSetSize - beforeList.WorkingSetSize) / files : 0.0);
    }
    std::printf("path_characters_per_file=%.0f\n", files ? static_cast<double>(pathCharacters) / files : 0.0);

    std::printf("files=%zu\n", files);
    std::printf("seconds=%.2f\n", seconds);
    std::printf("files_per_s=%.0f\n", files / seconds);
    std::printf("result_parts=%d\n", parts);
    // Under Wine the peak working set is the process's resident high-water mark; the private
    // byte counters are not kept as peaks there.
    std::printf("peak_working_set_mb_before_job=%.1f\n", Megabytes(before.PeakWorkingSetSize));
    std::printf("peak_working_set_mb=%.1f\n", Megabytes(after.PeakWorkingSetSize));
    std::printf("peak_growth_bytes_per_file=%.0f\n",
                files ? static_cast<double>(after.PeakWorkingSetSize - before.PeakWorkingSetSize) / files : 0.0);
    return files ? 0 : 2;
}
