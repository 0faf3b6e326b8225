#pragma once
// The arithmetic under the plug-in signature check: the RSA public-key operation on a 2048-bit
// signature with the public exponent 65537, the unsigned multi-precision numbers it runs on, and
// SHA-256. Plain functions on caller-owned buffers; they neither log nor throw. All work memory
// is allocated per call, zero-filled, and wiped before it is freed: a signature check leaves no
// intermediate values behind in the heap.

#include <cstddef>
#include <cstdint>

namespace Gathrix::FileSignature {

// An unsigned integer of any length, least significant word first. `used` counts the significant
// words (the word at used - 1 is not 0; 0 for the value 0); `capacity` the words allocated.
struct BigNumber {
    std::uint32_t* words = nullptr;
    std::uint32_t used = 0;
    std::uint32_t capacity = 0;

    // A new number: one word of value 0. Null when memory runs out.
    static BigNumber* New();
    // Overwrites every allocated word with 0, frees the words and the number, clears `number`.
    static void Free(BigNumber*& number);
    // Grows the word array to at least n words (new words 0) without changing `used`; for n below
    // `used`, wipes the words from n up and sets `used` to n. Non-zero when memory runs out.
    static int Resize(BigNumber* number, std::uint32_t n);
    // Reads `length` bytes as a big-endian number; the number of words filled, 0 on failure.
    static std::uint32_t FromBigEndian(BigNumber* number, const unsigned char* bytes, std::uint32_t length);
    // The number of significant bytes; with `out`, the value right-aligned into `outLength`
    // bytes, most significant first, zeros in front, high bytes that do not fit dropped.
    static std::uint32_t ToBigEndian(const BigNumber* number, unsigned char* out, std::uint32_t outLength);
    // result = base^exponent mod modulus; 0 on failure (memory, or a modulus of 0).
    static int ModExp(BigNumber* result, BigNumber* base, BigNumber* exponent, BigNumber* modulus);

    // Word-level operations on arrays of n words, least significant first; products have 2n.
    static int ModExpWords(std::uint32_t* y, const std::uint32_t* x, const std::uint32_t* e, const std::uint32_t* m,
                           std::uint32_t n);
    static void MultiplyWords(std::uint32_t* w, const std::uint32_t* u, const std::uint32_t* v, std::uint32_t n);
    static void SquareWords(std::uint32_t* w, const std::uint32_t* x, std::uint32_t n);
    static std::uint32_t AddWords(std::uint32_t* w, const std::uint32_t* u, const std::uint32_t* v, std::uint32_t n);
    // Quotient (2n words) and remainder (n words) of u (2n words) by v (n words); -1 when v is 0.
    static int DivideWords(std::uint32_t* quotient, std::uint32_t* remainder, const std::uint32_t* u,
                           const std::uint32_t* v, std::uint32_t n);
    // Quotient of u (n words) by one word into q; returns the remainder.
    static std::uint32_t DivideByWord(std::uint32_t* q, const std::uint32_t* u, std::uint32_t divisor,
                                      std::uint32_t n);
    // (high, low) / divisor with the divisor's top bit set: 1 when the quotient overflows one
    // word, 0 otherwise, -1 (zero results) for a divisor without its top bit.
    static int DivideDoubleWord(std::uint32_t& quotient, std::uint32_t& remainder, std::uint32_t high,
                                std::uint32_t low, std::uint32_t divisor);
    // Knuth's test: q * v2 > r * 2^32 + u2.
    static bool QuotientTooBig(std::uint32_t q, std::uint32_t v2, std::uint32_t r, std::uint32_t u2);
    // Shift n words by `bits` (whole words first); return the bits shifted out (of the last word).
    static std::uint32_t ShiftLeftWords(std::uint32_t* w, std::uint32_t n, std::uint32_t bits);
    static std::uint32_t ShiftRightWords(std::uint32_t* w, std::uint32_t n, std::uint32_t bits);
    static void BytesToWords(std::uint32_t* words, std::uint32_t wordCount, const unsigned char* bytes,
                             std::uint32_t length);
    static void WordsToBytes(unsigned char* bytes, std::uint32_t length, const std::uint32_t* words,
                             std::uint32_t wordCount);
};

// block = signature^65537 mod modulus (256 bytes each, most significant first). The caller clears
// `block`; the result is written with as many bytes as it has significant bytes, from block[0]
// on (a value with leading zero bytes ends up shifted towards the start). Nothing is written
// when memory runs out or the modulus is 0.
void RsaVerify(const unsigned char signature[256], unsigned char block[256], const unsigned char modulus[256]);

// SHA-256 of FIPS 180-4, the digest written big-endian as the standard prints it.
void Sha256Digest(const unsigned char* data, std::uint32_t length, unsigned char digest[32]);
// The compression function, applied to each 64-byte block in turn.
void Sha256Transform(std::uint32_t state[8], const unsigned char* data, std::size_t blocks);

} // namespace Gathrix::FileSignature
