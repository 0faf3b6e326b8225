#include "collector/platform/Md5.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using Gathrix::Utils::Md5Context;
using Gathrix::Utils::Md5Final;
using Gathrix::Utils::Md5Update;
using Gathrix::Testing::HexDigest;

namespace {

// Feeds `bytes` in pieces of `pieceSize` (0: in one call).
std::string Digest(const std::string& bytes, std::size_t pieceSize = 0) {
    Md5Context context;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (pieceSize == 0) {
        Md5Update(&context, data, static_cast<std::uint32_t>(bytes.size()));
    } else {
        for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
            std::size_t n = std::min(pieceSize, bytes.size() - at);
            Md5Update(&context, data + at, static_cast<std::uint32_t>(n));
        }
    }
    unsigned char digest[16];
    Md5Final(digest, &context);
    return HexDigest(digest, 16);
}

} // namespace

TEST(Md5, Rfc1321TestSuite) {
    struct Case {
        const char* text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.digest, Digest(c.text)) << '"' << c.text << '"';
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigest) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += static_cast<char>((i * 7919) & 0xFF);
    const std::string whole = Digest(bytes);
    for (std::size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 999u})
        EXPECT_EQ(whole, Digest(bytes, piece)) << "pieces of " << piece;
}

TEST(Md5, ZeroLengthUpdatesChangeNothing) {
    Md5Context context;
    const unsigned char abc[] = {'a', 'b', 'c'};
    Md5Update(&context, abc, 0);
    Md5Update(&context, abc, 3);
    Md5Update(&context, nullptr, 0);
    unsigned char digest[16];
    Md5Final(digest, &context);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", HexDigest(digest, 16));
}

TEST(Md5, FinalWipesTheContext) {
    Md5Context context;
    const unsigned char some[] = "some bytes that stay in the buffer";
    Md5Update(&context, some, sizeof some - 1);
    unsigned char digest[16];
    Md5Final(digest, &context);
    const auto* raw = reinterpret_cast<const unsigned char*>(&context);
    EXPECT_EQ(std::vector<unsigned char>(sizeof context, 0), std::vector<unsigned char>(raw, raw + sizeof context));
}
