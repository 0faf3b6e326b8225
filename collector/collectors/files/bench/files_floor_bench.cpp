// The least Win32 work a listing of file information needs, as the floor the file-information
// job is measured against: list the tree, open each file, read it in 1024-byte pieces, read its
// times, close it. Nothing is kept or written.
//   files_floor_bench TREE_FOLDER
#include "collector/collectors/files/bench/BenchClock.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Reads every file below the folder; returns how many there were. The checksum keeps the reads
// from being optimised away.
std::size_t ReadTree(const std::wstring& folder, unsigned& checksum) {
    std::size_t files = 0;
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (entry.cFileName[0] != L'.')
                folders.push_back(path);
            continue;
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        unsigned char block[1024];
        DWORD read = 0;
        while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0)
            checksum += block[0] + read;
        FILETIME created, accessed, written;
        if (GetFileTime(file, &created, &accessed, &written))
            checksum += written.dwLowDateTime;
        CloseHandle(file);
        ++files;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    for (const auto& below : folders)
        files += ReadTree(below, checksum);
    return files;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: files_floor_bench TREE_FOLDER\n");
        return 1;
    }
    unsigned checksum = 0;
    const double start = Gathrix::Bench::Seconds();
    const std::size_t files = ReadTree(argv[1], checksum);
    const double seconds = Gathrix::Bench::Seconds() - start;
    std::printf("files=%zu\n", files);
    std::printf("seconds=%.2f\n", seconds);
    std::printf("files_per_s=%.0f\n", files / seconds);
    std::printf("checksum=%u\n", checksum);
    return files ? 0 : 2;
}
