#include "collector/collectors/eventdatabase/SignatureArithmetic.h"

#include <cstdlib>
#include <cstring>

namespace Gathrix::FileSignature {

namespace {

using Word = std::uint32_t;
using Wide = std::uint64_t;

// Zero-filled work memory; wiped before it is freed, so no value of a check stays in the heap.
Word* AllocateWords(std::uint32_t count) {
    return static_cast<Word*>(std::calloc(count == 0 ? 1 : count, sizeof(Word)));
}

void WipeAndFree(Word*& words, std::uint32_t count) {
    if (words == nullptr)
        return;
    volatile Word* wipe = words;
    for (std::uint32_t i = 0; i < count; ++i)
        wipe[i] = 0;
    std::free(words);
    words = nullptr;
}

std::uint32_t SignificantWords(const Word* words, std::uint32_t n) {
    while (n > 0 && words[n - 1] == 0)
        --n;
    return n;
}

unsigned LeadingZeroBits(Word word) {
    unsigned count = 0;
    for (Word bit = 0x80000000u; bit != 0 && (word & bit) == 0; bit >>= 1)
        ++count;
    return count;
}

// w[0..n) -= v[0..n) * q, w has n + 1 words; returns whether the subtraction borrowed.
bool MultiplySubtract(Word* w, const Word* v, Word q, std::uint32_t n) {
    Wide carry = 0;
    std::int64_t borrow = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const Wide product = Wide(q) * v[i] + carry;
        carry = product >> 32;
        const std::int64_t difference = std::int64_t(w[i]) - std::int64_t(product & 0xFFFFFFFFu) + borrow;
        w[i] = static_cast<Word>(difference);
        borrow = difference >> 32;
    }
    const std::int64_t difference = std::int64_t(w[n]) - std::int64_t(carry) + borrow;
    w[n] = static_cast<Word>(difference);
    return difference < 0;
}

} // namespace

// ------------------------------------------------------------------ number level

BigNumber* BigNumber::New() {
    auto* number = static_cast<BigNumber*>(std::calloc(1, sizeof(BigNumber)));
    if (number == nullptr)
        return nullptr;
    number->words = AllocateWords(1);
    if (number->words == nullptr) {
        std::free(number);
        return nullptr;
    }
    number->capacity = 1;
    return number;
}

void BigNumber::Free(BigNumber*& number) {
    if (number == nullptr)
        return;
    WipeAndFree(number->words, number->capacity);
    std::free(number);
    number = nullptr;
}

int BigNumber::Resize(BigNumber* number, std::uint32_t n) {
    if (n < number->used) {
        for (std::uint32_t i = n; i < number->used; ++i)
            number->words[i] = 0;
        number->used = n;
        return 0;
    }
    if (n <= number->capacity)
        return 0;
    Word* grown = AllocateWords(n);
    if (grown == nullptr)
        return 1;
    std::memcpy(grown, number->words, number->capacity * sizeof(Word));
    WipeAndFree(number->words, number->capacity);
    number->words = grown;
    number->capacity = n;
    return 0;
}

void BigNumber::BytesToWords(Word* words, std::uint32_t wordCount, const unsigned char* bytes, std::uint32_t length) {
    for (std::uint32_t i = 0; i < wordCount; ++i)
        words[i] = 0;
    // The last byte is the low byte of word 0.
    for (std::uint32_t i = 0; i < length && i / 4 < wordCount; ++i)
        words[i / 4] |= Word(bytes[length - 1 - i]) << (8 * (i % 4));
}

void BigNumber::WordsToBytes(unsigned char* bytes, std::uint32_t length, const Word* words, std::uint32_t wordCount) {
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t word = i / 4;
        bytes[length - 1 - i] = word < wordCount ? static_cast<unsigned char>(words[word] >> (8 * (i % 4))) : 0;
    }
}

std::uint32_t BigNumber::FromBigEndian(BigNumber* number, const unsigned char* bytes, std::uint32_t length) {
    const std::uint32_t wordCount = (length + 3) / 4;
    if (wordCount == 0 || Resize(number, wordCount) != 0)
        return 0;
    BytesToWords(number->words, number->capacity, bytes, length);
    number->used = SignificantWords(number->words, number->capacity);
    return wordCount;
}

std::uint32_t BigNumber::ToBigEndian(const BigNumber* number, unsigned char* out, std::uint32_t outLength) {
    std::uint32_t significant = 0;
    if (number->used > 0) {
        const Word top = number->words[number->used - 1];
        const unsigned topBits = 32 - LeadingZeroBits(top);
        significant = (number->used - 1) * 4 + (topBits + 7) / 8;
    }
    if (out != nullptr)
        WordsToBytes(out, outLength, number->words, number->used);
    return significant;
}

int BigNumber::ModExp(BigNumber* result, BigNumber* base, BigNumber* exponent, BigNumber* modulus) {
    std::uint32_t n = base->used;
    if (exponent->used > n)
        n = exponent->used;
    if (modulus->used > n)
        n = modulus->used;
    if (modulus->used == 0 || n == 0)
        return 0;
    if (Resize(result, n) != 0 || Resize(base, n) != 0 || Resize(exponent, n) != 0 || Resize(modulus, n) != 0)
        return 0;
    if (ModExpWords(result->words, base->words, exponent->words, modulus->words, n) != 0)
        return 0;
    result->used = SignificantWords(result->words, n);
    return 1;
}

// ------------------------------------------------------------------ word level

std::uint32_t BigNumber::AddWords(Word* w, const Word* u, const Word* v, std::uint32_t n) {
    Wide carry = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const Wide sum = Wide(u[i]) + v[i] + carry;
        w[i] = static_cast<Word>(sum);
        carry = sum >> 32;
    }
    return static_cast<Word>(carry);
}

void BigNumber::MultiplyWords(Word* w, const Word* u, const Word* v, std::uint32_t n) {
    for (std::uint32_t i = 0; i < 2 * n; ++i)
        w[i] = 0;
    for (std::uint32_t j = 0; j < n; ++j) {
        if (v[j] == 0)
            continue;
        Wide carry = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            const Wide t = Wide(u[i]) * v[j] + w[i + j] + carry;
            w[i + j] = static_cast<Word>(t);
            carry = t >> 32;
        }
        w[j + n] = static_cast<Word>(carry);
    }
}

void BigNumber::SquareWords(Word* w, const Word* x, std::uint32_t n) {
    for (std::uint32_t i = 0; i < 2 * n; ++i)
        w[i] = 0;
    // Each cross product once ...
    for (std::uint32_t i = 0; i < n; ++i) {
        if (x[i] == 0)
            continue;
        Wide carry = 0;
        for (std::uint32_t j = i + 1; j < n; ++j) {
            const Wide t = Wide(x[i]) * x[j] + w[i + j] + carry;
            w[i + j] = static_cast<Word>(t);
            carry = t >> 32;
        }
        w[i + n] = static_cast<Word>(carry);
    }
    // ... doubled, then the squares added.
    ShiftLeftWords(w, 2 * n, 1);
    Wide carry = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const Wide square = Wide(x[i]) * x[i];
        Wide t = Wide(w[2 * i]) + static_cast<Word>(square) + carry;
        w[2 * i] = static_cast<Word>(t);
        t = Wide(w[2 * i + 1]) + (square >> 32) + (t >> 32);
        w[2 * i + 1] = static_cast<Word>(t);
        carry = t >> 32;
    }
}

std::uint32_t BigNumber::ShiftLeftWords(Word* w, std::uint32_t n, std::uint32_t bits) {
    const std::uint32_t wordShift = bits / 32;
    const std::uint32_t bitShift = bits % 32;
    if (wordShift >= n) {
        for (std::uint32_t i = 0; i < n; ++i)
            w[i] = 0;
        return 0;
    }
    if (wordShift > 0) {
        for (std::uint32_t i = n; i-- > wordShift;)
            w[i] = w[i - wordShift];
        for (std::uint32_t i = 0; i < wordShift; ++i)
            w[i] = 0;
    }
    if (bitShift == 0)
        return 0;
    const Word out = w[n - 1] >> (32 - bitShift);
    for (std::uint32_t i = n - 1; i > 0; --i)
        w[i] = (w[i] << bitShift) | (w[i - 1] >> (32 - bitShift));
    w[0] <<= bitShift;
    return out;
}

std::uint32_t BigNumber::ShiftRightWords(Word* w, std::uint32_t n, std::uint32_t bits) {
    const std::uint32_t wordShift = bits / 32;
    const std::uint32_t bitShift = bits % 32;
    if (wordShift >= n) {
        for (std::uint32_t i = 0; i < n; ++i)
            w[i] = 0;
        return 0;
    }
    if (wordShift > 0) {
        for (std::uint32_t i = 0; i + wordShift < n; ++i)
            w[i] = w[i + wordShift];
        for (std::uint32_t i = n - wordShift; i < n; ++i)
            w[i] = 0;
    }
    if (bitShift == 0)
        return 0;
    const Word out = w[0] & ((Word(1) << bitShift) - 1);
    for (std::uint32_t i = 0; i + 1 < n; ++i)
        w[i] = (w[i] >> bitShift) | (w[i + 1] << (32 - bitShift));
    w[n - 1] >>= bitShift;
    return out;
}

int BigNumber::DivideDoubleWord(Word& quotient, Word& remainder, Word high, Word low, Word divisor) {
    quotient = 0;
    remainder = 0;
    if ((divisor & 0x80000000u) == 0)
        return -1;
    const Wide dividend = (Wide(high) << 32) | low;
    const Wide q = dividend / divisor;
    quotient = static_cast<Word>(q);
    remainder = static_cast<Word>(dividend % divisor);
    return q > 0xFFFFFFFFu ? 1 : 0;
}

bool BigNumber::QuotientTooBig(Word q, Word v2, Word r, Word u2) {
    return Wide(q) * v2 > ((Wide(r) << 32) | u2);
}

std::uint32_t BigNumber::DivideByWord(Word* q, const Word* u, Word divisor, std::uint32_t n) {
    Wide remainder = 0;
    for (std::uint32_t i = n; i-- > 0;) {
        const Wide current = (remainder << 32) | u[i];
        q[i] = static_cast<Word>(current / divisor);
        remainder = current % divisor;
    }
    return static_cast<Word>(remainder);
}

int BigNumber::DivideWords(Word* quotient, Word* remainder, const Word* u, const Word* v, std::uint32_t n) {
    for (std::uint32_t i = 0; i < 2 * n; ++i)
        quotient[i] = 0;
    for (std::uint32_t i = 0; i < n; ++i)
        remainder[i] = 0;
    const std::uint32_t lengthV = SignificantWords(v, n);
    const std::uint32_t lengthU = SignificantWords(u, 2 * n);
    if (lengthV == 0)
        return -1;
    if (lengthV == 1) {
        remainder[0] = DivideByWord(quotient, u, v[0], 2 * n);
        return 0;
    }
    if (lengthU < lengthV) {
        std::memcpy(remainder, u, n * sizeof(Word));
        return 0;
    }
    if (lengthU == lengthV) {
        std::uint32_t i = lengthU;
        while (i > 0 && u[i - 1] == v[i - 1])
            --i;
        if (i == 0) {
            quotient[0] = 1;
            return 0;
        }
        if (u[i - 1] < v[i - 1]) {
            std::memcpy(remainder, u, n * sizeof(Word));
            return 0;
        }
    }

    // Normalise so that the divisor's top bit is set; u gains one word on top.
    Word* vn = AllocateWords(lengthV);
    Word* un = AllocateWords(lengthU + 1);
    if (vn == nullptr || un == nullptr) {
        WipeAndFree(vn, lengthV);
        WipeAndFree(un, lengthU + 1);
        return -2;
    }
    const unsigned shift = LeadingZeroBits(v[lengthV - 1]);
    std::memcpy(vn, v, lengthV * sizeof(Word));
    std::memcpy(un, u, lengthU * sizeof(Word));
    ShiftLeftWords(vn, lengthV, shift);
    un[lengthU] = ShiftLeftWords(un, lengthU, shift);

    const Word vTop = vn[lengthV - 1];
    const Word vNext = vn[lengthV - 2];
    for (std::uint32_t j = lengthU - lengthV + 1; j-- > 0;) {
        Word qhat = 0;
        Word rhat = 0;
        bool rhatOverflow = false;
        if (DivideDoubleWord(qhat, rhat, un[j + lengthV], un[j + lengthV - 1], vTop) == 1) {
            // The estimate is capped at one word; its remainder is then recomputed.
            qhat = 0xFFFFFFFFu;
            const Wide r = ((Wide(un[j + lengthV]) << 32) | un[j + lengthV - 1]) - Wide(qhat) * vTop;
            rhatOverflow = r > 0xFFFFFFFFu;
            rhat = static_cast<Word>(r);
        }
        for (int correction = 0; correction < 2 && !rhatOverflow; ++correction) {
            if (!QuotientTooBig(qhat, vNext, rhat, un[j + lengthV - 2]))
                break;
            --qhat;
            const Wide r = Wide(rhat) + vTop;
            rhatOverflow = r > 0xFFFFFFFFu;
            rhat = static_cast<Word>(r);
        }
        if (MultiplySubtract(un + j, vn, qhat, lengthV)) {
            --qhat;
            un[j + lengthV] += AddWords(un + j, un + j, vn, lengthV);
        }
        quotient[j] = qhat;
    }
    ShiftRightWords(un, lengthV, shift);
    std::memcpy(remainder, un, lengthV * sizeof(Word));
    WipeAndFree(vn, lengthV);
    WipeAndFree(un, lengthU + 1);
    return 0;
}

int BigNumber::ModExpWords(Word* y, const Word* x, const Word* e, const Word* m, std::uint32_t n) {
    if (n == 0)
        return -1;
    Word* product = AllocateWords(2 * n);
    Word* quotient = AllocateWords(2 * n);
    Word* remainder = AllocateWords(2 * n);
    Word* modulus = AllocateWords(n);
    Word* accumulator = AllocateWords(n);
    int error = 0;
    if (product == nullptr || quotient == nullptr || remainder == nullptr || modulus == nullptr ||
        accumulator == nullptr) {
        error = 1;
    } else {
        std::memcpy(modulus, m, n * sizeof(Word));
        std::memcpy(accumulator, x, n * sizeof(Word));
        const std::uint32_t topWord = SignificantWords(e, n);
        if (topWord == 0) {
            // x^0 = 1 (the signature check never asks for it).
            for (std::uint32_t i = 0; i < n; ++i)
                accumulator[i] = 0;
            accumulator[0] = 1;
        } else {
            const int topBit = 31 - static_cast<int>(LeadingZeroBits(e[topWord - 1]));
            for (std::int64_t bit = std::int64_t(topWord - 1) * 32 + topBit - 1; bit >= 0 && error == 0; --bit) {
                SquareWords(product, accumulator, n);
                if (DivideWords(quotient, remainder, product, modulus, n) != 0)
                    error = 1;
                std::memcpy(accumulator, remainder, n * sizeof(Word));
                if (error == 0 && (e[bit / 32] >> (bit % 32)) & 1u) {
                    MultiplyWords(product, accumulator, x, n);
                    if (DivideWords(quotient, remainder, product, modulus, n) != 0)
                        error = 1;
                    std::memcpy(accumulator, remainder, n * sizeof(Word));
                }
            }
        }
        if (error == 0)
            std::memcpy(y, accumulator, n * sizeof(Word));
    }
    WipeAndFree(product, 2 * n);
    WipeAndFree(quotient, 2 * n);
    WipeAndFree(remainder, 2 * n);
    WipeAndFree(modulus, n);
    WipeAndFree(accumulator, n);
    return error;
}

// ------------------------------------------------------------------ RSA

void RsaVerify(const unsigned char signature[256], unsigned char block[256], const unsigned char modulus[256]) {
    static const unsigned char publicExponent[4] = {0x00, 0x01, 0x00, 0x01};
    BigNumber* m = BigNumber::New();
    BigNumber* e = BigNumber::New();
    BigNumber* s = BigNumber::New();
    BigNumber* result = BigNumber::New();
    if (m != nullptr && e != nullptr && s != nullptr && result != nullptr &&
        BigNumber::FromBigEndian(m, modulus, 256) != 0 && BigNumber::FromBigEndian(s, signature, 256) != 0 &&
        BigNumber::FromBigEndian(e, publicExponent, 4) != 0 && BigNumber::ModExp(result, s, e, m) != 0) {
        const std::uint32_t significant = BigNumber::ToBigEndian(result, nullptr, 0);
        BigNumber::ToBigEndian(result, block, significant);
    }
    BigNumber::Free(m);
    BigNumber::Free(e);
    BigNumber::Free(s);
    BigNumber::Free(result);
}

// ------------------------------------------------------------------ SHA-256

namespace {

const Word kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline Word RotateRight(Word x, unsigned n) { return (x >> n) | (x << (32 - n)); }

} // namespace

void Sha256Transform(Word state[8], const unsigned char* data, std::size_t blocks) {
    for (std::size_t block = 0; block < blocks; ++block, data += 64) {
        Word w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = (Word(data[4 * i]) << 24) | (Word(data[4 * i + 1]) << 16) | (Word(data[4 * i + 2]) << 8) |
                   Word(data[4 * i + 3]);
        for (int i = 16; i < 64; ++i) {
            const Word s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const Word s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        Word a = state[0], b = state[1], c = state[2], d = state[3];
        Word e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const Word s1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
            const Word choose = (e & f) ^ (~e & g);
            const Word t1 = h + s1 + choose + kRoundConstants[i] + w[i];
            const Word s0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
            const Word majority = (a & b) ^ (a & c) ^ (b & c);
            const Word t2 = s0 + majority;
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

void Sha256Digest(const unsigned char* data, std::uint32_t length, unsigned char digest[32]) {
    Word state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const std::size_t wholeBlocks = length / 64;
    Sha256Transform(state, data, wholeBlocks);

    // The rest, a 1 bit, zeros and the 64-bit big-endian bit length: one or two blocks.
    unsigned char tail[128] = {};
    const std::uint32_t rest = length % 64;
    if (rest > 0)
        std::memcpy(tail, data + wholeBlocks * 64, rest);
    tail[rest] = 0x80;
    const std::size_t tailLength = rest < 56 ? 64 : 128;
    const std::uint64_t bits = std::uint64_t(length) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailLength - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    Sha256Transform(state, tail, tailLength / 64);

    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = static_cast<unsigned char>(state[i] >> 24);
        digest[4 * i + 1] = static_cast<unsigned char>(state[i] >> 16);
        digest[4 * i + 2] = static_cast<unsigned char>(state[i] >> 8);
        digest[4 * i + 3] = static_cast<unsigned char>(state[i]);
    }
}

} // namespace Gathrix::FileSignature
