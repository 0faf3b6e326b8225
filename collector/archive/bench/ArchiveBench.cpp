// Packs a generated working folder (logs and result XML, as a run leaves them) through 7z.dll,
// the way the collector does, and prints the time and the archive size. run-bench.sh runs it and
// then the 7z command line on the same folder at its default settings (the settings the collector
// leaves to the library), and prints both with their ratios.
//
//   archive_bench [SIZE_MB] [FOLDER]
//     SIZE_MB    size of the working folder (default 100)
//     FOLDER     scratch folder, a Windows path (default Z:\tmp\gathrix-archive-bench)

#include "collector/archive/ArchivePacking.h"
#include "common/Handles.h"

#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void WriteAll(const std::wstring& path, const std::string& text) {
    Gathrix::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(1);
    }
}

// Text log lines and result-file XML much like a run writes them: timestamps, levels, paths,
// versions and digests, so the data compresses like the real thing.
std::string LogText(std::mt19937& random, size_t bytes) {
    static const char* levels[] = {"DEBUG]      ", "INFO]       ", "WARNING]    ", "ERROR]      "};
    static const char* words[] = {"opened", "read", "file", "registry key", "value", "not found", "service",
                                  "driver", "process", "module", "C:\\Windows\\System32", "HKLM\\SOFTWARE"};
    std::string text;
    char line[256];
    while (text.size() < bytes) {
        std::snprintf(line, sizeof line, "12/%02u/2026 %02u:%02u:%02u (UTC)\t[%s%s %s %u %s 0x%08X\r\n",
                      static_cast<unsigned>(random() % 28 + 1), static_cast<unsigned>(random() % 24),
                      static_cast<unsigned>(random() % 60), static_cast<unsigned>(random() % 60), levels[random() % 4],
                      words[random() % 12], words[random() % 12], static_cast<unsigned>(random() % 100000),
                      words[random() % 12], static_cast<unsigned>(random()));
        text += line;
    }
    return text;
}

std::string XmlText(std::mt19937& random, size_t bytes) {
    std::string text = "<?xml version=\"1.0\" ?>\n<GathrixResult>\n    <ResultSet>\n        <Tree>\n";
    char element[768];
    while (text.size() < bytes) {
        unsigned id = static_cast<unsigned>(random());
        std::snprintf(element, sizeof element,
                      "            <TreeElement showNumOfChildren=\"true\" type=\"fileinfo\">\n"
                      "                <Value>C:\\Program Files\\Vendor%u\\bin\\module%u.dll</Value>\n"
                      "                <TreeElement showNumOfChildren=\"false\" type=\"version\">\n"
                      "                    <Value>file version %u.%u.%u.%u</Value>\n"
                      "                </TreeElement>\n"
                      "                <TreeElement showNumOfChildren=\"false\" type=\"md5\">\n"
                      "                    <Value>MD5 %08X%08X%08X%08X</Value>\n"
                      "                </TreeElement>\n"
                      "                <TreeElement showNumOfChildren=\"false\" type=\"date\">\n"
                      "                    <Value>date last modified %u/%u/20%02u %u:%02u:%02u</Value>\n"
                      "                </TreeElement>\n"
                      "            </TreeElement>\n",
                      id % 50, id % 3000, id % 12, id % 7, id % 9000, id % 100, static_cast<unsigned>(random()),
                      static_cast<unsigned>(random()), static_cast<unsigned>(random()), static_cast<unsigned>(random()),
                      id % 12 + 1, id % 28 + 1, id % 26, id % 24, id % 60, (id >> 8) % 60);
        text += element;
    }
    return text + "        </Tree>\n    </ResultSet>\n</GathrixResult>\n";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    unsigned sizeMb = argc > 1 ? static_cast<unsigned>(_wtoi(argv[1])) : 100;
    std::wstring root = argc > 2 ? argv[2] : L"Z:\\tmp\\gathrix-archive-bench";
    if (sizeMb == 0) {
        std::fprintf(stderr, "usage: archive_bench [SIZE_MB] [FOLDER]\n");
        return 1;
    }

    std::wstring work = root + L"\\GATHRINF";
    std::wstring libraryArchive = root + L"\\GATHRINF.7z";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(work.c_str(), nullptr);
    CreateDirectoryW((work + L"\\data").c_str(), nullptr);
    DeleteFileW(libraryArchive.c_str());

    // Half logs, half result files, in files of 2 MB.
    double generationStart = Now();
    std::mt19937 random(4711);
    const size_t fileBytes = 2u * 1024u * 1024u;
    size_t files = (static_cast<size_t>(sizeMb) * 1024u * 1024u) / fileBytes;
    std::uint64_t total = 0;
    for (size_t i = 0; i < files; ++i) {
        std::string text = i % 2 ? LogText(random, fileBytes) : XmlText(random, fileBytes);
        std::wstring name = work + L"\\data\\" + (i % 2 ? L"logfile_" : L"Result_") + std::to_wstring(i) +
                            (i % 2 ? L".log" : L".xml");
        WriteAll(name, text);
        total += text.size();
    }
    std::printf("working folder: %zu files, %.1f MB, written in %.1f s\n", files, static_cast<double>(total) / 1048576.0,
                Now() - generationStart);

    double start = Now();
    if (!Gathrix::Utilities::ArchiveFolder(work, libraryArchive)) {
        std::fprintf(stderr, "packing through 7z.dll failed\n");
        return 1;
    }
    double libraryTime = Now() - start;
    std::uint64_t librarySize = FileSize(libraryArchive);

    std::printf("library_seconds=%.3f\n", libraryTime);
    std::printf("library_bytes=%llu\n", static_cast<unsigned long long>(librarySize));
    return 0;
}
