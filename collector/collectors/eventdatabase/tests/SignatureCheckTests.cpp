// The plug-in signature check against files signed at build time with the test keys
// (signing/make_fixtures.py), crafted variants of them, and a seeded mutation loop.
#include "collector/collectors/eventdatabase/FileSignature.h"
#include "collector/collectors/eventdatabase/tests/PluginTestSupport.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <functional>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace Gathrix::FileSignature {
namespace {

using Testing::PluginFixture;
using Testing::ReadFileBytes;
using Testing::ScratchFolder;
using Testing::WriteFileBytes;

std::uint32_t Load32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void Store32(std::string& bytes, size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

struct Verdict {
    int embedded;
    int code;
    int legacy;
    int legacyError;
};

Verdict Verify(const std::wstring& path) {
    Verdict verdict{};
    verdict.embedded = VerifyEmbedded(path.c_str(), &verdict.code);
    verdict.legacy = VerifyLegacy(path.c_str(), &verdict.legacyError);
    return verdict;
}

TEST(SignatureCheck, SignedFilesGiveTheirResultAndCode) {
    struct Case {
        const wchar_t* file;
        int embedded, code;  // VerifyEmbedded
        int legacy, error;   // VerifyLegacy
        bool accepted;
    } cases[] = {
        {L"p.dll", 1, 3, 5, 0, true},
        {L"d.dll", 0, 11, 5, 0, true},
        {L"p-text.dll", 1, 3, 5, 0, true},
        {L"d-text.dll", 0, 11, 5, 0, true},
        {L"p-leadin.dll", 1, 3, 5, 0, true},          // lead-in and tail count at their limit, 32
        {L"second-type3.dll", 1, 3, 5, 0, true},      // the first record of type 3 counts
        {L"text-signed.txt", 1, 3, 5, 0, true},       // not "MZ": the trailer range alone
        {L"other-bitness.dll", 1, 3, 5, 0, true},     // the other PE header form
        {L"cert.dll", 1, 3, 5, 0, true},              // certificate table appended by osslsigncode
        {L"legacy-b.dll", 0, 7, 0, 2, true},
        {L"legacy-t.dll", 0, 7, 0, 2, true},
        {L"legacy-p-key.dll", 0, 7, 5, 0, false},     // legacy signatures use key 'D' only
        {L"flipped.dll", 0, 9, 5, 0, false},
        {L"cert-unaligned.dll", 1, 3, 5, 0, true},    // osslsigncode's padding before its table
        {L"appended.dll", 0, 8, 5, 0, false},         // behind the end marker only a certificate table
        {L"foreign.dll", 0, 8, 5, 0, false},
        {L"foreign-d.dll", 0, 8, 5, 0, false},
        {L"t256.dll", 0, 8, 5, 0, false},             // 256 hexadecimal characters are 128 bytes
        {L"key-x.dll", 0, 8, 5, 0, false},
        {L"leadin33.dll", 0, 8, 5, 0, false},
        {L"tail33.dll", 0, 8, 5, 0, false},
        {L"early-marker.bin", 0, 8, 5, 0, false},     // fewer than 21 bytes before the end marker
        {L"no-type3.dll", 0, 10, 5, 0, false},
        {L"no-records.dll", 0, 4, 5, 0, false},
        {L"letter-x.dll", 0, 7, 5, 0, false},
        {L"no-marker.dll", 0, 7, 5, 0, false},
        {L"empty.bin", 0, 13, 1, -1, false},
        {L"short.bin", 0, 5, 5, 0, false},
        {L"missing.dll", 0, 1, 2, ENOENT, false},
    };
    for (const Case& c : cases) {
        const std::wstring path = PluginFixture(L"signature\\" + std::wstring(c.file));
        SCOPED_TRACE(Utils::ToUtf8(path));
        const Verdict verdict = Verify(path);
        EXPECT_EQ(c.embedded, verdict.embedded);
        EXPECT_EQ(c.code, verdict.code);
        EXPECT_EQ(c.legacy, verdict.legacy);
        if (c.error >= 0) {
            EXPECT_EQ(c.error, verdict.legacyError);
        }
        EXPECT_EQ(c.accepted, IsAcceptedSignature(path.c_str()));
    }
    int code = 0;
    EXPECT_EQ(0, VerifyEmbedded(nullptr, &code));
    EXPECT_EQ(4, code);
    EXPECT_EQ(1, VerifyEmbedded(PluginFixture(L"signature\\p.dll").c_str(), nullptr));
}

// Where the fields of a binary trailer and the PE header of p.dll lie.
struct Layout {
    std::string bytes;
    size_t begin = 0;           // the begin marker
    size_t directoryEntry = 0;  // the certificate-table entry
    size_t checksum = 0;

    explicit Layout(const std::wstring& path) : bytes(ReadFileBytes(path)) {
        begin = bytes.rfind("QXCS4F3A4200C37O");
        const std::uint32_t header = Load32(bytes, 0x3C);
        const unsigned magic = static_cast<unsigned char>(bytes[header + 0x18]) |
                               (static_cast<unsigned char>(bytes[header + 0x19]) << 8);
        directoryEntry = header + (magic == 0x10b ? 0x98 : 0xA8);
        checksum = header + 0x58;
    }
    size_t End() const { return bytes.rfind("62F3AB0132FQXCSE"); }
};

TEST(SignatureCheck, CraftedRangesAndFieldsAreRefusedWithoutReadingOutOfBounds) {
    const Layout original(PluginFixture(L"signature\\p.dll"));
    ASSERT_NE(std::string::npos, original.begin);
    const std::uint32_t length = static_cast<std::uint32_t>(original.bytes.size());
    struct Case {
        const char* what;
        std::function<void(Layout&)> patch;
        int code;
    } cases[] = {
        {"certificate table before the checksum", [](Layout& l) { Store32(l.bytes, l.directoryEntry, 0x10); Store32(l.bytes, l.directoryEntry + 4, 8); }, 8},
        {"certificate table on the checksum", [](Layout& l) { Store32(l.bytes, l.directoryEntry, static_cast<std::uint32_t>(l.checksum)); Store32(l.bytes, l.directoryEntry + 4, 4); }, 8},
        {"certificate table wrapping 32 bits", [](Layout& l) { Store32(l.bytes, l.directoryEntry, 0xFFFFFF00u); Store32(l.bytes, l.directoryEntry + 4, 0x200); }, 8},
        {"certificate table larger than the file", [](Layout& l) { Store32(l.bytes, l.directoryEntry, 0x400); Store32(l.bytes, l.directoryEntry + 4, 0xFFFFFFF0u); }, 8},
        {"certificate table over the trailer", [length](Layout& l) { Store32(l.bytes, l.directoryEntry, length - 10); Store32(l.bytes, l.directoryEntry + 4, 10); }, 8},
        {"certificate table past the end", [length](Layout& l) { Store32(l.bytes, l.directoryEntry, length - 4); Store32(l.bytes, l.directoryEntry + 4, 8); }, 8},
        {"excluded length past the end", [](Layout& l) { Store32(l.bytes, l.begin + 22, 0xFFFFFFFFu); }, 8},
        {"excluded length 0", [](Layout& l) { Store32(l.bytes, l.begin + 22, 0); }, 8},
        {"signature data far behind", [](Layout& l) { Store32(l.bytes, l.begin + 39 + 2, 0xFFFFFF00u); }, 8},
        {"signature data over the end marker", [](Layout& l) { Store32(l.bytes, l.begin + 39 + 2, 100); }, 8},
        {"record table past the trailer", [](Layout& l) { l.bytes[l.begin + 26] = static_cast<char>(255); }, 8},
        {"body longer than the file", [](Layout& l) { Store32(l.bytes, l.End() - 11, 0xFFFFFFF0u); }, 8},
        {"body shorter than its header", [](Layout& l) { Store32(l.bytes, l.End() - 11, 20); }, 8},
        {"PE header offset far behind the file", [](Layout& l) { Store32(l.bytes, 0x3C, 0x7FFFFFF0u); }, 5},
    };
    ScratchFolder folder(L"signature-crafted");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Layout crafted = original;
        c.patch(crafted);
        const std::wstring path = folder / L"crafted.dll";
        WriteFileBytes(path, crafted.bytes);
        int code = 0;
        EXPECT_EQ(0, VerifyEmbedded(path.c_str(), &code));
        EXPECT_EQ(c.code, code);
        EXPECT_FALSE(IsAcceptedSignature(path.c_str()));
    }
}

// The bytes of a signed file that its signature does not cover: the excluded ranges of the
// current form (none for the legacy form).
std::vector<bool> ExcludedBytes(const std::wstring& path, size_t length) {
    std::vector<bool> excluded(length, false);
    int file = -1;
    if (_wsopen_s(&file, path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, _S_IREAD) != 0)
        return excluded;
    RangeList ranges;
    SignatureTrailer trailer;
    std::uint32_t trailerSize = 0, tailLength = 0;
    int code = 0;
    if (GetPeExclusions(file, length, ranges) != 0 && ReadTrailer(trailer, file, length, trailerSize, tailLength, code)) {
        ranges.push_back({length - trailer.leadInLength - trailerSize, length - 1});
        for (const ExcludedRange& range : ranges)
            for (std::uint64_t i = range.first; i <= range.last && i < length; ++i)
                excluded[i] = true;
    }
    _close(file);
    return excluded;
}

TEST(SignatureCheck, MutationsNeverCrashAndNeverPassAChangedFile) {
    const wchar_t* sources[] = {L"p.dll", L"d.dll", L"p-text.dll", L"cert.dll", L"legacy-b.dll", L"legacy-t.dll"};
    ScratchFolder folder(L"signature-mutations");
    const std::wstring path = folder / L"mutated.dll";
    std::mt19937 random(20261211);
    int accepted = 0, tried = 0;
    for (const wchar_t* source : sources) {
        const std::wstring sourcePath = PluginFixture(L"signature\\" + std::wstring(source));
        const std::string original = ReadFileBytes(sourcePath);
        ASSERT_TRUE(IsAcceptedSignature(sourcePath.c_str()));
        const std::vector<bool> excluded = ExcludedBytes(sourcePath, original.size());
        for (int round = 0; round < 500; ++round) {
            std::string mutated = original;
            // Half of the edits land in the last 2 KB, where the trailer and the legacy signature
            // lie; the rest anywhere, now and then with the length changed.
            const int edits = 1 + static_cast<int>(random() % 3);
            for (int e = 0; e < edits; ++e) {
                const size_t span = random() % 2 ? mutated.size() : std::min<size_t>(2048, mutated.size());
                const size_t at = mutated.size() - 1 - random() % span;
                switch (random() % 6) {
                case 0: mutated[at] ^= static_cast<char>(1u << (random() % 8)); break;
                case 1: mutated[at] = static_cast<char>(random()); break;
                case 2: if (at + 4 <= mutated.size()) Store32(mutated, at, random() % 2 ? 0xFFFFFFFFu : random() % 1024); break;
                case 3: mutated.resize(at); break;
                case 4: mutated.append(1 + random() % 64, static_cast<char>(random())); break;
                default: mutated.insert(at, 1 + random() % 8, static_cast<char>(random())); break;
                }
                if (mutated.empty())
                    mutated.push_back('x');
            }
            if (mutated == original)
                continue;
            ++tried;
            WriteFileBytes(path, mutated);
            if (!IsAcceptedSignature(path.c_str()))
                continue;
            ++accepted;
            // Accepted: only bytes that the signature leaves out may differ.
            ASSERT_EQ(original.size(), mutated.size()) << Utils::ToUtf8(source) << " round " << round;
            // The legacy text form reads its hexadecimal digits in either case: the same signature.
            const bool legacyText = original.back() == 'T';
            for (size_t i = 0; i < original.size(); ++i) {
                if (original[i] == mutated[i] || excluded[i])
                    continue;
                const bool sameDigit = legacyText && i + 513 >= original.size() &&
                                       std::tolower(static_cast<unsigned char>(original[i])) ==
                                           std::tolower(static_cast<unsigned char>(mutated[i]));
                ASSERT_TRUE(sameDigit) << Utils::ToUtf8(source) << " round " << round << " byte " << i;
            }
        }
    }
    EXPECT_GT(tried, 2900);
    // Some edits hit the unused fields of a trailer, which nothing checks: accepted rightly.
    RecordProperty("accepted", accepted);
}

// A certificate table counts only behind the trailer's end marker, where a signing tool appends
// it: anywhere else the excluded directory entry could take inserted bytes out of the signed
// content.
TEST(SignatureCheck, ACertificateTableCountsOnlyBehindTheTrailer) {
    struct Case {
        const char* what;
        std::wstring path;
        int embedded, code;
    } cases[] = {
        {"82 bytes inserted at 0x400, the entry pointing at them", PluginFixture(L"signature\\inserted.dll"), 0, 8},
        {"appended by osslsigncode", PluginFixture(L"signature\\cert.dll"), 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int code = 0;
        EXPECT_EQ(c.embedded, VerifyEmbedded(c.path.c_str(), &code));
        EXPECT_EQ(c.code, code);
        EXPECT_EQ(c.embedded == 1, IsAcceptedSignature(c.path.c_str()));
    }

    // The boundaries: eight bytes appended to a signed file after some padding and named as its
    // table, starting right behind the end marker or one byte earlier, on the marker; up to 7
    // bytes of padding, as signing tools align the table; the table reaching the end of the file.
    const Layout signedFile(PluginFixture(L"signature\\p.dll"));
    const std::uint32_t length = static_cast<std::uint32_t>(signedFile.bytes.size());
    ASSERT_EQ(length - 16, signedFile.End());
    ScratchFolder folder(L"signature-table-place");
    const std::wstring path = folder / L"table.dll";
    const struct {
        const char* what;
        std::uint32_t padding;
        int offsetShift;          // added to the table's true offset
        std::uint32_t sizeShift;  // added to the table's true size
        const char* behind;       // bytes behind the table
        int embedded, code;
    } boundaries[] = {
        {"right behind the marker", 0, 0, 0, "", 1, 3},
        {"on the marker's last byte", 0, -1, 1, "", 0, 8},
        {"after 7 bytes of padding", 7, 0, 0, "", 1, 3},
        {"after 8 bytes of padding", 8, 0, 0, "", 0, 8},
        {"a table one byte short of the end", 0, 0, 0, "x", 0, 8},
    };
    for (const auto& b : boundaries) {
        SCOPED_TRACE(b.what);
        Layout withTable = signedFile;
        withTable.bytes += std::string(b.padding, '\0') + "TABLE\x01\x02\x03" + b.behind;
        Store32(withTable.bytes, withTable.directoryEntry, length + b.padding + b.offsetShift);
        Store32(withTable.bytes, withTable.directoryEntry + 4, 8 + b.sizeShift);
        WriteFileBytes(path, withTable.bytes);
        int code = 0;
        EXPECT_EQ(b.embedded, VerifyEmbedded(path.c_str(), &code));
        EXPECT_EQ(b.code, code);
    }
}

// Files signed as they stand (so the signed length and digests hold) whose trailer does not lie
// behind everything the loader maps: bytes the loader maps could change without touching the
// signed content. The rewritten worker library is a signed one whose trailer was moved into the
// header padding, excluding exactly itself, holding an attacker's sections where the signed
// section table points.
TEST(SignatureCheck, ATrailerMustLieBehindAllThatTheLoaderMaps) {
    struct Case {
        const char* what;
        std::wstring path;
    } cases[] = {
        {"trailer in the header padding", PluginFixture(L"plugins\\rewritten\\Trovlib.dll")},
        {"last section's raw data over the trailer", PluginFixture(L"signature\\section-over-trailer.dll")},
        {"headers over the trailer", PluginFixture(L"signature\\headers-over-trailer.dll")},
        {"a section behind the trailer", PluginFixture(L"signature\\section-behind-trailer.dll")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Testing::PathExists(c.path));
        int code = 0;
        EXPECT_EQ(0, VerifyEmbedded(c.path.c_str(), &code));
        EXPECT_EQ(8, code);
        EXPECT_FALSE(IsAcceptedSignature(c.path.c_str()));
    }

    // The image end itself: headers and the section table of a PE file, nothing for other files.
    struct End {
        const wchar_t* file;
        int result, code;
        bool beforeTrailer;
    } ends[] = {
        {L"p.dll", 1, 0, true},
        {L"other-bitness.dll", 1, 0, true},
        {L"section-over-trailer.dll", 1, 0, false},
        {L"text-signed.txt", 1, 0, true},
        {L"short.bin", 0, 5, false},
    };
    for (const End& e : ends) {
        SCOPED_TRACE(Utils::ToUtf8(e.file));
        const std::wstring path = PluginFixture(L"signature\\" + std::wstring(e.file));
        const std::string bytes = ReadFileBytes(path);
        const size_t begin = bytes.rfind("QXCS4F3A4200C37O");
        int file = -1;
        ASSERT_EQ(0, _wsopen_s(&file, path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, _S_IREAD));
        std::uint64_t imageEnd = 1;
        int code = 0;
        EXPECT_EQ(e.result, GetImageEnd(file, bytes.size(), imageEnd, code));
        _close(file);
        EXPECT_EQ(e.code, code);
        if (e.result == 1) {
            EXPECT_EQ(e.beforeTrailer, imageEnd <= begin);
            EXPECT_EQ(bytes.compare(0, 2, "MZ") == 0, imageEnd > 0x200);
        }
    }

    // A PE file without its "PE" signature maps nothing the check could bound.
    Layout noSignature(PluginFixture(L"signature\\p.dll"));
    noSignature.bytes[Load32(noSignature.bytes, 0x3C)] = 'X';
    ScratchFolder folder(L"signature-image-end");
    WriteFileBytes(folder / L"no-pe.dll", noSignature.bytes);
    int code = 0;
    EXPECT_EQ(0, VerifyEmbedded((folder / L"no-pe.dll").c_str(), &code));
    EXPECT_EQ(8, code);
}

} // namespace
} // namespace Gathrix::FileSignature
