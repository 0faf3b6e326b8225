#include "collector/collectors/files/FindFiles.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <gtest/gtest.h>

using namespace Gathrix;
using namespace Gathrix::Testing;
using System::OperatingSystem::Is64BitOperatingSystem;

namespace {

// "path" for the native view, "32:path" for the 32-bit view; paths relative to `root` when
// they lie below it.
std::vector<std::wstring> Describe(const std::vector<PathCandidate>& found, const std::wstring& root) {
    std::vector<std::wstring> texts;
    for (const auto& candidate : found) {
        EXPECT_FALSE(candidate.IsViewEntered());
        std::wstring path = candidate.GetPath();
        if (!root.empty() && Utils::StartsWithNoCase(path, root + L"\\"))
            path = path.substr(root.size() + 1);
        texts.push_back((candidate.UsesRedirection() ? L"32:" : L"") + path);
    }
    return texts;
}

using Texts = std::vector<std::wstring>;

// root: a.log b.txt .config .svn\f.log sub1\c.log sub1\deep\d.log sub2\e.log sub2\e.txt
class FileTree : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* folder : {L"sub1", L"sub1\\deep", L"sub2", L".svn", L"Dumps", L"Dumps2"})
            CreateDirectoryW((scratch / folder).c_str(), nullptr);
        for (const wchar_t* file : {L"a.log", L"b.txt", L".config", L".svn\\f.log", L"sub1\\c.log",
                                    L"sub1\\deep\\d.log", L"sub2\\e.log", L"sub2\\e.txt", L"Dumps\\g.log",
                                    L"Dumps2\\h.log"})
            WriteFileBytes(scratch / file, "x");
    }
    // Both lists in the order the file system reports entries (Wine sorts names; Windows need not).
    Texts Listed(const std::wstring& folder, bool folders) {
        Texts names;
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW((scratch / folder + L"\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder == folders && entry.cFileName[0] != L'.')
                names.push_back(entry.cFileName);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        return names;
    }

    ScratchFolder scratch{L"tree"};
};

} // namespace

TEST_F(FileTree, FilesOfTheNamedFoldersAndWithSubFoldersDepthFirst) {
    const std::wstring root = scratch.Path();
    struct Case {
        std::wstring path, filter;
        bool readSubFolders;
        Texts expected;
    } cases[] = {
        {root, L"*.log", false, {L"a.log"}},
        {root + L"\\", L"*.log", false, {L"a.log"}},
        {root, L"*.log", true, {L"a.log", L"Dumps\\g.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub1\\deep\\d.log",
                                L"sub2\\e.log"}},
        {root + L"\\*", L"*.log", false, {L"Dumps\\g.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub2\\e.log"}},
        {root + L"\\sub*", L"e.*", false, {L"sub2\\e.log", L"sub2\\e.txt"}},
        {root, L"sub1\\*.log", false, {L"sub1\\c.log"}},
        {root, L"*.cfg", true, {}},
        {root + L"\\missing", L"*", true, {}},
    };
    // Expected orders above assume names sorted case-insensitively, as this platform lists them.
    ASSERT_EQ((Texts{L"Dumps", L"Dumps2", L"sub1", L"sub2"}), Listed(L"", true));
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Describe(FindFiles(c.path, c.filter, c.readSubFolders), root))
            << std::string(c.path.begin(), c.path.end()) << " " << std::string(c.filter.begin(), c.filter.end());

    // Files whose names begin with a dot count; folders whose names do are neither listed nor searched.
    EXPECT_EQ((Texts{L".config", L"a.log", L"b.txt"}), Describe(FindFiles(root, L"*", false), root));
}

TEST_F(FileTree, FoldersAreListedOnceEachWithTrailingBackslashesAndWildcards) {
    const std::wstring root = scratch.Path();
    EXPECT_EQ((Texts{root}), Describe(FindDirectories(root, false), L""));
    EXPECT_EQ((Texts{root}), Describe(FindDirectories(root + L"\\\\", false), L""));
    EXPECT_EQ((Texts{L"Dumps", L"Dumps2", L"sub1", L"sub2"}), Describe(FindDirectories(root + L"\\*", false), root));
    EXPECT_EQ((Texts{root, L"Dumps", L"Dumps2", L"sub1", L"sub1\\deep", L"sub2"}),
              Describe(FindDirectories(root, true), root));
    // A wildcard before a trailing backslash yields the pattern itself once per match.
    EXPECT_EQ((Texts{L"sub*", L"sub*"}), Describe(FindDirectories(root + L"\\sub*\\", false), root));
    EXPECT_EQ(Texts{}, Describe(FindDirectories(L"no-backslash", false), L""));
    EXPECT_EQ(Texts{}, Describe(FindDirectories(L"", true), L""));
}

TEST_F(FileTree, ExclusionsLeaveOutWholeFoldersAndExactFiles) {
    const std::wstring root = scratch.Path();
    struct Case {
        Texts excluded;
        Texts expected;
    } cases[] = {
        {{}, {L"a.log", L"Dumps\\g.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub1\\deep\\d.log", L"sub2\\e.log"}},
        // A folder excludes itself and what lies below it, not a sibling that merely shares its start.
        {{root + L"\\DUMPS"}, {L"a.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub1\\deep\\d.log", L"sub2\\e.log"}},
        {{root + L"\\dumps\\"}, {L"a.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub1\\deep\\d.log", L"sub2\\e.log"}},
        {{root + L"\\sub1"}, {L"a.log", L"Dumps\\g.log", L"Dumps2\\h.log", L"sub2\\e.log"}},
        {{root + L"\\sub"}, {L"a.log", L"Dumps\\g.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub1\\deep\\d.log",
                             L"sub2\\e.log"}},
        // Files are left out on their full path only.
        {{root + L"\\SUB2\\E.LOG", L"c.log"},
         {L"a.log", L"Dumps\\g.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub1\\deep\\d.log"}},
        {{root}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Describe(FindFilesExcluding(root, L"*.log", true, c.excluded), root))
            << (c.excluded.empty() ? "" : std::string(c.excluded[0].begin(), c.excluded[0].end()));
}

// Marks the folders whose path ends in "sub1" or equals the marked root as junctions.
std::wstring markedRoot;
unsigned long MarkAsJunction(const std::wstring& path, unsigned long attributes) {
    const std::wstring tail = L"\\sub1";
    const bool isSub1 = path.size() >= tail.size() && Utils::EqualsNoCase(path.substr(path.size() - tail.size()), tail);
    if (isSub1 || Utils::EqualsNoCase(path, markedRoot))
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
}

TEST_F(FileTree, JunctionsBelowTheNamedFolderAreListedButNeverEntered) {
    const std::wstring root = scratch.Path();
    markedRoot = root;
    SetFolderAttributeHook(MarkAsJunction);
    const Texts folders = Describe(FindDirectories(root, true), root);
    const Texts files = Describe(FindFiles(root, L"*.log", true), root);
    const Texts filtered = Describe(FindFilesExcluding(root, L"*.log", true, {root + L"\\Dumps"}), root);
    SetFolderAttributeHook(nullptr);

    // sub1 is a junction: its own files count, its folder "deep" is not searched. The named
    // folder is entered although it is one too.
    EXPECT_EQ((Texts{root, L"Dumps", L"Dumps2", L"sub1", L"sub2"}), folders);
    EXPECT_EQ((Texts{L"a.log", L"Dumps\\g.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub2\\e.log"}), files);
    EXPECT_EQ((Texts{L"a.log", L"Dumps2\\h.log", L"sub1\\c.log", L"sub2\\e.log"}), filtered);
}

// Links made on the Linux side that point back up: x.log, a\y.log, a\up -> .., a\b\z.log,
// a\b\back -> ..\..; without the rule the search would list a\up\a\up\... until paths got too
// long, and with two loops the number of paths would double at every level.
TEST(FindFiles, ATreeWhoseLinksLoopBackUpEnds) {
    const std::wstring root = FilesFixtureDir() + L"\\linkloop";
    const DWORD link = GetFileAttributesW((root + L"\\a\\up").c_str());
    ASSERT_NE(link, INVALID_FILE_ATTRIBUTES) << "the fixture was not made";
    ASSERT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT) << "the platform no longer shows links as reparse points";
    EXPECT_EQ((Texts{root, L"a", L"a\\b", L"a\\b\\back", L"a\\up"}), Describe(FindDirectories(root, true), root));
    EXPECT_EQ((Texts{L"x.log", L"a\\y.log", L"a\\b\\z.log", L"a\\b\\back\\x.log", L"a\\up\\x.log"}),
              Describe(FindFiles(root, L"*.log", true), root));
}

TEST(FindFiles, SystemFolderTreesAreListedOncePerView) {
    if (!Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no SysWOW64 folder";
    const std::wstring name = UniqueName(L"tree");
    NativePath native(NativeSystemDir() + L"\\" + name), wow(Wow64SystemDir() + L"\\" + name);
    for (NativePath* tree : {&native, &wow}) {
        tree->MakeFolder();
        tree->MakeFolder(L"x");
        tree->MakeFolder(L"x\\y");
    }
    InNativeView([&] {
        WriteFileBytes(native.Path() + L"\\x\\y\\n.dll", "x");
        WriteFileBytes(wow.Path() + L"\\x\\y\\w.dll", "x");
    });

    const std::wstring s32 = NativeSystemDir() + L"\\" + name, w64 = Wow64SystemDir() + L"\\" + name;
    EXPECT_EQ((Texts{s32, s32 + L"\\x", s32 + L"\\x\\y", L"32:" + w64, L"32:" + w64 + L"\\x", L"32:" + w64 + L"\\x\\y"}),
              Describe(FindDirectories(L"%windir%\\System32\\" + name, true), L""));
    EXPECT_EQ((Texts{s32 + L"\\x", s32 + L"\\x\\y", L"32:" + w64 + L"\\x", L"32:" + w64 + L"\\x\\y"}),
              Describe(FindDirectories(L"%windir%\\System32\\" + name + L"\\*", true), L""));
    EXPECT_EQ((Texts{s32 + L"\\x\\y\\n.dll", L"32:" + w64 + L"\\x\\y\\w.dll"}),
              Describe(FindFiles(L"%windir%\\System32\\" + name, L"*.dll", true), L""));
    // The SysWOW64 folder named directly is searched in the native view only.
    EXPECT_EQ((Texts{w64 + L"\\x\\y\\w.dll"}), Describe(FindFiles(w64, L"*.dll", true), L""));
}

// As a 32-bit process on 64-bit Windows: every search of the native view is one switch-off and
// one switch-on around it, never nested, and each folder is still listed once per view, the
// native pass first. (The stand-ins do not really switch: both trees have the same folders.)
TEST(FindFiles, ANativeViewSearchSwitchesOffAndOnAroundEachFolder) {
    if (!Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no SysWOW64 folder";
    const std::wstring name = UniqueName(L"switch");
    NativePath native(NativeSystemDir() + L"\\" + name), wow(Wow64SystemDir() + L"\\" + name);
    for (NativePath* tree : {&native, &wow}) {
        tree->MakeFolder();
        tree->MakeFolder(L"x");
        tree->MakeFolder(L"x\\y");
    }

    Wow64StandIns switchCalls;
    const std::wstring s32 = NativeSystemDir() + L"\\" + name, w64 = Wow64SystemDir() + L"\\" + name;
    EXPECT_EQ((Texts{s32, s32 + L"\\x", s32 + L"\\x\\y", L"32:" + w64, L"32:" + w64 + L"\\x", L"32:" + w64 + L"\\x\\y"}),
              Describe(FindDirectories(L"%windir%\\System32\\" + name, true), L""));
    // The named folder, then the search below each of the three native folders.
    EXPECT_EQ(4u, switchCalls.Pairs());
    EXPECT_TRUE(switchCalls.Paired());

    Wow64StandIns::Calls().clear();
    EXPECT_EQ(Texts{}, Describe(FindFiles(L"%windir%\\System32\\" + name, L"*.none", true), L""));
    // The same searches, and one listing of each native folder's files.
    EXPECT_EQ(7u, switchCalls.Pairs());
    EXPECT_TRUE(switchCalls.Paired());
}

TEST(FindFiles, ProgramFilesFoldersOfBothVariablesAreSearchedOnce) {
    const std::wstring name = UniqueName(L"app");
    wchar_t programFiles[MAX_PATH] = {}, programW6432[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", programFiles, MAX_PATH);
    Texts expected{std::wstring(programFiles) + L"\\" + name};
    if (GetEnvironmentVariableW(L"ProgramW6432", programW6432, MAX_PATH) &&
        !Utils::EqualsNoCase(programFiles, programW6432))
        expected.push_back(std::wstring(programW6432) + L"\\" + name);
    std::vector<std::unique_ptr<NativePath>> folders;
    for (const auto& folder : expected) {
        folders.push_back(std::make_unique<NativePath>(folder));
        folders.back()->MakeFolder();
    }
    EXPECT_EQ(expected, Describe(FindDirectories(L"%ProgramFiles%\\" + name, true), L""));
}

TEST(FindFiles, ThirtyTwoBitWindowsSearchesTheNativeViewOnly) {
    if (Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 32-bit Windows (a WINEARCH=win32 prefix)";
    const std::wstring name = UniqueName(L"tree");
    NativePath tree(NativeSystemDir() + L"\\" + name);
    tree.MakeFolder();
    tree.MakeFolder(L"x");
    EXPECT_EQ((Texts{tree.Path(), tree.Path() + L"\\x"}),
              Describe(FindDirectories(L"%windir%\\System32\\" + name, true), L""));
}
