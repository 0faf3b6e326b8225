#include "collector/collectors/files/FileProperties.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/platform/Variables.h"
#include "common/OperatingSystem.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace Gathrix;
using namespace Gathrix::Testing;
using Entries = std::vector<LogCapture::Entry>;

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring Find(const PropertyList& list, const std::wstring& label) {
    for (const auto& [name, value] : list)
        if (name == label)
            return value;
    return L"<absent>";
}

std::vector<std::wstring> Labels(const PropertyList& list) {
    std::vector<std::wstring> labels;
    for (const auto& entry : list)
        labels.push_back(entry.first);
    return labels;
}

std::wstring Upper(std::string text) {
    for (auto& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return Widen(text);
}

FILETIME MakeFileTime(std::uint64_t count) {
    return FILETIME{static_cast<DWORD>(count & 0xFFFFFFFFu), static_cast<DWORD>(count >> 32)};
}

} // namespace

TEST(FileProperties, DigestIsMd5sumsInUpperCase) {
    std::istringstream lines(ReadFileBytes(FilesFixtureDir() + L"\\md5\\digests.txt"));
    std::string line;
    int files = 0;
    while (std::getline(lines, line)) {
        const std::wstring path = FilesFixtureDir() + L"\\md5\\" + Widen(line.substr(34));
        FileProperties properties(path, L"");
        EXPECT_EQ(Upper(line.substr(0, 32)), Find(properties.GetBasicProperties(), L"MD5")) << line;
        ++files;
    }
    EXPECT_GE(files, 10);
}

TEST(FileProperties, PlainFileReportsTimesLettersAndDigestOnly) {
    ScratchFolder scratch(L"plain");
    const std::wstring path = scratch / L"abc.txt";
    WriteFileBytes(path, "abc");
    {
        UniqueHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        SYSTEMTIME modified{2020, 11, 3, 18, 21, 5, 7, 0};
        FILETIME modifiedTime;
        SystemTimeToFileTime(&modified, &modifiedTime);
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &modifiedTime));
    }
    auto& log = LogCapture::Start();
    FileProperties properties(path, L"");
    const PropertyList basic = properties.GetBasicProperties();
    EXPECT_EQ((std::vector<std::wstring>{L"date created", L"date last modified", L"date last access", L"attributes",
                                         L"extended attributes", L"MD5"}),
              Labels(basic));
    EXPECT_EQ(L"11/18/2020 21:05:07", Find(basic, L"date last modified"));
    EXPECT_EQ(L"900150983CD24FB0D6963F7D28E17F72", Find(basic, L"MD5"));
    EXPECT_TRUE(properties.GetVersionProperties().empty());
    EXPECT_EQ(Entries{}, log.entries);
    EXPECT_EQ(path, properties.GetPath());
    EXPECT_FALSE(properties.GetFileVersion().isSet);
}

TEST(FileProperties, AttributeLetters) {
    ScratchFolder scratch(L"letters");
    struct Case {
        DWORD attributes;
        const wchar_t* letters;
    } cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, L"[-A--]"},
        {FILE_ATTRIBUTE_READONLY, L"[RA--]"},
        {FILE_ATTRIBUTE_HIDDEN, L"[-AH-]"},
        {FILE_ATTRIBUTE_SYSTEM, L"[-A-S]"},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, L"[RAHS]"},
    };
    for (const auto& c : cases) {
        const std::wstring path = scratch / UniqueName(L"f");
        WriteFileBytes(path, "");
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.attributes | FILE_ATTRIBUTE_ARCHIVE));
        const PropertyList basic = FileProperties(path, L"").GetBasicProperties();
        EXPECT_EQ(c.letters, Find(basic, L"attributes"));
        EXPECT_EQ(L"[--I----]", Find(basic, L"extended attributes"));
        EXPECT_EQ(L"D41D8CD98F00B204E9800998ECF8427E", Find(basic, L"MD5"));
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(FileProperties, VersionResources) {
    using List = PropertyList;
    const std::wstring dir = FilesFixtureDir() + L"\\version\\";
    const std::wstring fullDll = dir + L"full.dll";
    struct Case {
        std::wstring file;
        List expected;
        Entries log;
    } cases[] = {
        {L"full.dll",
         {{L"file version", L"1.2.3.4"},
          {L"product version", L"5.6.7.8"},
          {L"Comments", L"the comment"},
          {L"internal name", L"internal"},
          {L"product name", L"Fixture Product"},
          {L"company", L"Fixture Company"},
          {L"copyright", L"(c) nobody"},
          {L"product version (localized)", L"5.6 beta"},
          {L"description", L"a description"},
          {L"trademarks", L"no marks"},
          {L"private build", L"private"},
          {L"file version localized", L"1.2 localized"},
          {L"original filename", L"full.dll"},
          {L"special build", L"special"},
          {L"language", L"German"}},
         {}},
        {L"partial.dll",
         {{L"file version", L"65535.0.10.1"},
          {L"product version", L"0.0.0.0"},
          {L"product name", L"Partial"},
          {L"language", L"English"}},
         {}},
        {L"notranslation.dll", {{L"file version", L"3.0.0.1"}, {L"product version", L"3.0.0.0"}}, {}},
        {L"noversion.dll", {}, {}},
        {L"shorttranslation.dll",
         {{L"file version", L"7.8.9.0"}, {L"product version", L"7.8.9.0"}},
         {{Logging::Warning, L"Cannot read the version strings of file '" + dir +
                                 L"shorttranslation.dll': its translation table holds no complete entry."}}},
        {L"unterminated.dll",
         {{L"file version", L"1.2.3.4"},
          {L"product version", L"5.6.7.8"},
          {L"company", L"Quellon"},
          {L"language", L"English"}},
         {{Logging::Warning, L"Cannot read the version string 'Comments' of file '" + dir +
                                 L"unterminated.dll': it is not terminated."}}},
    };
    for (const auto& c : cases) {
        auto& log = LogCapture::Start();
        FileProperties properties(dir + c.file, L"");
        EXPECT_EQ(c.expected, properties.GetVersionProperties()) << Utils::ToUtf8(c.file);
        EXPECT_EQ(c.log, log.entries) << Utils::ToUtf8(c.file);
        // The version strings do not disturb the rest.
        EXPECT_EQ(6u, properties.GetBasicProperties().size()) << Utils::ToUtf8(c.file);
    }
    FileProperties full(fullDll, L"");
    ASSERT_TRUE(full.GetFileVersion().isSet);
    EXPECT_EQ(L"1.2.3.4", full.GetFileVersion().value.ToString());
}

TEST(FileProperties, LockedFileKeepsWhatCanBeRead) {
    ScratchFolder scratch(L"locked");
    const std::wstring path = scratch / L"locked.dll";
    ASSERT_TRUE(CopyFileW((FilesFixtureDir() + L"\\version\\full.dll").c_str(), path.c_str(), FALSE));
    UniqueHandle lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);

    auto& log = LogCapture::Start();
    FileProperties properties(path, L"");
    EXPECT_EQ((std::vector<std::wstring>{L"date created", L"date last modified", L"date last access", L"attributes",
                                         L"extended attributes"}),
              Labels(properties.GetBasicProperties()));
    EXPECT_TRUE(properties.GetVersionProperties().empty());
    EXPECT_EQ((Entries{{Logging::Error, L"Cannot read file version info from file '" + path + L"': " +
                                            System::GetErrorText(ERROR_SHARING_VIOLATION)}}),
              log.entries);
}

TEST(FileProperties, ReadErrorGivesNoDigest) {
    // Reading this file fails at once with an I/O error; a digest would be the empty content's.
    const std::wstring path = L"Z:\\proc\\self\\mem";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "needs Wine's view of a Linux /proc";
    auto& log = LogCapture::Start();
    FileProperties properties(path, L"");
    EXPECT_EQ(L"<absent>", Find(properties.GetBasicProperties(), L"MD5"));
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(Logging::Warning, log.entries[0].level);
    const std::wstring start = L"Cannot compute the MD5 digest of file '" + path + L"': reading it failed: ";
    EXPECT_EQ(start, log.entries[0].message.substr(0, start.size()));
}

TEST(FileProperties, FileTimesNeedBothHalvesAndAreNeverFatal) {
    const std::uint64_t limit = 1ull << 63;
    struct Case {
        std::uint64_t count;
        bool taken;
        bool warned;
    } cases[] = {
        {0, false, false},
        {0x00000000FFFFFFFFull, false, false},  // high half zero
        {0x01D6BDF500000000ull, false, false},  // low half zero
        {0x01D6BDF512345678ull, true, false},
        {limit - 1, true, false},
        {limit + 1, false, true},
        {~0ull, false, true},
    };
    for (const auto& c : cases) {
        auto& log = LogCapture::Start();
        DateProperty property{DateTime::NowUtc(), L"", false};
        FileProperties::SetDateProperty(MakeFileTime(c.count), L"date created", property, L"C:\\f.txt");
        EXPECT_EQ(c.taken, property.isSet) << std::hex << c.count;
        EXPECT_EQ(c.taken ? L"date created" : L"", property.name);
        if (c.taken) {
            EXPECT_EQ(c.count, property.value.GetCount());
        }
        Entries expected;
        if (c.warned)
            expected.push_back({Logging::Warning, L"Cannot read the date created of file 'C:\\f.txt': Cannot create "
                                                  L"DateTime: filetime is too big."});
        EXPECT_EQ(expected, log.entries) << std::hex << c.count;
    }
}

TEST(FileProperties, CaptionIsThePathBelowTheBaseFolder) {
    ScratchFolder scratch(L"caption");
    CreateDirectoryW((scratch / L"Sub").c_str(), nullptr);
    const std::wstring path = scratch / L"Sub\\a.txt";
    WriteFileBytes(path, "a");
    SetEnvironmentVariableW(L"GATHRIX_CAPTION_DIR", scratch.Path().c_str());
    System::Variables::Destroy();
    struct Case {
        std::wstring basePath, caption;
    } cases[] = {
        {L"", path},
        {L"%GATHRIX_CAPTION_DIR%", L"Sub\\a.txt"},
        {Utils::ToLower(scratch.Path()) + L"/", L"Sub\\a.txt"},
        // Already a normalised folder text: nothing to take away.
        {scratch.Path() + L"\\", path},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.caption, FileProperties(path, c.basePath).GetCaption()) << Utils::ToUtf8(c.basePath);
    SetEnvironmentVariableW(L"GATHRIX_CAPTION_DIR", nullptr);
    System::Variables::Destroy();
}

TEST(FileProperties, CreateForPathMakesOneObjectPerViewOfADiskFile) {
    ScratchFolder scratch(L"create");
    WriteFileBytes(scratch / L"a.txt", "abc");
    const std::size_t views = System::OperatingSystem::Is64BitOperatingSystem() ? 2 : 1;

    auto& log = LogCapture::Start();
    std::vector<std::unique_ptr<FileProperties>> objects;
    for (FileProperties* object : FileProperties::CreateForPath(L"\"" + (scratch / L"a.txt") + L"\" -arg", L""))
        objects.emplace_back(object);
    ASSERT_EQ(views, objects.size());
    for (const auto& object : objects) {
        EXPECT_EQ(scratch / L"a.txt", object->GetPath());
        EXPECT_EQ(L"900150983CD24FB0D6963F7D28E17F72", Find(object->GetBasicProperties(), L"MD5"));
    }
    for (const std::wstring& nothing : {scratch.Path(), scratch / L"missing.txt"})
        EXPECT_TRUE(FileProperties::CreateForPath(nothing, L"").empty()) << Utils::ToUtf8(nothing);
    EXPECT_EQ(Entries{}, log.entries);
}

TEST(FileProperties, FindMatchingFilesListsFilesOnly) {
    ScratchFolder scratch(L"matching");
    WriteFileBytes(scratch / L"a.txt", "a");
    WriteFileBytes(scratch / L"b.txt", "b");
    WriteFileBytes(scratch / L"c.log", "c");
    CreateDirectoryW((scratch / L"d.txt").c_str(), nullptr);
    EXPECT_EQ((std::vector<std::wstring>{scratch / L"a.txt", scratch / L"b.txt"}),
              FileProperties::FindMatchingFiles(scratch / L"*.txt"));
    EXPECT_TRUE(FileProperties::FindMatchingFiles(L"*.txt").empty());
    EXPECT_TRUE(FileProperties::FindMatchingFiles(L"").empty());
    EXPECT_TRUE(FileProperties::FindMatchingFiles(scratch / L"*.none").empty());
}
