#pragma once
// The MD5 message digest of RFC 1321, in the three operations of that document's reference
// implementation. The digest leaves as 16 raw bytes; its text form is the caller's business.

#include <cstdint>

namespace Gathrix::Utils {

// The digest state. A new record starts with RFC 1321's initial words and a zero count;
// Md5Final wipes it, so assign a fresh record (context = Md5Context{}) before digesting again.
struct Md5Context {
    std::uint32_t state[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::uint32_t count[2] = {0, 0};  // bits digested so far, modulo 2^64, low word first
    unsigned char buffer[64] = {};    // bytes of a block not yet transformed
};

void Md5Update(Md5Context* context, const unsigned char* input, std::uint32_t length);
void Md5Final(unsigned char digest[16], Md5Context* context);
void Md5Transform(Md5Context* context, const unsigned char block[64]);

} // namespace Gathrix::Utils
