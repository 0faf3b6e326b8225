#pragma once
// The signature check of the maker's plug-in DLLs. Two forms: the current one, a trailer appended
// to the DLL between two markers whose signature record holds an RSA-2048 signature over the
// signed length, MD5 and SHA-256 of the file less a few excluded ranges; and the legacy one, a
// signature right before a last byte 'B' or 'T' over the file length and the MD5 of everything
// before it. Free functions with numeric result codes: nothing is logged, nothing thrown, and the
// file and every buffer are released on every path.
//
// Every offset, length and range the file states is checked against the file before anything is
// read with it; a file whose trailer or ranges do not fit is refused with code 8.
//
// The trailer's place and excluded length are unsigned bytes, so they are held to where signing
// tools put them: the trailer starts at or after the end of everything the loader maps (headers
// and each section's raw data, from the signed section table), and everything from its first
// byte to the end of the file is left out of the signed content: the trailer up to its end marker,
// then nothing, or at most 7 padding bytes and the certificate table that a signing tool appends.
// Any other layout is refused with code 8: otherwise a trailer placed elsewhere, excluding itself,
// could hold section data the signer never saw while the signed content stays the same.

#include <cstdint>
#include <cstdio>
#include <list>
#include <vector>

namespace Gathrix::FileSignature {

// Result codes of the current form (written through VerifyEmbedded's out-parameter).
enum CheckCode : int {
    NotAccessible = 1,
    CannotOpen = 2,
    ValidUnderKeyP = 3,  // also: out of memory, or the seek to the signature data failed
    MissingArgument = 4,  // or a trailer without records
    CannotReadHeader = 5,
    NoTrailer = 7,
    Malformed = 8,
    Mismatch = 9,
    NoSignatureRecord = 10,
    ValidUnderKeyD = 11,
    ReadFailed = 13,
};

struct TrailerRecord {
    std::uint8_t type = 0;  // 3: signature record
    std::uint32_t dataOffset = 0;  // from the begin marker (characters in the text encoding)
    std::uint32_t dataLength = 0;  // bytes
    char keyLetter = 0;     // 'P' or 'D'
};

struct SignatureTrailer {
    char beginMarker[16] = {};
    std::uint32_t leadInLength = 0;
    std::uint32_t excludedLength = 0;
    std::uint8_t recordCount = 0;
    std::vector<TrailerRecord> records;
    std::uint32_t bodyLength = 0;
    std::uint32_t tailCount = 0;
    char encoding = 0;  // 'B' or 'T'
    char endMarker[16] = {};
};

// One excluded range of the signed content, both bytes inclusive.
struct ExcludedRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};
using RangeList = std::list<ExcludedRange>;

struct SignatureInfo {
    unsigned char tag[6] = {};
    std::uint64_t signedLength = 0;
    unsigned char field[16] = {};
    unsigned char md5[16] = {};
    unsigned char sha256[32] = {};
    unsigned char further[96] = {};
};

// 1 for a valid current-form signature under key 'P' (code 3); 0 otherwise, with the code of the
// table (11: valid under key 'D'). `code` may be null.
int VerifyEmbedded(const wchar_t* path, int* code);

// 0 for a valid legacy signature (error 2); else 1 (length, seek or read), 2 (not accessible),
// 3 (cannot be opened), 4 (memory), 5 (no legacy signature, or a mismatch), 7 (digest failed).
// For 1 to 4 and a failed read of the last byte, `error` holds the runtime's errno.
int VerifyLegacy(const wchar_t* path, int* error);

// What the plug-in loaders accept: a valid current-form signature under either key, or a valid
// legacy one.
bool IsAcceptedSignature(const wchar_t* path);

// Internal steps, exposed for the tests. They work on a file opened in binary mode by the
// runtime's low-level calls (`file` is its descriptor).
int GetPeExclusions(int file, std::uint64_t fileLength, RangeList& ranges);
// The end of what the loader maps from an "MZ" file: the headers (SizeOfHeaders, and the section
// table) and every section's raw data rounded up to the file alignment; 0 for a file that does not
// begin with "MZ". Non-zero on success; else 0 with code 5 (a header that cannot be read) or 8 (no
// PE image, or a file alignment the loader refuses).
int GetImageEnd(int file, std::uint64_t fileLength, std::uint64_t& imageEnd, int& code);
int ReadTrailer(SignatureTrailer& trailer, int file, std::uint64_t fileLength, std::uint32_t& trailerSize,
                std::uint32_t& tailLength, int& code);
int VerifySignatureBlock(const SignatureTrailer& trailer, const TrailerRecord& record, const unsigned char* modulus,
                         int file, std::uint64_t fileLength, std::uint32_t trailerSize, SignatureInfo& info,
                         int& code);
// Checks the whole list against the file: each range first <= last < file length, in order,
// without overlap. False (code 8) otherwise.
bool ValidateRanges(const RangeList& ranges, std::uint64_t fileLength);
// Reads the file up to `limit` without the (validated) ranges into `buffer`.
int ReadSignedContent(unsigned char* buffer, int file, std::uint64_t limit, const RangeList& ranges,
                      std::uint64_t& bytesRead, int& code);
int DigestFile(int file, std::uint64_t fileLength, const RangeList& ranges, SignatureInfo& info, int& code);
int DigestFileMd5(int file, std::uint64_t length, unsigned char md5[16]);
std::uint32_t HexToUInt32(const char* text);
void HexToBytes(const char* text, std::uint32_t byteCount, unsigned char* bytes);

} // namespace Gathrix::FileSignature
