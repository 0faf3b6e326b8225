#include "collector/collectors/files/FileContent.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/WrittenTree.h"
#include "collector/platform/Directories.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// Where the job files the copy of a file on a drive: the drive letter, then the path behind the root.
std::wstring Filed(const std::wstring& path) {
    return std::wstring(1, path[0]) + L"\\" + PathSkipRootW(path.c_str());
}

std::string Folded(const std::wstring& text) {
    std::string folded;
    for (char c : Narrow(text))
        if (c != ' ' || folded.empty() || folded.back() != ' ')
            folded += c;
    return folded;
}

class FileContentTest : public WorkingFolderTest {
protected:
    // The file a leaf's link names, resolved the way the report does: relative to the result
    // files in the data folder.
    std::wstring LinkedFile(const Written& leaf) {
        std::wstring link = Utils::FromUtf8(leaf.externalLink);
        Utils::NormalizeBackslashes(link);
        return data + L"\\" + link;
    }
    // Every leaf links its copy twice (open and preview), and the copy holds the source's bytes.
    void ExpectLinkedCopy(const Written& leaf, const std::wstring& source) {
        SCOPED_TRACE(leaf.value);
        EXPECT_EQ("filecontent", leaf.type);
        EXPECT_EQ("false", leaf.showNumOfChildren);
        std::wstring expected = L"./FileCopies/" + Filed(source);
        Utils::NormalizeForwardSlashes(expected);
        EXPECT_EQ(Narrow(expected), leaf.externalLink);
        EXPECT_EQ(leaf.externalLink, leaf.embeddedObjectLink);
        ASSERT_TRUE(PathExists(LinkedFile(leaf)));
        EXPECT_EQ(ReadFileBytes(source), ReadFileBytes(LinkedFile(leaf)));
    }

    ScratchFolder tree{L"content"};
};

// Deletes one of the listed files before the copying starts, as if it vanished meanwhile.
class VanishingFileContent : public FileContent {
public:
    VanishingFileContent(const std::wstring& path, const std::wstring& vanishing)
        : FileContent(path, L"*.log", true), vanishing(vanishing) {}

protected:
    std::vector<PathCandidate> ListFiles() const override {
        std::vector<PathCandidate> files = FileContent::ListFiles();
        DeleteFileW(vanishing.c_str());
        return files;
    }

private:
    std::wstring vanishing;
};

} // namespace

TEST(FileContent, CaptionIsTheExpandedFolderAndTheFilter) {
    const std::wstring windows = WindowsDir();
    struct Case {
        std::wstring path, filter, caption;
    } cases[] = {
        {L"%systemroot%\\Minidump", L"*.dmp", L"file contents of " + windows + L"\\Minidump\\*.dmp"},
        {L"C:/Logs//old", L"*.log", L"file contents of C:\\Logs\\old\\*.log"},
        // Already a folder text, or not one folder: the path as written.
        {L"C:\\Logs\\", L"*.log", L"file contents of C:\\Logs\\*.log"},
        {L"%ProgramFiles%\\App", L"*.log", L"file contents of %ProgramFiles%\\App*.log"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.caption, FileContent(c.path, c.filter, false).GetValue()) << Narrow(c.path);

    FileContent job(L"C:\\Dumps", L"*.dmp", true, {L"C:\\Dumps\\old"});
    EXPECT_EQ(L"true", job.GetShowNumOfChildren());
    EXPECT_EQ(L"filecontents", job.GetType());
    EXPECT_EQ(L"C:\\Dumps", job.GetPath());
    EXPECT_EQ(L"*.dmp", job.GetFilter());
    EXPECT_TRUE(job.GetReadSubFolders());
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\Dumps\\old"}, job.GetExcludedFolders());
    EXPECT_TRUE(FileContent(L"C:\\Dumps", L"*.dmp", false).GetExcludedFolders().empty());
}

TEST_F(FileContentTest, CopiesKeepTheFolderStructureAndTheLinksOpenThem) {
    CreateDirectoryW((tree / L"sub").c_str(), nullptr);
    CreateDirectoryW((tree / L"sub\\deep").c_str(), nullptr);
    WriteFileBytes(tree / L"a.log", "first log\r\n");
    WriteFileBytes(tree / L"other.txt", "not selected");
    WriteFileBytes(tree / L"sub\\b.log", std::string("\0\x01\xff binary", 10));
    WriteFileBytes(tree / L"sub\\deep\\c.log", "");

    auto& log = LogCapture::Start();
    FileContent job(tree.Path(), L"*.log", true);
    const Written element = CollectedOne(job);
    EXPECT_EQ("TreeElement", element.name);
    EXPECT_EQ("true", element.showNumOfChildren);
    EXPECT_EQ("filecontents", element.type);
    EXPECT_EQ("file contents of " + Narrow(tree.Path()) + "\\*.log", element.value);
    EXPECT_TRUE(element.externalLink.empty() && element.embeddedObjectLink.empty());

    // A file in the folder shows its name, one below it its path below the folder.
    ASSERT_EQ((std::vector<std::string>{"a.log", "sub\\b.log", "sub\\deep\\c.log"}), ValuesOf(element.children));
    ExpectLinkedCopy(element.children[0], tree / L"a.log");
    ExpectLinkedCopy(element.children[1], tree / L"sub\\b.log");
    ExpectLinkedCopy(element.children[2], tree / L"sub\\deep\\c.log");
    EXPECT_FALSE(PathExists(data + L"\\FileCopies\\" + Filed(tree / L"other.txt")));
    EXPECT_TRUE(log.entries.empty());
    std::vector<ITreeElement*> children;
    job.GetChildren(children);
    EXPECT_TRUE(children.empty()) << "only error leaves are kept";

    // Without sub-folders only the folder's own files; an existing copy is overwritten.
    WriteFileBytes(tree / L"a.log", "second run");
    FileContent flat(tree.Path(), L"*.log", false);
    const Written again = CollectedOne(flat);
    ASSERT_EQ(std::vector<std::string>{"a.log"}, ValuesOf(again.children));
    ExpectLinkedCopy(again.children[0], tree / L"a.log");
}

TEST_F(FileContentTest, AVanishedFileGivesAnErrorLeafInPlaceAndTheOthersAreCopied) {
    for (const wchar_t* name : {L"a.log", L"b.log", L"c.log"})
        WriteFileBytes(tree / name, Narrow(name));

    auto& log = LogCapture::Start();
    VanishingFileContent job(tree.Path(), tree / L"b.log");
    const Written element = CollectedOne(job);

    const std::wstring message =
        L"Couldn't copy file '" + (tree / L"b.log") + L"': " + System::GetErrorText(ERROR_FILE_NOT_FOUND);
    // The library reading the result back folds the blanks of a text.
    ASSERT_EQ((std::vector<std::string>{"a.log", Folded(message), "c.log"}), ValuesOf(element.children));
    EXPECT_EQ("lvlerror", element.children[1].type);
    EXPECT_TRUE(element.children[1].externalLink.empty());
    ExpectLinkedCopy(element.children[0], tree / L"a.log");
    ExpectLinkedCopy(element.children[2], tree / L"c.log");
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Error, message}}), log.entries);

    // The error leaf is the job's child from then on.
    std::vector<ITreeElement*> children;
    job.GetChildren(children);
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(message, children[0]->GetValue());
    EXPECT_EQ(L"lvlerror", children[0]->GetType());
}

TEST_F(FileContentTest, FilesThatCannotBeCopiedAreListedWithoutLinks) {
    WriteFileBytes(tree / L"locked.log", "in use");
    WriteFileBytes(tree / L"free.log", "free");
    // One part of the copy's path beyond the 255 characters a split allows.
    const std::wstring longName(200, L'n');
    ASSERT_TRUE(CreateDirectoryW((tree / longName).c_str(), nullptr));
    WriteFileBytes(tree / (longName + L"\\long.log"), "long");
    ASSERT_GT((L".\\data\\FileCopies\\" + Filed(tree / longName) + L"\\").size(), 255u);
    UniqueHandle lock(CreateFileW((tree / L"locked.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);

    auto& log = LogCapture::Start();
    FileContent job(tree.Path(), L"*.log", true);
    const Written element = CollectedOne(job);
    std::vector<std::string> values = ValuesOf(element.children);
    std::sort(values.begin(), values.end());
    ASSERT_EQ((std::vector<std::string>{"free.log", "locked.log", Narrow(longName) + "\\long.log"}), values);
    for (const auto& leaf : element.children) {
        EXPECT_EQ("filecontent", leaf.type);
        if (leaf.value == "free.log")
            ExpectLinkedCopy(leaf, tree / L"free.log");
        else
            EXPECT_TRUE(leaf.externalLink.empty() && leaf.embeddedObjectLink.empty()) << leaf.value;
    }
    EXPECT_FALSE(PathExists(data + L"\\FileCopies\\" + Filed(tree / L"locked.log")));
    // The log says why each copy is missing.
    std::vector<LogCapture::Entry> expected = {
        {Logging::Warning, L"Couldn't copy file '" + (tree / L"locked.log") + L"': " +
                               System::GetErrorText(ERROR_SHARING_VIOLATION)},
        {Logging::Warning, L"Couldn't copy file '" + (tree / (longName + L"\\long.log")) + L"': " +
                               System::GetErrorText(ERROR_FILENAME_EXCED_RANGE)}};
    std::vector<LogCapture::Entry> logged = log.entries;
    auto byMessage = [](const LogCapture::Entry& a, const LogCapture::Entry& b) { return a.message < b.message; };
    std::sort(expected.begin(), expected.end(), byMessage);
    std::sort(logged.begin(), logged.end(), byMessage);
    EXPECT_EQ(expected, logged);
}

TEST_F(FileContentTest, ExclusionsLeaveOutWholeFoldersAndExactFiles) {
    for (const wchar_t* folder : {L"Dumps", L"Dumps\\inner", L"Dumps2", L"keep"})
        CreateDirectoryW((tree / folder).c_str(), nullptr);
    for (const wchar_t* file : {L"top.dmp", L"skip.dmp", L"Dumps\\a.dmp", L"Dumps\\inner\\b.dmp", L"Dumps2\\c.dmp",
                                L"keep\\d.dmp", L"keep\\e.dmp"})
        WriteFileBytes(tree / file, "x");

    struct Case {
        std::vector<std::wstring> excluded;
        std::vector<std::string> copied;
    } cases[] = {
        // A folder leaves out itself and what lies below it, not a folder whose name it begins.
        {{tree / L"Dumps"}, {"skip.dmp", "top.dmp", "Dumps2\\c.dmp", "keep\\d.dmp", "keep\\e.dmp"}},
        // Case is ignored, a trailing backslash changes nothing, an exact file path leaves out
        // that file, and an empty text leaves out nothing.
        {{Utils::ToLower(tree / L"DUMPS\\"), L"", tree / L"SKIP.DMP", tree / L"keep"}, {"top.dmp", "Dumps2\\c.dmp"}},
        {{tree / L"Dumps\\inner", tree / L"Dump"},
         {"skip.dmp", "top.dmp", "Dumps\\a.dmp", "Dumps2\\c.dmp", "keep\\d.dmp", "keep\\e.dmp"}},
    };
    for (const auto& c : cases) {
        FileContent job(tree.Path(), L"*.dmp", true, c.excluded);
        std::vector<std::string> copied = ValuesOf(CollectedOne(job).children);
        // Wine lists folders case-blind sorted; only the set counts here.
        std::sort(copied.begin(), copied.end());
        std::vector<std::string> expected = c.copied;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, copied) << Narrow(c.excluded[0]);
    }
}

TEST_F(FileContentTest, NothingMatchingGivesTheCaptionAloneAndATrailingBackslashKeepsFullPaths) {
    WriteFileBytes(tree / L"a.log", "a");
    FileContent none(tree.Path(), L"*.dmp", true);
    const Written empty = CollectedOne(none);
    EXPECT_EQ("true", empty.showNumOfChildren);
    EXPECT_TRUE(empty.children.empty());

    FileContent missing(tree / L"missing", L"*", true);
    EXPECT_TRUE(CollectedOne(missing).children.empty());

    // The path as written is no variable text: the caption keeps it and leaves show full paths.
    FileContent written(tree.Path() + L"\\", L"*.log", false);
    const Written element = CollectedOne(written);
    EXPECT_EQ("file contents of " + Narrow(tree.Path()) + "\\*.log", element.value);
    ASSERT_EQ(1u, element.children.size());
    EXPECT_EQ(Narrow(tree / L"a.log"), element.children[0].value);
    ExpectLinkedCopy(element.children[0], tree / L"a.log");
}

TEST_F(FileContentTest, AReadOnlyHiddenSystemFileCopiedTwiceIsAPlainCopyLinkedBothTimes) {
    constexpr DWORD flags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    WriteFileBytes(tree / L"rhs.log", "read only, hidden, system");
    ASSERT_TRUE(SetFileAttributesW((tree / L"rhs.log").c_str(), flags));
    ASSERT_EQ(flags, GetFileAttributesW((tree / L"rhs.log").c_str()) & flags);
    auto& log = LogCapture::Start();
    FileContent first(tree.Path(), L"*.log", false), second(tree.Path(), L"*.log", false);
    const std::vector<Written> written = Collected({&first, &second});
    SetFileAttributesW((tree / L"rhs.log").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(2u, written.size());
    for (const auto& element : written) {
        ASSERT_EQ(1u, element.children.size());
        ExpectLinkedCopy(element.children[0], tree / L"rhs.log");
        // Windows refuses to overwrite a read-only file, and to replace a hidden or system one by
        // a plain one (Wine, run as root here, does neither).
        EXPECT_EQ(0u, GetFileAttributesW(LinkedFile(element.children[0]).c_str()) & flags);
    }
    EXPECT_TRUE(log.entries.empty());
}

// The same folder on two drives (under Wine C: is the prefix's drive, Z: the Linux root): two
// copies, each leaf linking the copy of its own file.
TEST_F(FileContentTest, TheSamePathOnTwoDrivesGivesTwoCopiesEachLinkedByItsLeaf) {
    if (GetFileAttributesW(L"Z:\\tmp") == INVALID_FILE_ATTRIBUTES || GetFileAttributesW(L"C:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "needs the drives C: and Z: with a folder Z:\\tmp (Wine's usual drives)";
    const std::wstring top = L"tmp\\" + UniqueName(L"gathrix-drives");
    struct Drive {
        wchar_t letter;
        std::string bytes;
    } drives[] = {{L'C', "from drive C"}, {L'Z', "from drive Z"}};
    std::vector<std::unique_ptr<FileContent>> jobs;
    for (const auto& drive : drives) {
        const std::wstring folder = drive.letter + (L":\\" + top + L"\\App\\Logs");
        ASSERT_TRUE(Utils::CreateDirectoryTree(folder));
        WriteFileBytes(folder + L"\\a.log", drive.bytes);
        jobs.push_back(std::make_unique<FileContent>(folder, L"*.log", false));
    }
    const std::vector<Written> written = Collected({jobs[0].get(), jobs[1].get()});
    for (const auto& drive : drives)
        RemoveTree(drive.letter + (L":\\" + top));

    ASSERT_EQ(2u, written.size());
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(drives[i].bytes);
        ASSERT_EQ(1u, written[i].children.size());
        std::wstring link = L"./FileCopies/" + (drives[i].letter + (L"\\" + top + L"\\App\\Logs\\a.log"));
        Utils::NormalizeForwardSlashes(link);
        EXPECT_EQ(Narrow(link), written[i].children[0].externalLink);
        EXPECT_EQ(drives[i].bytes, ReadFileBytes(LinkedFile(written[i].children[0])));
    }
}

TEST(FileContent, ACopyIsFiledUnderItsDriveOrItsServerAndShare) {
    struct Case {
        std::wstring source, filed;
    } cases[] = {
        {L"C:\\App\\Logs\\a.log", L"C\\App\\Logs\\a.log"},
        {L"d:/App//a.log", L"D\\App\\a.log"},
        // ".." never leads out of the drive's folder.
        {L"C:\\App\\..\\..\\..\\Logfile.xml", L"C\\Logfile.xml"},
        {L"\\\\srv\\share\\Logs\\a.log", L"UNC\\srv\\share\\Logs\\a.log"},
        {L"//srv/share/a.log", L"UNC\\srv\\share\\a.log"},
        {L"\\\\?\\E:\\x\\..\\a.log", L"E\\a.log"},
        {L"\\\\?\\UNC\\srv\\share\\a.log", L"UNC\\srv\\share\\a.log"},
        // Nothing below a root, or no root at all: no copy.
        {L"C:\\", L""},
        {L"\\\\srv\\share\\", L""},
        {L"Logs\\a.log", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.filed, FileCopyPath(c.source)) << Narrow(c.source);
}

TEST_F(FileContentTest, CollectingWithoutAWriterThrowsBeforeCopying) {
    WriteFileBytes(tree / L"a.log", "a");
    FileContent job(tree.Path(), L"*.log", false);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
    EXPECT_FALSE(PathExists(data + L"\\FileCopies"));
}

// As a 32-bit process on 64-bit Windows, each file's test and copy happen inside its view, and
// every switch-off is paired with its switch-on.
TEST_F(FileContentTest, EveryNativeViewAccessIsPairedWithItsSwitchBack) {
    if (!System::OperatingSystem::Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no view to switch";
    CreateDirectoryW((tree / L"sub").c_str(), nullptr);
    WriteFileBytes(tree / L"a.log", "abc");
    WriteFileBytes(tree / L"sub\\b.log", "");

    Wow64StandIns switchCalls;
    FileContent job(tree.Path(), L"*.log", true);
    const Written element = CollectedOne(job);
    ASSERT_EQ((std::vector<std::string>{"a.log", "sub\\b.log"}), ValuesOf(element.children));
    ExpectLinkedCopy(element.children[0], tree / L"a.log");
    ExpectLinkedCopy(element.children[1], tree / L"sub\\b.log");
    EXPECT_TRUE(switchCalls.Paired());
    // The two searches, the two listings and one per file.
    EXPECT_GE(switchCalls.Pairs(), 6u);
}
