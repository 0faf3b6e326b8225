// The digest of whole files against md5sum's, on files made at build time (Fixtures.cmake).
#include "collector/platform/Md5.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using namespace Gathrix::Testing;

namespace {

struct Expected {
    std::string digest;  // lower-case, as md5sum prints it
    std::wstring path;
};

std::wstring FixtureDir() { return BinaryDir() + L"\\fixtures\\files\\md5"; }

std::vector<Expected> ReadDigests() {
    std::vector<Expected> result;
    std::istringstream lines(ReadFileBytes(FixtureDir() + L"\\digests.txt"));
    std::string line;
    while (std::getline(lines, line)) {
        // "<32 hex digits>  <name>"
        if (line.size() < 35)
            continue;
        result.push_back({line.substr(0, 32), FixtureDir() + L"\\" + std::wstring(line.begin() + 34, line.end())});
    }
    return result;
}

} // namespace

TEST(Md5Files, MatchesMd5sumInAnyReadSize) {
    const auto expected = ReadDigests();
    ASSERT_GE(expected.size(), 10u) << "fixture digests missing in " << std::string(FixtureDir().begin(), FixtureDir().end());
    for (const auto& file : expected) {
        const std::string bytes = ReadFileBytes(file.path);
        for (std::size_t readSize : {1024u, 4096u, 65536u}) {
            Gathrix::Utils::Md5Context context;
            for (std::size_t at = 0; at < bytes.size(); at += readSize) {
                std::size_t n = std::min(readSize, bytes.size() - at);
                Gathrix::Utils::Md5Update(&context, reinterpret_cast<const unsigned char*>(bytes.data() + at),
                                          static_cast<std::uint32_t>(n));
            }
            unsigned char digest[16];
            Gathrix::Utils::Md5Final(digest, &context);
            EXPECT_EQ(file.digest, HexDigest(digest, 16))
                << std::string(file.path.begin(), file.path.end()) << " read in " << readSize;
        }
    }
}
