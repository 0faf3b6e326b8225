#include "collector/platform/Md5.h"

#include <cstring>

namespace Gathrix::Utils {

namespace {

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (z & (x ^ y)); }
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

#define GATHRIX_MD5_STEP(f, a, b, c, d, x, s, ac) \
    (a) += f((b), (c), (d)) + (x) + (ac);         \
    (a) = RotateLeft((a), (s)) + (b)

// The block's sixteen words are little-endian whatever the machine; decode them byte by byte.
inline std::uint32_t LoadLittleEndian(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline void StoreLittleEndian(unsigned char* p, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

} // namespace

void Md5Transform(Md5Context* context, const unsigned char block[64]) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLittleEndian(block + 4 * i);

    std::uint32_t a = context->state[0], b = context->state[1], c = context->state[2], d = context->state[3];

    GATHRIX_MD5_STEP(F, a, b, c, d, x[0], 7, 0xd76aa478u);
    GATHRIX_MD5_STEP(F, d, a, b, c, x[1], 12, 0xe8c7b756u);
    GATHRIX_MD5_STEP(F, c, d, a, b, x[2], 17, 0x242070dbu);
    GATHRIX_MD5_STEP(F, b, c, d, a, x[3], 22, 0xc1bdceeeu);
    GATHRIX_MD5_STEP(F, a, b, c, d, x[4], 7, 0xf57c0fafu);
    GATHRIX_MD5_STEP(F, d, a, b, c, x[5], 12, 0x4787c62au);
    GATHRIX_MD5_STEP(F, c, d, a, b, x[6], 17, 0xa8304613u);
    GATHRIX_MD5_STEP(F, b, c, d, a, x[7], 22, 0xfd469501u);
    GATHRIX_MD5_STEP(F, a, b, c, d, x[8], 7, 0x698098d8u);
    GATHRIX_MD5_STEP(F, d, a, b, c, x[9], 12, 0x8b44f7afu);
    GATHRIX_MD5_STEP(F, c, d, a, b, x[10], 17, 0xffff5bb1u);
    GATHRIX_MD5_STEP(F, b, c, d, a, x[11], 22, 0x895cd7beu);
    GATHRIX_MD5_STEP(F, a, b, c, d, x[12], 7, 0x6b901122u);
    GATHRIX_MD5_STEP(F, d, a, b, c, x[13], 12, 0xfd987193u);
    GATHRIX_MD5_STEP(F, c, d, a, b, x[14], 17, 0xa679438eu);
    GATHRIX_MD5_STEP(F, b, c, d, a, x[15], 22, 0x49b40821u);

    GATHRIX_MD5_STEP(G, a, b, c, d, x[1], 5, 0xf61e2562u);
    GATHRIX_MD5_STEP(G, d, a, b, c, x[6], 9, 0xc040b340u);
    GATHRIX_MD5_STEP(G, c, d, a, b, x[11], 14, 0x265e5a51u);
    GATHRIX_MD5_STEP(G, b, c, d, a, x[0], 20, 0xe9b6c7aau);
    GATHRIX_MD5_STEP(G, a, b, c, d, x[5], 5, 0xd62f105du);
    GATHRIX_MD5_STEP(G, d, a, b, c, x[10], 9, 0x02441453u);
    GATHRIX_MD5_STEP(G, c, d, a, b, x[15], 14, 0xd8a1e681u);
    GATHRIX_MD5_STEP(G, b, c, d, a, x[4], 20, 0xe7d3fbc8u);
    GATHRIX_MD5_STEP(G, a, b, c, d, x[9], 5, 0x21e1cde6u);
    GATHRIX_MD5_STEP(G, d, a, b, c, x[14], 9, 0xc33707d6u);
    GATHRIX_MD5_STEP(G, c, d, a, b, x[3], 14, 0xf4d50d87u);
    GATHRIX_MD5_STEP(G, b, c, d, a, x[8], 20, 0x455a14edu);
    GATHRIX_MD5_STEP(G, a, b, c, d, x[13], 5, 0xa9e3e905u);
    GATHRIX_MD5_STEP(G, d, a, b, c, x[2], 9, 0xfcefa3f8u);
    GATHRIX_MD5_STEP(G, c, d, a, b, x[7], 14, 0x676f02d9u);
    GATHRIX_MD5_STEP(G, b, c, d, a, x[12], 20, 0x8d2a4c8au);

    GATHRIX_MD5_STEP(H, a, b, c, d, x[5], 4, 0xfffa3942u);
    GATHRIX_MD5_STEP(H, d, a, b, c, x[8], 11, 0x8771f681u);
    GATHRIX_MD5_STEP(H, c, d, a, b, x[11], 16, 0x6d9d6122u);
    GATHRIX_MD5_STEP(H, b, c, d, a, x[14], 23, 0xfde5380cu);
    GATHRIX_MD5_STEP(H, a, b, c, d, x[1], 4, 0xa4beea44u);
    GATHRIX_MD5_STEP(H, d, a, b, c, x[4], 11, 0x4bdecfa9u);
    GATHRIX_MD5_STEP(H, c, d, a, b, x[7], 16, 0xf6bb4b60u);
    GATHRIX_MD5_STEP(H, b, c, d, a, x[10], 23, 0xbebfbc70u);
    GATHRIX_MD5_STEP(H, a, b, c, d, x[13], 4, 0x289b7ec6u);
    GATHRIX_MD5_STEP(H, d, a, b, c, x[0], 11, 0xeaa127fau);
    GATHRIX_MD5_STEP(H, c, d, a, b, x[3], 16, 0xd4ef3085u);
    GATHRIX_MD5_STEP(H, b, c, d, a, x[6], 23, 0x04881d05u);
    GATHRIX_MD5_STEP(H, a, b, c, d, x[9], 4, 0xd9d4d039u);
    GATHRIX_MD5_STEP(H, d, a, b, c, x[12], 11, 0xe6db99e5u);
    GATHRIX_MD5_STEP(H, c, d, a, b, x[15], 16, 0x1fa27cf8u);
    GATHRIX_MD5_STEP(H, b, c, d, a, x[2], 23, 0xc4ac5665u);

    GATHRIX_MD5_STEP(I, a, b, c, d, x[0], 6, 0xf4292244u);
    GATHRIX_MD5_STEP(I, d, a, b, c, x[7], 10, 0x432aff97u);
    GATHRIX_MD5_STEP(I, c, d, a, b, x[14], 15, 0xab9423a7u);
    GATHRIX_MD5_STEP(I, b, c, d, a, x[5], 21, 0xfc93a039u);
    GATHRIX_MD5_STEP(I, a, b, c, d, x[12], 6, 0x655b59c3u);
    GATHRIX_MD5_STEP(I, d, a, b, c, x[3], 10, 0x8f0ccc92u);
    GATHRIX_MD5_STEP(I, c, d, a, b, x[10], 15, 0xffeff47du);
    GATHRIX_MD5_STEP(I, b, c, d, a, x[1], 21, 0x85845dd1u);
    GATHRIX_MD5_STEP(I, a, b, c, d, x[8], 6, 0x6fa87e4fu);
    GATHRIX_MD5_STEP(I, d, a, b, c, x[15], 10, 0xfe2ce6e0u);
    GATHRIX_MD5_STEP(I, c, d, a, b, x[6], 15, 0xa3014314u);
    GATHRIX_MD5_STEP(I, b, c, d, a, x[13], 21, 0x4e0811a1u);
    GATHRIX_MD5_STEP(I, a, b, c, d, x[4], 6, 0xf7537e82u);
    GATHRIX_MD5_STEP(I, d, a, b, c, x[11], 10, 0xbd3af235u);
    GATHRIX_MD5_STEP(I, c, d, a, b, x[2], 15, 0x2ad7d2bbu);
    GATHRIX_MD5_STEP(I, b, c, d, a, x[9], 21, 0xeb86d391u);

    context->state[0] += a;
    context->state[1] += b;
    context->state[2] += c;
    context->state[3] += d;

}

#undef GATHRIX_MD5_STEP

void Md5Update(Md5Context* context, const unsigned char* input, std::uint32_t length) {
    std::uint32_t index = (context->count[0] >> 3) & 0x3F;

    // The bit count is a 64-bit number kept in two words; a length of 2^29 bytes or more
    // carries into the high word by its top three bits.
    std::uint32_t addedBits = length << 3;
    context->count[0] += addedBits;
    if (context->count[0] < addedBits)
        ++context->count[1];
    context->count[1] += length >> 29;

    std::uint32_t partLength = 64 - index;
    std::uint32_t i = 0;
    if (length >= partLength) {
        std::memcpy(&context->buffer[index], input, partLength);
        Md5Transform(context, context->buffer);
        for (i = partLength; i + 63 < length; i += 64)
            Md5Transform(context, &input[i]);
        index = 0;
    }
    if (length > i)
        std::memcpy(&context->buffer[index], &input[i], length - i);
}

void Md5Final(unsigned char digest[16], Md5Context* context) {
    static const unsigned char padding[64] = {0x80};

    unsigned char bits[8];
    StoreLittleEndian(bits, context->count[0]);
    StoreLittleEndian(bits + 4, context->count[1]);

    // Pad to 56 bytes modulo 64, then append the length as it was before padding.
    std::uint32_t index = (context->count[0] >> 3) & 0x3F;
    std::uint32_t padLength = (index < 56) ? (56 - index) : (120 - index);
    Md5Update(context, padding, padLength);
    Md5Update(context, bits, 8);

    for (int i = 0; i < 4; ++i)
        StoreLittleEndian(digest + 4 * i, context->state[i]);

    std::memset(static_cast<void*>(context), 0, sizeof *context);
}

} // namespace Gathrix::Utils
