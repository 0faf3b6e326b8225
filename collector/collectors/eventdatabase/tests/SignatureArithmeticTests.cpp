// RSA and SHA-256 against values that python's pow() and hashlib computed at build time
// (signing/make_fixtures.py writes vectors/), and the number operations' edge cases.
#include "collector/collectors/eventdatabase/SignatureArithmetic.h"
#include "collector/collectors/eventdatabase/tests/PluginTestSupport.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace Gathrix::FileSignature {
namespace {

std::vector<unsigned char> FromHex(const std::string& text) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<std::string> Lines(const std::wstring& path) {
    std::istringstream in(Testing::ReadFileBytes(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

TEST(SignatureArithmetic, Sha256MatchesHashlibAroundThePaddingBoundaries) {
    const auto lines = Lines(Testing::PluginFixture(L"vectors\\sha256.txt"));
    ASSERT_GE(lines.size(), 10u);
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        std::uint32_t length = 0;
        std::string expected;
        fields >> length >> expected;
        std::vector<unsigned char> data(length);
        for (std::uint32_t i = 0; i < length; ++i)
            data[i] = static_cast<unsigned char>(i * 31 + 7);
        unsigned char digest[32];
        Sha256Digest(data.data(), length, digest);
        EXPECT_EQ(expected, Testing::HexDigest(digest, 32)) << "length " << length;
    }
    // FIPS 180-4's first example.
    unsigned char digest[32];
    Sha256Digest(reinterpret_cast<const unsigned char*>("abc"), 3, digest);
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Testing::HexDigest(digest, 32));
}

TEST(SignatureArithmetic, RsaVerifyMatchesPowAndShiftsLeadingZerosToTheFront) {
    const auto lines = Lines(Testing::PluginFixture(L"vectors\\rsa.txt"));
    ASSERT_GE(lines.size(), 6u);
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        std::string signatureHex, modulusHex, valueHex;
        fields >> signatureHex >> modulusHex >> valueHex;
        const auto signature = FromHex(signatureHex);
        const auto modulus = FromHex(modulusHex);
        const auto value = FromHex(valueHex);
        ASSERT_EQ(256u, signature.size());
        // The value's significant bytes from the first byte of the block on, zeros behind.
        size_t leading = 0;
        while (leading < value.size() && value[leading] == 0)
            ++leading;
        std::vector<unsigned char> expected(value.begin() + leading, value.end());
        expected.resize(256, 0);
        unsigned char block[256] = {};
        RsaVerify(signature.data(), block, modulus.data());
        EXPECT_EQ(Testing::HexDigest(expected.data(), 256), Testing::HexDigest(block, 256)) << "value " << valueHex;
    }
    // A modulus of zeros (the shipped build without the maker's keys) verifies nothing.
    const auto signature = FromHex(Lines(Testing::PluginFixture(L"vectors\\rsa.txt"))[0].substr(0, 512));
    unsigned char zeros[256] = {};
    unsigned char block[256] = {};
    RsaVerify(signature.data(), block, zeros);
    EXPECT_EQ(std::vector<unsigned char>(256, 0), std::vector<unsigned char>(block, block + 256));
}

TEST(SignatureArithmetic, NumberEdgeCases) {
    // 256 zero bytes: used 0, and 0 significant bytes.
    BigNumber* number = BigNumber::New();
    ASSERT_NE(nullptr, number);
    const std::vector<unsigned char> zeros(256, 0);
    EXPECT_EQ(64u, BigNumber::FromBigEndian(number, zeros.data(), 256));
    EXPECT_EQ(0u, number->used);
    EXPECT_EQ(0u, BigNumber::ToBigEndian(number, nullptr, 0));
    const unsigned char bytes[5] = {0x00, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(2u, BigNumber::FromBigEndian(number, bytes, 5));
    EXPECT_EQ(1u, number->used);  // 0x01020304: the leading zero byte makes no word
    EXPECT_EQ(4u, BigNumber::ToBigEndian(number, nullptr, 0));
    unsigned char out[6];
    BigNumber::ToBigEndian(number, out, 6);
    EXPECT_EQ("000001020304", Testing::HexDigest(out, 6));
    BigNumber::Free(number);
    EXPECT_EQ(nullptr, number);

    // DivideWords: u < v gives the remainder u; u = v quotient 1; and a division of three
    // words by two whose quotient and remainder give u back.
    const std::uint32_t n = 2;
    std::uint32_t q[4], r[2];
    const std::uint32_t small[4] = {5, 1, 0, 0}, divisor[2] = {7, 2};
    EXPECT_EQ(0, BigNumber::DivideWords(q, r, small, divisor, n));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 0}), std::vector<std::uint32_t>(q, q + 4));
    EXPECT_EQ((std::vector<std::uint32_t>{5, 1}), std::vector<std::uint32_t>(r, r + 2));
    const std::uint32_t same[4] = {7, 2, 0, 0};
    EXPECT_EQ(0, BigNumber::DivideWords(q, r, same, divisor, n));
    EXPECT_EQ((std::vector<std::uint32_t>{1, 0, 0, 0}), std::vector<std::uint32_t>(q, q + 4));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0}), std::vector<std::uint32_t>(r, r + 2));
    const std::uint32_t zero[2] = {0, 0};
    EXPECT_EQ(-1, BigNumber::DivideWords(q, r, same, zero, n));
    // (2^96 - 1) / (2^32 + 0xFFFFFFFF... ): checked by multiplying back.
    const std::uint32_t big[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x00000001u};
    const std::uint32_t v[2] = {0x00000001u, 0x80000001u};
    ASSERT_EQ(0, BigNumber::DivideWords(q, r, big, v, n));
    // q * v + r must give u back.
    std::uint32_t product[4];
    const std::uint32_t qLow[2] = {q[0], q[1]};
    BigNumber::MultiplyWords(product, qLow, v, n);
    const std::uint32_t rWide[4] = {r[0], r[1], 0, 0};
    BigNumber::AddWords(product, product, rWide, 4);
    EXPECT_EQ((std::vector<std::uint32_t>(big, big + 4)), std::vector<std::uint32_t>(product, product + 4));
    EXPECT_TRUE(r[1] < v[1] || (r[1] == v[1] && r[0] < v[0]));
}

TEST(SignatureArithmetic, DivisionAddsBackWhenTheEstimatedDigitIsOneTooLarge) {
    // 0x7fff8000 00000000 00000000 00000000 / 0x80000000 00000000 00000001: the two top words
    // estimate the digit 0xffff0000, which the second divisor word does not lower; subtracting
    // that multiple goes below zero, so the divisor is added back once. Quotient and remainder
    // as python's divmod computes them.
    const std::uint32_t n = 3;
    const std::uint32_t u[6] = {0, 0, 0, 0x7fff8000u, 0, 0};
    const std::uint32_t v[3] = {0x00000001u, 0, 0x80000000u};
    std::uint32_t q[6], r[3];
    ASSERT_EQ(0, BigNumber::DivideWords(q, r, u, v, n));
    EXPECT_EQ((std::vector<std::uint32_t>{0xfffeffffu, 0, 0, 0, 0, 0}), std::vector<std::uint32_t>(q, q + 6));
    EXPECT_EQ((std::vector<std::uint32_t>{0x00010001u, 0xffffffffu, 0x7fffffffu}), std::vector<std::uint32_t>(r, r + 3));
}

} // namespace
} // namespace Gathrix::FileSignature
