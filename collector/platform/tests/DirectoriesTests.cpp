#include "collector/platform/Directories.h"

#include "common/Handles.h"

#include <winioctl.h>
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Gathrix::Testing::PathExists;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;
using Gathrix::Utils::CreateDirectoryTree;
using Gathrix::Utils::DeleteDirectoryTree;
using Gathrix::Utils::DeleteFileEntry;

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

// Makes `link` a junction to `target` (a mount-point reparse point, as mklink /J does).
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr))
        return false;
    Gathrix::UniqueHandle handle(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle)
        return false;
    const std::wstring substitute = L"\\??\\" + target;
    const size_t substituteBytes = substitute.size() * sizeof(wchar_t);
    const size_t printBytes = target.size() * sizeof(wchar_t);
    // Tag, data length, reserved; then the mount-point header and the two names, each NUL-ended.
    std::vector<BYTE> buffer(8 + 8 + substituteBytes + 2 + printBytes + 2, 0);
    auto put16 = [&](size_t at, size_t value) { *reinterpret_cast<WORD*>(&buffer[at]) = static_cast<WORD>(value); };
    *reinterpret_cast<DWORD*>(&buffer[0]) = IO_REPARSE_TAG_MOUNT_POINT;
    put16(4, buffer.size() - 8);
    put16(8, 0);
    put16(10, substituteBytes);
    put16(12, substituteBytes + 2);
    put16(14, printBytes);
    memcpy(&buffer[16], substitute.data(), substituteBytes);
    memcpy(&buffer[16 + substituteBytes + 2], target.data(), printBytes);
    DWORD returned = 0;
    return DeviceIoControl(handle.Get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                           nullptr, 0, &returned, nullptr) != FALSE;
}

bool ShowsAsLink(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    Gathrix::UniqueFindHandle search(FindFirstFileW(path.c_str(), &found));
    return search && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
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
        {scratch / L"file.txt\\sub\\leaf", false, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, CreateDirectoryTree(c.path)) << Gathrix::Utils::ToUtf8(c.path);
        if (!c.mustBeFolder.empty()) {
            EXPECT_TRUE(IsFolder(c.mustBeFolder)) << Gathrix::Utils::ToUtf8(c.mustBeFolder);
        }
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

    // A drive that does not exist ends the chain: nothing to create it in.
    DWORD drives = GetLogicalDrives();
    wchar_t unused = 0;
    for (wchar_t letter = L'Q'; letter <= L'Y' && unused == 0; ++letter)
        if (!(drives & (1u << (letter - L'A'))))
            unused = letter;
    ASSERT_NE(0, unused);
    EXPECT_FALSE(CreateDirectoryTree(std::wstring(1, unused) + L":\\a\\b"));
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

// The system refuses to delete what is read-only: the attribute is cleared first, for files
// and folders alike, and for a single file deleted on its own.
TEST(DeleteDirectoryTree, ReadOnlyFilesAndFoldersAreDeletedToo) {
    ScratchFolder scratch(L"rmdir-readonly");
    const std::wstring root = scratch / L"work";
    ASSERT_TRUE(CreateDirectoryTree(root + L"\\sub"));
    const std::wstring files[] = {root + L"\\top.txt", root + L"\\sub\\inner.txt", scratch / L"alone.txt"};
    for (const std::wstring& file : files) {
        WriteFileBytes(file, "x");
        ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_FALSE(DeleteFileW(file.c_str())) << "read-only files can be deleted here: nothing to test";
    }
    SetFileAttributesW((root + L"\\sub").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(DeleteDirectoryTree(root.c_str()).empty());
    EXPECT_FALSE(PathExists(root));
    EXPECT_EQ(DWORD(ERROR_SUCCESS), DeleteFileEntry(files[2]));
    EXPECT_FALSE(PathExists(files[2]));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), DeleteFileEntry(files[2]));
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
    std::vector<Gathrix::Utils::RemainingEntry> remaining;
    {
        CurrentFolder current(root);
        remaining = DeleteDirectoryTree(root.c_str());
    }
    EXPECT_TRUE(IsFolder(root));
    EXPECT_TRUE(PathExists(root + L"\\busy.txt"));
    EXPECT_FALSE(PathExists(root + L"\\free.txt"));
    EXPECT_FALSE(PathExists(root + L"\\data"));
    // The refused file is reported by its name below the folder; the folder itself is not.
    ASSERT_EQ(1u, remaining.size());
    EXPECT_EQ(L"busy.txt", remaining[0].name);
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), remaining[0].error);
    EXPECT_FALSE(remaining[0].isFolder);
}

// A program left running by an earlier run still writes its output file. Where it lets the file
// be deleted, the name is freed at once (the file moved aside, to vanish when the program closes
// it); where it does not, the file and the folders holding it are reported.
TEST(DeleteDirectoryTree, AFileOpenElsewhereIsMovedAsideOrReported) {
    ScratchFolder scratch(L"rmdir-open");
    const std::wstring data = scratch / L"work\\data";
    const std::wstring aside = scratch / L"aside";
    ASSERT_TRUE(CreateDirectoryTree(data + L"\\logs"));
    ASSERT_TRUE(CreateDirectoryTree(data + L"\\other"));
    ASSERT_TRUE(CreateDirectoryTree(aside));
    WriteFileBytes(data + L"\\logs\\held.txt", "held");
    WriteFileBytes(data + L"\\other\\shared.txt", "shared");
    auto open = [](const std::wstring& path, DWORD share) {
        return Gathrix::UniqueHandle(
            CreateFileW(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    Gathrix::UniqueHandle held = open(data + L"\\logs\\held.txt", FILE_SHARE_READ | FILE_SHARE_WRITE);
    Gathrix::UniqueHandle shared =
        open(data + L"\\other\\shared.txt", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_TRUE(held.IsValid() && shared.IsValid());

    const std::vector<Gathrix::Utils::RemainingEntry> remaining = DeleteDirectoryTree(data.c_str(), aside);
    std::vector<std::wstring> names;
    for (const auto& entry : remaining)
        names.push_back(entry.name + (entry.isFolder ? L"\\" : L""));
    EXPECT_EQ((std::vector<std::wstring>{L"logs\\held.txt", L"logs\\"}), names);
    ASSERT_EQ(2u, remaining.size());
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), remaining[0].error);
    EXPECT_EQ(DWORD(ERROR_DIR_NOT_EMPTY), remaining[1].error);

    // The shared file's folder is gone with it, and its path can be made anew.
    EXPECT_FALSE(PathExists(data + L"\\other"));
    ASSERT_TRUE(CreateDirectoryTree(data + L"\\other"));
    Gathrix::UniqueHandle again(CreateFileW((data + L"\\other\\shared.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(again.IsValid()) << GetLastError();
    // Its holder writes on undisturbed; once it closes the file, nothing is left aside.
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(shared.Get(), "more", 4, &written, nullptr));
    shared.Reset();
    std::vector<std::wstring> setAside;
    Gathrix::Utils::ForEachFolderEntry(aside, [&](const WIN32_FIND_DATAW& entry) { setAside.push_back(entry.cFileName); });
    EXPECT_TRUE(setAside.empty()) << Gathrix::Utils::ToUtf8(setAside.empty() ? L"" : setAside[0]);
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
    const std::wstring innerLink = root + L"\\inner\\link";
    const std::wstring rootLink = scratch / L"rootlink";
    if (!MakeJunction(innerLink, outside) || !ShowsAsLink(innerLink))
        GTEST_SKIP() << "this file system cannot hold junctions (error " << GetLastError() << ")";
    ASSERT_TRUE(MakeJunction(rootLink, outside));
    ASSERT_TRUE(PathExists(innerLink + L"\\kept\\precious.txt"));

    DeleteDirectoryTree(root.c_str());
    EXPECT_FALSE(PathExists(root));
    EXPECT_TRUE(PathExists(outside + L"\\kept\\precious.txt"));

    // A link given as the folder itself goes, its target stays whole.
    DeleteDirectoryTree(rootLink.c_str());
    EXPECT_FALSE(PathExists(rootLink));
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
