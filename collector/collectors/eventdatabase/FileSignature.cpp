#include "collector/collectors/eventdatabase/FileSignature.h"

#include "collector/collectors/eventdatabase/SignatureArithmetic.h"
#include "collector/collectors/eventdatabase/SignatureKeys.h"
#include "collector/platform/Md5.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace Gathrix::FileSignature {

namespace {

const char kBeginMarker[16] = {'Q', 'X', 'C', 'S', '4', 'F', '3', 'A', '4', '2', '0', '0', 'C', '3', '7', 'O'};
const char kEndMarker[16] = {'6', '2', 'F', '3', 'A', 'B', '0', '1', '3', '2', 'F', 'Q', 'X', 'C', 'S', 'E'};
const unsigned char kTag[6] = {'Q', 'X', 'S', 'I', 'G', 'N'};

constexpr std::uint64_t kSearchWindow = 656536;  // 0xA0498
// The signed content is read whole into memory and digested with 32-bit lengths.
constexpr std::uint64_t kLargestFile = 0x7FFFFFFF;

constexpr std::uint32_t kBinaryHeader = 39, kBinaryRecord = 20, kBinaryTail = 10;
constexpr std::uint32_t kTextHeader = 62, kTextRecord = 39, kTextTail = 20;

// The check context: the open file and every buffer, released on every path.
struct OpenFile {
    int descriptor = -1;
    ~OpenFile() {
        if (descriptor != -1)
            _close(descriptor);
    }
};

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<unsigned char[], FreeDeleter>;

std::uint32_t LittleEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint8_t HexToByte(const char* text) {
    const int high = HexDigit(text[0]);
    const int low = HexDigit(text[1]);
    return static_cast<std::uint8_t>(((high < 0 ? 0 : high) << 4) | (low < 0 ? 0 : low));
}

bool SeekTo(int file, std::uint64_t offset) { return _lseeki64(file, static_cast<__int64>(offset), SEEK_SET) >= 0; }

// Exactly `count` bytes, or false.
bool ReadExactly(int file, unsigned char* buffer, std::uint64_t count) {
    while (count > 0) {
        const unsigned chunk = count > 0x10000000u ? 0x10000000u : static_cast<unsigned>(count);
        const int got = _read(file, buffer, chunk);
        if (got <= 0)
            return false;
        buffer += got;
        count -= static_cast<unsigned>(got);
    }
    return true;
}

// _wsopen, not _wsopen_s: the runtime of Windows XP has no _wsopen_s.
int OpenForReading(const wchar_t* path) { return _wsopen(path, _O_RDONLY | _O_BINARY, _SH_DENYNO, _S_IREAD); }

} // namespace

std::uint32_t HexToUInt32(const char* text) {
    std::uint32_t value = 0;
    for (int i = 0; i < 8; ++i) {
        const int digit = HexDigit(text[i]);
        value = (value << 4) | static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
    }
    return value;
}

void HexToBytes(const char* text, std::uint32_t byteCount, unsigned char* bytes) {
    for (std::uint32_t i = 0; i < byteCount; ++i)
        bytes[i] = HexToByte(text + 2 * i);
}

int GetPeExclusions(int file, std::uint64_t fileLength, RangeList& ranges) {
    (void)fileLength;
    ranges.clear();
    unsigned char head[64];
    if (!SeekTo(file, 0) || !ReadExactly(file, head, sizeof head))
        return 0;
    if (head[0] != 'M' || head[1] != 'Z')
        return 1;
    const std::uint64_t peHeader = LittleEndian32(head + 0x3C);
    unsigned char magic[4];
    if (!SeekTo(file, peHeader + 0x18) || !ReadExactly(file, magic, sizeof magic))
        return 0;
    const std::uint64_t directoryEntry = peHeader + ((magic[0] | (magic[1] << 8)) == 0x10b ? 0x98 : 0xA8);
    unsigned char entry[8];
    if (!SeekTo(file, directoryEntry) || !ReadExactly(file, entry, sizeof entry))
        return 0;
    ranges.push_back({peHeader + 0x58, peHeader + 0x58 + 3});
    ranges.push_back({directoryEntry, directoryEntry + 7});
    const std::uint64_t tableOffset = LittleEndian32(entry);
    const std::uint64_t tableSize = LittleEndian32(entry + 4);
    // An empty table excludes nothing; its range would end before it begins.
    if (tableOffset != 0 && tableSize != 0) {
        ranges.push_back({tableOffset, tableOffset + tableSize - 1});
        return 2;
    }
    return 1;
}

int GetImageEnd(int file, std::uint64_t fileLength, std::uint64_t& imageEnd, int& code) {
    imageEnd = 0;
    unsigned char head[64];
    if (!SeekTo(file, 0) || !ReadExactly(file, head, sizeof head)) {
        code = CannotReadHeader;
        return 0;
    }
    if (head[0] != 'M' || head[1] != 'Z')
        return 1;
    // The signature, the file header and the optional header up to SizeOfHeaders, which lie at
    // the same offsets in both optional-header forms.
    const std::uint64_t peHeader = LittleEndian32(head + 0x3C);
    unsigned char header[24 + 64];
    if (peHeader + sizeof header > fileLength || !SeekTo(file, peHeader) || !ReadExactly(file, header, sizeof header)) {
        code = CannotReadHeader;
        return 0;
    }
    if (std::memcmp(header, "PE\0\0", 4) != 0) {
        code = Malformed;
        return 0;
    }
    const std::uint32_t sectionCount = header[6] | (header[7] << 8);
    const std::uint32_t optionalHeaderSize = header[20] | (header[21] << 8);
    const std::uint32_t fileAlignment = LittleEndian32(header + 24 + 36);
    const std::uint64_t headersSize = LittleEndian32(header + 24 + 60);
    if (fileAlignment == 0 || (fileAlignment & (fileAlignment - 1)) != 0) {
        code = Malformed;
        return 0;
    }
    // The loader reads raw data in whole units of the file alignment (of 512 bytes at least): the
    // bytes up to the next boundary are mapped as well.
    const std::uint64_t unit = fileAlignment < 0x200 ? 0x200 : fileAlignment;
    const std::uint64_t tableOffset = peHeader + 24 + optionalHeaderSize;
    const std::uint64_t tableEnd = tableOffset + std::uint64_t(sectionCount) * 40;
    if (tableEnd > fileLength) {
        code = CannotReadHeader;
        return 0;
    }
    std::vector<unsigned char> table(sectionCount * 40u + 1);
    if (!SeekTo(file, tableOffset) || !ReadExactly(file, table.data(), sectionCount * 40u)) {
        code = CannotReadHeader;
        return 0;
    }
    imageEnd = headersSize > tableEnd ? headersSize : tableEnd;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const unsigned char* section = table.data() + i * 40u;
        const std::uint64_t rawSize = LittleEndian32(section + 16);
        if (rawSize == 0)
            continue;
        const std::uint64_t end = LittleEndian32(section + 20) + (rawSize + unit - 1) / unit * unit;
        if (end > imageEnd)
            imageEnd = end;
    }
    return 1;
}

int ReadTrailer(SignatureTrailer& trailer, int file, std::uint64_t fileLength, std::uint32_t& trailerSize,
                std::uint32_t& tailLength, int& code) {
    trailer = SignatureTrailer();
    const std::uint64_t n = fileLength < kSearchWindow ? fileLength : kSearchWindow;
    Buffer window(static_cast<unsigned char*>(std::calloc(n == 0 ? 1 : n, 1)));
    if (!window) {
        code = ValidUnderKeyP;  // out of memory
        return 0;
    }
    if (!SeekTo(file, fileLength - n) || !ReadExactly(file, window.get(), n)) {
        code = ReadFailed;
        return 0;
    }
    // The end marker nearest to the end of the file counts.
    std::int64_t position = -1;
    for (std::int64_t at = static_cast<std::int64_t>(n) - 16; at >= 0; --at) {
        if (std::memcmp(window.get() + at, kEndMarker, 16) == 0) {
            position = at;
            break;
        }
    }
    if (position < 0) {
        code = NoTrailer;
        return 0;
    }
    if (position < 21) {
        code = Malformed;
        return 0;
    }
    const std::uint64_t pos = static_cast<std::uint64_t>(position);
    tailLength = static_cast<std::uint32_t>(n - pos);
    std::memcpy(trailer.endMarker, kEndMarker, 16);
    const unsigned char* bytes = window.get();
    trailer.encoding = static_cast<char>(bytes[pos - 1]);
    const bool text = trailer.encoding == 'T';
    if (trailer.encoding == 'B') {
        trailer.bodyLength = LittleEndian32(bytes + pos - 1 - kBinaryTail);
        trailer.tailCount = LittleEndian32(bytes + pos - 1 - kBinaryTail + 5);
    } else if (text) {
        const char* tail = reinterpret_cast<const char*>(bytes + pos - 1 - kTextTail);
        trailer.bodyLength = HexToUInt32(tail);
        trailer.tailCount = HexToUInt32(tail + 10);
    } else {
        code = NoTrailer;
        return 0;
    }
    // The body runs from the begin marker to the end marker: it must fit before the end marker
    // inside the window, and hold the header and the tail.
    const std::uint32_t header = text ? kTextHeader : kBinaryHeader;
    const std::uint32_t tail = (text ? kTextTail : kBinaryTail) + 1;
    if (trailer.bodyLength > pos || trailer.bodyLength < header + tail) {
        code = Malformed;
        return 0;
    }
    trailerSize = trailer.bodyLength + tailLength;
    const unsigned char* body = bytes + pos - trailer.bodyLength;
    if (std::memcmp(body, kBeginMarker, 16) != 0) {
        code = NoTrailer;
        return 0;
    }
    std::memcpy(trailer.beginMarker, kBeginMarker, 16);
    const char* chars = reinterpret_cast<const char*>(body);
    if (text) {
        trailer.leadInLength = HexToUInt32(chars + 18);
        trailer.excludedLength = HexToUInt32(chars + 28);
        trailer.recordCount = HexToByte(chars + 36);
    } else {
        trailer.leadInLength = LittleEndian32(body + 17);
        trailer.excludedLength = LittleEndian32(body + 22);
        trailer.recordCount = body[26];
    }
    // The record table must end before the tail.
    const std::uint32_t recordSize = text ? kTextRecord : kBinaryRecord;
    if (header + std::uint64_t(trailer.recordCount) * recordSize > trailer.bodyLength - tail) {
        code = Malformed;
        return 0;
    }
    for (std::uint32_t i = 0; i < trailer.recordCount; ++i) {
        TrailerRecord record;
        if (text) {
            const char* r = chars + header + i * recordSize;
            record.type = HexToByte(r);
            record.dataOffset = HexToUInt32(r + 4);
            record.dataLength = HexToUInt32(r + 14) / 2;
            record.keyLetter = r[22];
        } else {
            const unsigned char* r = body + header + i * recordSize;
            record.type = r[0];
            record.dataOffset = LittleEndian32(r + 2);
            record.dataLength = LittleEndian32(r + 7);
            record.keyLetter = static_cast<char>(r[11]);
        }
        trailer.records.push_back(record);
    }
    if (trailer.tailCount > 32 || trailer.leadInLength > 32) {
        code = Malformed;
        return 0;
    }
    // The excluded trailer range starts lead-in bytes before the begin marker and must lie
    // inside the file.
    const std::uint64_t before = fileLength - trailerSize;
    if (trailer.leadInLength > before || trailer.excludedLength == 0 ||
        before - trailer.leadInLength + trailer.excludedLength > fileLength) {
        code = Malformed;
        return 0;
    }
    return 1;
}

int VerifySignatureBlock(const SignatureTrailer& trailer, const TrailerRecord& record, const unsigned char* modulus,
                         int file, std::uint64_t fileLength, std::uint32_t trailerSize, SignatureInfo& info,
                         int& code) {
    if (record.dataLength != 256) {
        code = Malformed;
        return 0;
    }
    const bool text = trailer.encoding == 'T';
    const std::uint32_t stored = text ? 512 : 256;
    // The signature data lies inside the trailer's body.
    if (std::uint64_t(record.dataOffset) + stored > trailer.bodyLength) {
        code = Malformed;
        return 0;
    }
    if (!SeekTo(file, fileLength - trailerSize + record.dataOffset)) {
        code = ValidUnderKeyP;  // the seek failed
        return 0;
    }
    unsigned char data[512];
    if (!ReadExactly(file, data, stored)) {
        code = ReadFailed;
        return 0;
    }
    unsigned char signature[256];
    if (text)
        HexToBytes(reinterpret_cast<const char*>(data), 256, signature);
    else
        std::memcpy(signature, data, 256);
    unsigned char block[256] = {};
    RsaVerify(signature, block, modulus);
    if (std::memcmp(block, kTag, 6) != 0) {
        code = Malformed;
        return 0;
    }
    std::memcpy(info.tag, block, 6);
    info.signedLength = 0;
    for (int i = 0; i < 8; ++i)
        info.signedLength |= std::uint64_t(block[6 + i]) << (8 * i);
    std::memcpy(info.field, block + 14, 16);
    std::memcpy(info.md5, block + 30, 16);
    std::memcpy(info.sha256, block + 46, 32);
    std::memcpy(info.further, block + 78, 96);
    return 1;
}

bool ValidateRanges(const RangeList& ranges, std::uint64_t fileLength) {
    bool first = true;
    std::uint64_t previousLast = 0;
    for (const ExcludedRange& range : ranges) {
        if (range.first > range.last || range.last >= fileLength)
            return false;
        if (!first && range.first <= previousLast)
            return false;
        previousLast = range.last;
        first = false;
    }
    return true;
}

int ReadSignedContent(unsigned char* buffer, int file, std::uint64_t limit, const RangeList& ranges,
                      std::uint64_t& bytesRead, int& code) {
    bytesRead = 0;
    if (!SeekTo(file, 0)) {
        code = ReadFailed;
        return 0;
    }
    // The ranges are validated: in order, without overlap, inside the file. So what is read
    // never exceeds `limit` bytes.
    std::uint64_t position = 0;
    for (const ExcludedRange& range : ranges) {
        if (range.first >= limit)
            break;
        if (range.first > position) {
            if (!ReadExactly(file, buffer + bytesRead, range.first - position)) {
                code = ReadFailed;
                return 0;
            }
            bytesRead += range.first - position;
        }
        position = range.last + 1;
        if (position >= limit)
            return 1;
        if (!SeekTo(file, position)) {
            code = ReadFailed;
            return 0;
        }
    }
    if (limit > position) {
        if (!ReadExactly(file, buffer + bytesRead, limit - position)) {
            code = ReadFailed;
            return 0;
        }
        bytesRead += limit - position;
    }
    return 1;
}

int DigestFile(int file, std::uint64_t fileLength, const RangeList& ranges, SignatureInfo& info, int& code) {
    Buffer content(static_cast<unsigned char*>(std::malloc(fileLength == 0 ? 1 : fileLength)));
    if (!content) {
        code = ValidUnderKeyP;  // out of memory
        return 0;
    }
    std::uint64_t bytesRead = 0;
    if (!ReadSignedContent(content.get(), file, fileLength, ranges, bytesRead, code))
        return 0;
    Utils::Md5Context md5;
    Utils::Md5Update(&md5, content.get(), static_cast<std::uint32_t>(bytesRead));
    Utils::Md5Final(info.md5, &md5);
    Sha256Digest(content.get(), static_cast<std::uint32_t>(bytesRead), info.sha256);
    std::uint64_t excluded = 0;
    for (const ExcludedRange& range : ranges)
        excluded += range.last - range.first + 1;
    info.signedLength = (fileLength - excluded) & 0xFFFFFFFFu;
    return 1;
}

int VerifyEmbedded(const wchar_t* path, int* code) {
    int localCode = 0;
    int& result = code != nullptr ? *code : localCode;
    if (path == nullptr) {
        result = MissingArgument;
        return 0;
    }
    if (_waccess(path, 0) != 0) {
        result = NotAccessible;
        return 0;
    }
    OpenFile file;
    file.descriptor = OpenForReading(path);
    if (file.descriptor == -1) {
        result = CannotOpen;
        return 0;
    }
    const __int64 length = _filelengthi64(file.descriptor);
    if (length <= 0) {
        result = ReadFailed;
        return 0;
    }
    const std::uint64_t fileLength = static_cast<std::uint64_t>(length);
    if (fileLength > kLargestFile) {
        result = ValidUnderKeyP;  // too large to be held in memory
        return 0;
    }

    RangeList ranges;
    const int peRanges = GetPeExclusions(file.descriptor, fileLength, ranges);
    if (peRanges == 0) {
        result = CannotReadHeader;
        return 0;
    }
    std::uint64_t imageEnd = 0;
    if (!GetImageEnd(file.descriptor, fileLength, imageEnd, result))
        return 0;
    SignatureTrailer trailer;
    std::uint32_t trailerSize = 0;
    std::uint32_t tailLength = 0;
    if (!ReadTrailer(trailer, file.descriptor, fileLength, trailerSize, tailLength, result))
        return 0;
    // The trailer range's place and length are not signed: it must start behind everything the
    // loader maps, and it and what follows it must reach the end of the file, so that no byte the
    // loader maps is left out of the signed content. A signing tool may append its certificate
    // table behind our end marker (after at most 7 bytes that align it to 8); the directory entry
    // naming the table is itself unsigned, so a table anywhere else is refused as well.
    const std::uint64_t trailerFirst = fileLength - trailer.leadInLength - trailerSize;
    const std::uint64_t markerEnd = fileLength - tailLength + sizeof kEndMarker;
    if (trailerFirst < imageEnd || trailerFirst + trailer.excludedLength != markerEnd) {
        result = Malformed;
        return 0;
    }
    if (peRanges == 2) {
        const ExcludedRange table = ranges.back();
        if (table.first < markerEnd || table.first - markerEnd > 7 || table.last != fileLength - 1) {
            result = Malformed;
            return 0;
        }
        ranges.pop_back();
    } else if (markerEnd != fileLength) {
        result = Malformed;
        return 0;
    }
    if (trailer.records.empty()) {
        result = MissingArgument;
        return 0;
    }
    const TrailerRecord* signatureRecord = nullptr;
    for (const TrailerRecord& record : trailer.records) {
        if (record.type == 3) {
            signatureRecord = &record;
            break;
        }
    }
    if (signatureRecord == nullptr) {
        result = NoSignatureRecord;
        return 0;
    }
    const unsigned char* modulus = nullptr;
    if (signatureRecord->keyLetter == 'P')
        modulus = SignatureKeyP;
    else if (signatureRecord->keyLetter == 'D')
        modulus = SignatureKeyD;
    else {
        result = Malformed;
        return 0;
    }
    const bool keyD = signatureRecord->keyLetter == 'D';

    SignatureInfo signature;
    if (!VerifySignatureBlock(trailer, *signatureRecord, modulus, file.descriptor, fileLength, trailerSize, signature,
                              result))
        return 0;

    // One range from the trailer's first byte to the end of the file: trailer, padding and table.
    ranges.push_back({trailerFirst, fileLength - 1});
    if (!ValidateRanges(ranges, fileLength)) {
        result = Malformed;
        return 0;
    }

    SignatureInfo digested;
    if (!DigestFile(file.descriptor, fileLength, ranges, digested, result))
        return 0;
    if (signature.signedLength != digested.signedLength || std::memcmp(signature.md5, digested.md5, 16) != 0 ||
        std::memcmp(signature.sha256, digested.sha256, 32) != 0) {
        result = Mismatch;
        return 0;
    }
    if (keyD) {
        result = ValidUnderKeyD;
        return 0;
    }
    result = ValidUnderKeyP;
    return 1;
}

int DigestFileMd5(int file, std::uint64_t length, unsigned char md5[16]) {
    if (length == 0 || length > kLargestFile)
        return 8;
    Buffer content(static_cast<unsigned char*>(std::malloc(length)));
    if (!content)
        return 4;
    if (!SeekTo(file, 0) || !ReadExactly(file, content.get(), length))
        return 1;
    Utils::Md5Context context;
    Utils::Md5Update(&context, content.get(), static_cast<std::uint32_t>(length));
    Utils::Md5Final(md5, &context);
    return 0;
}

int VerifyLegacy(const wchar_t* path, int* error) {
    int localError = 0;
    int& result = error != nullptr ? *error : localError;
    result = 0;
    if (path == nullptr)
        return 2;
    if (_waccess(path, 0) != 0) {
        result = errno;
        return 2;
    }
    OpenFile file;
    file.descriptor = OpenForReading(path);
    if (file.descriptor == -1) {
        result = errno;
        return 3;
    }
    const __int64 length = _filelengthi64(file.descriptor);
    if (length <= 0) {
        result = errno;
        return 1;
    }
    const std::uint64_t fileLength = static_cast<std::uint64_t>(length);
    if (fileLength > kLargestFile)
        return 1;

    unsigned char last = 0;
    if (!SeekTo(file.descriptor, fileLength - 1) || !ReadExactly(file.descriptor, &last, 1)) {
        result = errno;
        return 5;
    }
    if (last != 'B' && last != 'T')
        return 5;
    const std::uint64_t stored = last == 'B' ? 256 : 512;
    unsigned char data[512];
    if (fileLength < stored + 1 || !SeekTo(file.descriptor, fileLength - 1 - stored) ||
        !ReadExactly(file.descriptor, data, stored)) {
        result = errno;
        return 1;
    }
    unsigned char signature[256] = {};
    if (last == 'B') {
        std::memcpy(signature, data, 256);
    } else {
        // Groups of 8 characters: one hexadecimal number each, its digit pairs in reverse order,
        // stored little-endian; so the bytes come out in text order. A character that is no
        // hexadecimal digit spoils its whole group.
        for (int group = 0; group < 64; ++group) {
            const char* digits = reinterpret_cast<const char*>(data) + group * 8;
            bool valid = true;
            for (int i = 0; i < 8; ++i)
                valid = valid && HexDigit(digits[i]) >= 0;
            for (int i = 0; i < 4; ++i)
                signature[group * 4 + i] = valid ? HexToByte(digits + 2 * i) : 0;
        }
    }
    unsigned char block[256] = {};
    RsaVerify(signature, block, SignatureKeyD);

    unsigned char md5[16];
    if (DigestFileMd5(file.descriptor, fileLength - 1 - stored, md5) != 0)
        return 7;
    std::uint32_t signedLength = 0;
    for (int i = 0; i < 4; ++i)
        signedLength |= std::uint32_t(block[20 + i] ^ LegacyLengthMask[i]) << (8 * i);
    if (signedLength != fileLength || std::memcmp(block + 32, md5, 16) != 0)
        return 5;
    result = 2;
    return 0;
}

bool IsAcceptedSignature(const wchar_t* path) {
    int code = 0;
    if (VerifyEmbedded(path, &code) == 1)
        return true;
    int error = 0;
    return VerifyLegacy(path, &error) == 0 || code == ValidUnderKeyD;
}

} // namespace Gathrix::FileSignature
