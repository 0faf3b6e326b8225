#include "collector/core/Directories.h"

#include "common/Handles.h"
#include "common/TextUtils.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using Gathrix::Testing::PathExists;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;
using Gathrix::Utils::CreateDirectoryTree;
using Gathrix::Utils::DeleteDirectoryTree;

namespace {

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes `path` the current folder for one scope.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& path) {
        GetCurrentDirectoryW(MAX_PATH, previous);
        EXPECT_TRUE(SetCurrentDirectoryW(path.c_str()));
    }
    ~CurrentFolder() { SetCurrentDirectoryW(previous); }

private:
    wchar_t previous[MAX_PATH] = {};
};

std::wstring ModuleFolder() {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.rfind(L'\\'));
}

} // namespace

TEST(CreateDirectoryTree, CreatesMissingParentsAndAcceptsWhatExists) {
    ScratchFolder scratch(L"mkdir");
    WriteFileBytes(scratch / L"file.txt", "x");
    struct Case {
        std::wstring path;
        bool result;
        std::wstring mustBeFolder;
    };
    const Case cases[] = {
        {scratch.Path(), true, scratch.Path()},
        {scratch.Path() + L"\\", true, scratch.Path()},
        {scratch / L"file.txt", true, L""},
        {scratch / L"a\\b\\c", true, scratch / L"a\\b\\c"},
        {scratch / L"x\\y\\", true, scratch / L"x\\y"},
        {L"", false, L""},
        {L"\\", false, L""},
        {scratch / L"file.txt\\sub\\leaf", false, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, CreateDirectoryTree(c.path)) << Gathrix::Utils::ToUtf8(c.path);
        if (!c.mustBeFolder.empty())
            EXPECT_TRUE(IsFolder(c.mustBeFolder)) << Gathrix::Utils::ToUtf8(c.mustBeFolder);
    }
    EXPECT_TRUE(IsFolder(scratch / L"a\\b"));
}

TEST(CreateDirectoryTree, RelativePathsNeedASeparator) {
    ScratchFolder scratch(L"mkdir-relative");
    CurrentFolder current(scratch.Path());
    EXPECT_FALSE(CreateDirectoryTree(L"data"));
    EXPECT_FALSE(PathExists(scratch / L"data"));
    EXPECT_TRUE(CreateDirectoryTree(L".\\data\\images\\"));
    EXPECT_TRUE(IsFolder(scratch / L"data\\images"));
}

TEST(DeleteDirectoryTree, RemovesFilesAndNestedFolders) {
    ScratchFolder scratch(L"rmdir");
    const std::wstring root = scratch / L"work";
    ASSERT_TRUE(CreateDirectoryTree(root + L"\\data\\images\\deep"));
    WriteFileBytes(root + L"\\top.txt", "1");
    WriteFileBytes(root + L"\\data\\images\\a.png", "2");
    WriteFileBytes(root + L"\\data\\images\\deep\\b", "3");
    ASSERT_TRUE(CreateDirectoryTree(scratch / L"workmate"));  // a sibling whose name extends the folder's

    DeleteDirectoryTree((root + L"\\").c_str());
    EXPECT_FALSE(PathExists(root));
    EXPECT_TRUE(IsFolder(scratch / L"workmate"));

    DeleteDirectoryTree((scratch / L"missing").c_str());
    DeleteDirectoryTree(nullptr);
    EXPECT_TRUE(IsFolder(scratch.Path()));
}

TEST(DeleteDirectoryTree, CurrentFolderIsEmptiedAndRefusedEntriesStay) {
    ScratchFolder scratch(L"rmdir-current");
    const std::wstring root = scratch / L"work";
    ASSERT_TRUE(CreateDirectoryTree(root + L"\\data\\sub"));
    WriteFileBytes(root + L"\\data\\sub\\f", "1");
    WriteFileBytes(root + L"\\busy.txt", "2");
    WriteFileBytes(root + L"\\free.txt", "3");
    Gathrix::UniqueHandle busy(CreateFileW((root + L"\\busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(busy.IsValid());
    {
        CurrentFolder current(root);
        DeleteDirectoryTree(root.c_str());
    }
    EXPECT_TRUE(IsFolder(root));
    EXPECT_TRUE(PathExists(root + L"\\busy.txt"));
    EXPECT_FALSE(PathExists(root + L"\\free.txt"));
    EXPECT_FALSE(PathExists(root + L"\\data"));
}

TEST(DeleteDirectoryTree, PathsLongerThanMaxPathAreDeletedWhole) {
    ScratchFolder scratch(L"rmdir-long");
    std::wstring deep = L"\\\\?\\" + scratch.Path() + L"\\work";
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    const std::wstring segment(60, L's');
    while (deep.size() < 400) {
        deep += L"\\" + segment;
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << deep.size();
    }
    WriteFileBytes(deep + L"\\leaf.txt", "x");
    ASSERT_TRUE(PathExists(deep + L"\\leaf.txt"));

    DeleteDirectoryTree((scratch / L"work").c_str());
    EXPECT_FALSE(PathExists(scratch / L"work"));
}

TEST(DeleteDirectoryTree, LinksAreRemovedNotFollowed) {
    ScratchFolder scratch(L"rmdir-link");
    const std::wstring outside = scratch / L"outside";
    ASSERT_TRUE(CreateDirectoryTree(outside + L"\\kept"));
    WriteFileBytes(outside + L"\\kept\\precious.txt", "keep me");
    const std::wstring root = scratch / L"work";
    ASSERT_TRUE(CreateDirectoryTree(root + L"\\inner"));
    const DWORD folderLink = SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged create */;
    if (!CreateSymbolicLinkW((root + L"\\inner\\link").c_str(), outside.c_str(), folderLink))
        GTEST_SKIP() << "this system cannot make symbolic links to folders (error " << GetLastError() << ")";
    DWORD linkAttributes = GetFileAttributesW((root + L"\\inner\\link").c_str());
    if (linkAttributes == INVALID_FILE_ATTRIBUTES || !(linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "the symbolic link made here does not show as a reparse point";
    ASSERT_TRUE(CreateSymbolicLinkW((scratch / L"rootlink").c_str(), outside.c_str(), folderLink));

    DeleteDirectoryTree(root.c_str());
    EXPECT_FALSE(PathExists(root));
    EXPECT_TRUE(PathExists(outside + L"\\kept\\precious.txt"));

    // A link given as the folder itself goes, its target stays whole.
    DeleteDirectoryTree((scratch / L"rootlink").c_str());
    EXPECT_FALSE(PathExists(scratch / L"rootlink"));
    EXPECT_TRUE(PathExists(outside + L"\\kept\\precious.txt"));
}

TEST(GetFileVersion, ReadsTheFixedFileVersion) {
    ScratchFolder scratch(L"version");
    WriteFileBytes(scratch / L"plain.txt", "no resource here");
    struct Case {
        std::wstring path;
        DWORD expected[4];
    };
    const Case cases[] = {
        {ModuleFolder() + L"\\gathrix_test_library.dll", {2, 10, 300, 4000}},
        {scratch / L"plain.txt", {0, 0, 0, 0}},
        {scratch / L"missing.dll", {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DWORD version[4] = {7, 7, 7, 7};
        Gathrix::System::GetFileVersion(c.path.c_str(), version[0], version[1], version[2], version[3]);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.expected[i], version[i]) << Gathrix::Utils::ToUtf8(c.path) << " part " << i;
    }
    DWORD untouched[4] = {7, 7, 7, 7};
    Gathrix::System::GetFileVersion(nullptr, untouched[0], untouched[1], untouched[2], untouched[3]);
    for (DWORD part : untouched)
        EXPECT_EQ(7u, part);
}
