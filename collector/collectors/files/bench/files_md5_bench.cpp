// MD5 throughput: the digest of one file as the file properties compute it (1024-byte reads
// through the C runtime), and the digest routine alone over memory. run-md5-bench.sh compares the
// first with md5sum on the same file.
//   files_md5_bench FILE
#include "collector/collectors/files/FileProperties.h"
#include "collector/platform/Md5.h"

#include "collector/collectors/files/bench/BenchClock.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: files_md5_bench FILE\n");
        return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(argv[1], GetFileExInfoStandard, &data)) {
        std::fprintf(stderr, "cannot read the file's size\n");
        return 1;
    }
    const double megabytes =
        ((static_cast<double>(data.nFileSizeHigh) * 4294967296.0) + data.nFileSizeLow) / (1024.0 * 1024.0);

    double start = Gathrix::Bench::Seconds();
    Gathrix::FileProperties properties(argv[1], L"");
    double fileSeconds = Gathrix::Bench::Seconds() - start;
    std::wstring digest;
    for (const auto& [label, value] : properties.GetBasicProperties())
        if (label == L"MD5")
            digest = value;

    // The routine alone, on 256 MB of memory in 1024-byte pieces as the file reader feeds it.
    std::vector<unsigned char> block(1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 131 + 7);
    const int pieces = 256 * 1024;
    Gathrix::Utils::Md5Context context;
    start = Gathrix::Bench::Seconds();
    for (int i = 0; i < pieces; ++i)
        Gathrix::Utils::Md5Update(&context, block.data(), static_cast<std::uint32_t>(block.size()));
    unsigned char raw[16];
    Gathrix::Utils::Md5Final(raw, &context);
    double memorySeconds = Gathrix::Bench::Seconds() - start;

    std::printf("digest=%ls\n", digest.c_str());
    std::printf("file_megabytes=%.1f\n", megabytes);
    std::printf("file_seconds=%.3f\n", fileSeconds);
    std::printf("file_mb_per_s=%.1f\n", megabytes / fileSeconds);
    std::printf("memory_mb_per_s=%.1f\n", 256.0 / memorySeconds);
    return digest.empty() ? 2 : 0;
}
