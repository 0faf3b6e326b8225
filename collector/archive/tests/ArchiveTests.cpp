#include "collector/archive/ArchivePacking.h"
#include "collector/archive/tests/ArchiveListing.h"
#include "collector/platform/Directories.h"

#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

using namespace Gathrix::Utilities;
using Gathrix::ComPtr;
using Gathrix::UniqueHandle;
using Gathrix::Testing::ArchiveNames;
using Gathrix::Testing::ListArchive;
using Gathrix::Testing::PathExists;
using Gathrix::Testing::ReadFileBytes;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;

// A working folder as a run leaves it, small.
void MakeWorkingFolder(const std::wstring& root) {
    CreateDirectoryW((root + L"\\data").c_str(), nullptr);
    CreateDirectoryW((root + L"\\data\\images").c_str(), nullptr);
    CreateDirectoryW((root + L"\\data\\stylesheet").c_str(), nullptr);
    CreateDirectoryW((root + L"\\data\\images\\deep").c_str(), nullptr);
    WriteFileBytes(root + L"\\data\\logfile.log", "log line\r\n");
    WriteFileBytes(root + L"\\data\\Navigation.xml", "<Navigation />");
    WriteFileBytes(root + L"\\data\\images\\a.gif", std::string(1000, 'g'));
    WriteFileBytes(root + L"\\data\\images\\deep\\b.gif", "b");
    WriteFileBytes(root + L"\\data\\stylesheet\\stylesheet.xslt", "<xsl/>");
    WriteFileBytes(root + L"\\index.html", "<html/>");
}

std::vector<std::wstring> Names(const std::vector<CDirItem>& items) {
    std::vector<std::wstring> names;
    for (const CDirItem& item : items)
        names.push_back(item.Name);
    return names;
}

// The order the packing step promises: each top entry breadth first, a folder's entries in the
// order the system lists them (sorted here).
const std::vector<std::wstring> kWorkingFolderOrder = {
    L"data", L"data\\images", L"data\\logfile.log", L"data\\Navigation.xml", L"data\\stylesheet",
    L"data\\images\\a.gif", L"data\\images\\deep", L"data\\stylesheet\\stylesheet.xslt",
    L"data\\images\\deep\\b.gif", L"index.html"};

TEST(ArchiveItems, CollectsBreadthFirstWithNamesBelowTheStartFolder) {
    ScratchFolder scratch(L"items");
    MakeWorkingFolder(scratch.Path());
    std::vector<CDirItem> items = CollectArchiveItems(scratch.Path());
    std::vector<std::wstring> names;
    for (const CDirItem& item : items) {
        names.push_back(item.Name);
        EXPECT_EQ(item.FullPath, scratch.Path() + L"\\" + item.Name);
    }
    EXPECT_EQ(names, kWorkingFolderOrder);
    EXPECT_TRUE(items[0].IsDir());
    EXPECT_EQ(items[5].Size, 1000u);
    EXPECT_FALSE(items[5].IsDir());
}

// What an earlier run left and could not be removed never gets in; a folder of it only for what
// the new run put below it.
TEST(ArchiveItems, LeftOutFilesAreMissingAndLeftOutFoldersOnlyPackedForNewContent) {
    ScratchFolder scratch(L"items");
    MakeWorkingFolder(scratch.Path());
    CreateDirectoryW((scratch / L"data\\ProgramLogs").c_str(), nullptr);
    WriteFileBytes(scratch / L"data\\ProgramLogs\\sleeper.txt", "earlier run");
    WriteFileBytes(scratch / L"data\\images\\old.gif", "earlier run");
    LeftOutEntries leftOut;
    for (const wchar_t* name : {L"DATA\\programlogs\\Sleeper.txt", L"data\\ProgramLogs", L"data\\images\\old.gif",
                                L"data\\images", L"data"})
        leftOut.push_back(LeftOutAsFound(scratch.Path(), name));
    EXPECT_EQ(Names(CollectArchiveItems(scratch.Path(), leftOut)), kWorkingFolderOrder);

    // The run wrote a file of that name again: it is the run's own and packed, its folder with it.
    // A copy keeps the time of its source and may keep the size: the system's stamp still differs.
    const std::wstring sleeper = scratch / L"data\\ProgramLogs\\sleeper.txt";
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(GetFileAttributesExW(sleeper.c_str(), GetFileExInfoStandard, &before));
    Sleep(20);
    {
        UniqueHandle rewritten(CreateFileW(sleeper.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(rewritten.IsValid());
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(rewritten.Get(), "this run!!!", 11, &written, nullptr));
        ASSERT_TRUE(SetFileTime(rewritten.Get(), nullptr, nullptr, &before.ftLastWriteTime));
    }
    std::vector<std::wstring> expected = kWorkingFolderOrder;
    expected.insert(expected.begin() + 4, L"data\\ProgramLogs");
    expected.insert(expected.begin() + 8, L"data\\ProgramLogs\\sleeper.txt");
    EXPECT_EQ(Names(CollectArchiveItems(scratch.Path(), leftOut)), expected);
}

// A link in the folder (a leftover whose removal was refused, say) leads elsewhere: neither it
// nor what lies behind it is packed. The file system here may not make links; the listing then
// stands in for one, as the system lists a link.
TEST(ArchiveItems, LinksAreNeitherPackedNorFollowed) {
    ScratchFolder scratch(L"items-links");
    MakeWorkingFolder(scratch.Path());
    CreateDirectoryW((scratch / L"data\\linked").c_str(), nullptr);
    WriteFileBytes(scratch / L"data\\linked\\outside.txt", "not the run's");
    WriteFileBytes(scratch / L"data\\linked.txt", "not the run's");
    auto asLinks = [](const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
        Gathrix::Utils::ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
            WIN32_FIND_DATAW listed = entry;
            const std::wstring name = entry.cFileName;
            if (name == L"linked" || name == L"linked.txt") {
                listed.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
                listed.dwReserved0 = name == L"linked" ? IO_REPARSE_TAG_MOUNT_POINT : IO_REPARSE_TAG_SYMLINK;
            }
            visit(listed);
        });
    };
    std::vector<CDirItem> items;
    CollectDirItems(scratch / L"data", items, asLinks);
    std::vector<std::wstring> expected;
    for (const std::wstring& name : kWorkingFolderOrder)
        if (name != L"index.html")
            expected.push_back(name);
    EXPECT_EQ(Names(items), expected);

    // A reparse point that names no other place (a deduplicated or compressed file) is packed.
    auto asDeduplicated = [](const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
        Gathrix::Utils::ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
            WIN32_FIND_DATAW listed = entry;
            if (std::wstring(entry.cFileName) == L"linked.txt") {
                listed.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
                listed.dwReserved0 = IO_REPARSE_TAG_DEDUP;
            }
            visit(listed);
        });
    };
    items.clear();
    CollectDirItems(scratch / L"data", items, asDeduplicated);
    const std::vector<std::wstring> names = Names(items);
    EXPECT_NE(std::find(names.begin(), names.end(), L"data\\linked.txt"), names.end());
}

// The same with a real link, where the file system makes one.
TEST(ArchiveItems, ARealDirectoryLinkIsNotFollowed) {
    ScratchFolder scratch(L"items-reallink");
    CreateDirectoryW((scratch / L"work").c_str(), nullptr);
    MakeWorkingFolder(scratch / L"work");
    CreateDirectoryW((scratch / L"outside").c_str(), nullptr);
    WriteFileBytes(scratch / L"outside\\secret.txt", "not the run's");
    const std::wstring link = scratch / L"work\\data\\link";
    CreateSymbolicLinkW(link.c_str(), (scratch / L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    WIN32_FIND_DATAW found;
    Gathrix::UniqueFindHandle search(FindFirstFileW(link.c_str(), &found));
    if (!search || !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "this system makes no directory symbolic links (Wine 8's CreateSymbolicLinkW makes nothing)";
    std::vector<std::wstring> expected;
    for (const std::wstring& name : kWorkingFolderOrder)
        expected.push_back(name);
    EXPECT_EQ(Names(CollectArchiveItems(scratch / L"work")), expected);
}

TEST(ArchiveItems, RefusesMissingPathsAndPathsWithoutFolder) {
    ScratchFolder scratch(L"items");
    WriteFileBytes(scratch / L"x", "x");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(scratch.Path().c_str());  // so the bare name "x" exists
    const std::pair<std::wstring, std::string> cases[] = {
        {scratch / L"missing", "File was not found: " + Gathrix::Utils::ToUtf8(scratch / L"missing")},
        {L"x", "Could not retrieve file name. Full path is invalid!"},
    };
    std::vector<CDirItem> items;
    for (const auto& [path, message] : cases) {
        try {
            CollectDirItems(path, items);
            ADD_FAILURE() << message;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    SetCurrentDirectoryW(saved);
    EXPECT_TRUE(items.empty());
}

TEST(ArchiveAside, OldArchiveMovesToTheFirstFreeNumberedName) {
    ScratchFolder scratch(L"aside");
    std::wstring archive = scratch / L"GATHRINF.7z";
    EXPECT_TRUE(MoveExistingArchiveAside(archive));  // nothing there
    EXPECT_FALSE(PathExists(scratch / L"GATHRINF_1.7z"));

    WriteFileBytes(archive, "old");
    WriteFileBytes(scratch / L"GATHRINF_1.7z", "older");
    EXPECT_TRUE(MoveExistingArchiveAside(archive));
    EXPECT_FALSE(PathExists(archive));
    EXPECT_EQ(ReadFileBytes(scratch / L"GATHRINF_2.7z"), "old");
    EXPECT_EQ(ReadFileBytes(scratch / L"GATHRINF_1.7z"), "older");
}

TEST(ArchivePacking, PacksTheFolderContentsInItemOrderAndKeepsTheOldArchive) {
    ScratchFolder scratch(L"pack");
    std::wstring work = scratch / L"GATHRINF";
    CreateDirectoryW(work.c_str(), nullptr);
    MakeWorkingFolder(work);
    WriteFileBytes(work + L".7z", "previous run");

    ASSERT_TRUE(ArchiveFolder(work, work + L".7z"));
    // The 7z format stores folders and files in an order of its own: compare the sets.
    std::vector<std::wstring> packed = ArchiveNames(work + L".7z");
    std::vector<std::wstring> expected = kWorkingFolderOrder;
    std::sort(packed.begin(), packed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(packed, expected);
    EXPECT_EQ(ReadFileBytes(scratch / L"GATHRINF_1.7z"), "previous run");
    for (const auto& entry : ListArchive(work + L".7z")) {
        if (entry.name == L"data\\images\\a.gif") {
            EXPECT_EQ(entry.size, 1000u);
        }
    }
}

TEST(ArchivePacking, EmptyFolderAndSingleFileSources) {
    ScratchFolder scratch(L"pack");
    CreateDirectoryW((scratch / L"empty").c_str(), nullptr);
    ASSERT_TRUE(ArchiveFolder(scratch / L"empty", scratch / L"empty.7z"));
    EXPECT_TRUE(ListArchive(scratch / L"empty.7z").empty());

    WriteFileBytes(scratch / L"single.txt", "one file");
    ASSERT_TRUE(ArchiveFolder(scratch / L"single.txt", scratch / L"single.7z"));
    auto entries = ListArchive(scratch / L"single.7z");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, L"single.txt");
    EXPECT_EQ(entries[0].size, 8u);
}

TEST(ArchivePacking, FileStillOpenForWritingByAnotherOwnerIsPacked) {
    ScratchFolder scratch(L"pack");
    std::wstring work = scratch / L"work";
    CreateDirectoryW(work.c_str(), nullptr);
    WriteFileBytes(work + L"\\growing.log", "still written");
    UniqueHandle writer(CreateFileW((work + L"\\growing.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    ASSERT_TRUE(ArchiveFolder(work, work + L".7z"));
    EXPECT_EQ(ArchiveNames(work + L".7z"), std::vector<std::wstring>{L"growing.log"});
}

TEST(ArchivePacking, FileLockedWithoutSharingFailsTheStepButTheRestIsWritten) {
    ScratchFolder scratch(L"pack");
    std::wstring work = scratch / L"work";
    CreateDirectoryW(work.c_str(), nullptr);
    WriteFileBytes(work + L"\\a.txt", "a");
    WriteFileBytes(work + L"\\locked.txt", "l");
    UniqueHandle lock(CreateFileW((work + L"\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    try {
        CompressFolderTo7z(work, work + L".7z");
        ADD_FAILURE() << "a locked file went unnoticed";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to archive files:\n" + Gathrix::Utils::ToUtf8(work) + "\\locked.txt\n");
    }
    EXPECT_EQ(ArchiveNames(work + L".7z"), std::vector<std::wstring>{L"a.txt"});
    EXPECT_FALSE(ArchiveFolder(work, scratch / L"again.7z"));
}

TEST(ArchivePacking, FailuresBeforeTheUpdateAreReportedByText) {
    ScratchFolder scratch(L"pack");
    CreateDirectoryW((scratch / L"work").c_str(), nullptr);
    const std::pair<std::wstring, std::string> cases[] = {
        {scratch / L"missing", "Invalid file path!"},
    };
    for (const auto& [source, message] : cases) {
        try {
            CompressFolderTo7z(source, scratch / L"x.7z");
            ADD_FAILURE() << message;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    // An archive path in a folder that does not exist cannot be created.
    std::wstring badArchive = scratch / L"no\\such\\folder\\x.7z";
    try {
        CompressFolderTo7z(scratch / L"work", badArchive);
        ADD_FAILURE() << "archive in a missing folder";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Can't create archive file: " + Gathrix::Utils::ToUtf8(badArchive));
    }
}

// ------------------------------------------------------------------ callback and streams

template <class T>
ComPtr<T> Make() {
    ComPtr<T> object(new T());
    object->AddRef();
    return object;
}

std::vector<CDirItem> OneFileAndOneFolder(const std::wstring& folder) {
    std::vector<CDirItem> items;
    CollectDirItems(folder + L"\\f.txt", items);
    CollectDirItems(folder + L"\\sub", items);
    return items;
}

TEST(ArchiveCallback, PropertiesHaveTheTypesTheLibraryDemandsAndIndexesAreChecked) {
    ScratchFolder scratch(L"callback");
    WriteFileBytes(scratch / L"f.txt", "12345");
    CreateDirectoryW((scratch / L"sub").c_str(), nullptr);
    auto items = OneFileAndOneFolder(scratch.Path());
    auto callback = Make<CArchiveUpdateCallback>();
    callback->Init(&items);

    PROPVARIANT value;
    value.vt = VT_EMPTY;
    ASSERT_EQ(callback->GetProperty(0, kpidSize, &value), S_OK);
    EXPECT_EQ(value.vt, VT_UI8);
    EXPECT_EQ(value.uhVal.QuadPart, 5u);
    ASSERT_EQ(callback->GetProperty(0, kpidPath, &value), S_OK);  // replaces the held value
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_STREQ(value.bstrVal, L"f.txt");
    ASSERT_EQ(callback->GetProperty(1, kpidIsDir, &value), S_OK);
    EXPECT_EQ(value.vt, VT_BOOL);
    EXPECT_EQ(value.boolVal, VARIANT_TRUE);
    ASSERT_EQ(callback->GetProperty(0, kpidAttrib, &value), S_OK);
    EXPECT_EQ(value.vt, VT_UI4);
    ASSERT_EQ(callback->GetProperty(0, kpidMTime, &value), S_OK);
    EXPECT_EQ(value.vt, VT_FILETIME);
    ASSERT_EQ(callback->GetProperty(0, kpidComment, &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    // Anti-item answers need no item; every other answer needs a real one.
    ASSERT_EQ(callback->GetProperty(99, kpidIsAnti, &value), S_OK);
    EXPECT_EQ(value.vt, VT_BOOL);
    EXPECT_EQ(value.boolVal, VARIANT_FALSE);
    EXPECT_EQ(callback->GetProperty(2, kpidPath, &value), E_INVALIDARG);

    Int32 newData = 0, newProps = 0;
    UInt32 indexInArchive = 0;
    EXPECT_EQ(callback->GetUpdateItemInfo(0, &newData, &newProps, &indexInArchive), S_OK);
    EXPECT_EQ(newData, 1);
    EXPECT_EQ(newProps, 1);
    EXPECT_EQ(indexInArchive, 4294967295u);
}

TEST(ArchiveCallback, LockedFileIsRecordedOnceAndSkipped) {
    ScratchFolder scratch(L"callback");
    WriteFileBytes(scratch / L"f.txt", "12345");
    CreateDirectoryW((scratch / L"sub").c_str(), nullptr);
    auto items = OneFileAndOneFolder(scratch.Path());
    auto callback = Make<CArchiveUpdateCallback>();
    callback->Init(&items);

    ISequentialInStream* stream = nullptr;
    EXPECT_EQ(callback->GetStream(1, &stream), S_OK);  // a folder has no stream
    EXPECT_EQ(stream, nullptr);
    {
        UniqueHandle lock(CreateFileW((scratch / L"f.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_EQ(callback->GetStream(0, &stream), S_FALSE);
        EXPECT_EQ(stream, nullptr);
    }
    ASSERT_EQ(callback->GetFailedFiles(), std::vector<std::wstring>{scratch / L"f.txt"});
    EXPECT_EQ(callback->GetFailedCodes(), std::vector<DWORD>{ERROR_SHARING_VIOLATION});

    ASSERT_EQ(callback->GetStream(0, &stream), S_OK);
    ASSERT_NE(stream, nullptr);
    char buffer[16];
    UInt32 read = 0;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "12345");
    stream->Release();
    EXPECT_EQ(callback->GetStream(2, &stream), E_INVALIDARG);
}

TEST(ArchiveCallback, InterfacesPasswordAndVolumes) {
    ScratchFolder scratch(L"callback");
    auto callback = Make<CArchiveUpdateCallback>();
    const std::pair<const GUID*, HRESULT> interfaces[] = {
        {&IID_IUnknown, S_OK}, {&IID_IArchiveUpdateCallback2, S_OK}, {&IID_ICryptoGetTextPassword2, S_OK},
        {&IID_IInStream, E_NOINTERFACE}, {&IID_ICryptoGetTextPassword, E_NOINTERFACE}};
    for (const auto& [iid, expected] : interfaces) {
        void* object = nullptr;
        EXPECT_EQ(callback->QueryInterface(*iid, &object), expected);
        if (object)
            static_cast<IUnknown*>(object)->Release();
    }

    Int32 defined = 7;
    BSTR password = nullptr;
    EXPECT_EQ(callback->CryptoGetTextPassword2(&defined, &password), S_OK);
    EXPECT_EQ(defined, 0);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(SysStringLen(password), 0u);
    SysFreeString(password);
    callback->SetPassword(false, L"", true);
    EXPECT_EQ(callback->CryptoGetTextPassword2(&defined, &password), E_ABORT);

    UInt64 size = 0;
    EXPECT_EQ(callback->GetVolumeSize(0, &size), S_FALSE);
    callback->SetVolumes({100, 200}, scratch / L"vol", L".7z");
    EXPECT_EQ(callback->GetVolumeSize(5, &size), S_OK);
    EXPECT_EQ(size, 200u);

    ISequentialOutStream* volume = nullptr;
    ASSERT_EQ(callback->GetVolumeStream(0, &volume), S_OK);
    volume->Release();
    EXPECT_TRUE(PathExists(scratch / L"vol.01.7z"));
    // The volume exists now: the error comes back as a failure result, not a bare error code.
    EXPECT_EQ(callback->GetVolumeStream(0, &volume), HResultFromError(ERROR_FILE_EXISTS));
    EXPECT_LT(HResultFromError(ERROR_FILE_EXISTS), 0);
}

TEST(ArchiveStreams, WriteIsChunkedAndSeekRefusesUnknownOrigins) {
    ScratchFolder scratch(L"streams");
    auto out = Make<COutFileStream>();
    ASSERT_TRUE(out->Create(scratch / L"out.bin", false));
    std::string data(5u * 1024u * 1024u, 'x');
    UInt32 written = 0;
    ASSERT_EQ(out->Write(data.data(), static_cast<UInt32>(data.size()), &written), S_OK);
    EXPECT_EQ(written, 4u * 1024u * 1024u);
    EXPECT_EQ(out->GetProcessedSize(), 4u * 1024u * 1024u);

    UInt64 position = 0;
    EXPECT_EQ(out->Seek(10, 0, &position), S_OK);
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(out->Seek(5, 3, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(out->Seek(0, 1, &position), S_OK);
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(out->SetSize(100), S_OK);
    EXPECT_EQ(out->Seek(0, 1, &position), S_OK);
    EXPECT_EQ(position, 10u);  // SetSize keeps the position
    out.Reset();
    EXPECT_EQ(ReadFileBytes(scratch / L"out.bin").size(), 100u);

    auto again = Make<COutFileStream>();
    EXPECT_FALSE(again->Create(scratch / L"out.bin", false));  // create-new refuses an existing file
    EXPECT_TRUE(again->Create(scratch / L"out.bin", true));

    auto in = Make<CInFileStream>();
    WriteFileBytes(scratch / L"in.bin", "0123456789");
    ASSERT_TRUE(in->Open(scratch / L"in.bin"));
    UInt64 size = 0;
    EXPECT_EQ(in->GetSize(&size), S_OK);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(in->Seek(-3, 2, &position), S_OK);
    char buffer[8];
    UInt32 read = 0;
    EXPECT_EQ(in->Read(buffer, sizeof buffer, &read), S_OK);
    EXPECT_EQ(std::string(buffer, read), "789");
    EXPECT_EQ(in->Seek(0, 3, &position), STG_E_INVALIDFUNCTION);
}

TEST(ArchiveStreams, ErrorCodesBecomeFailureResults) {
    const std::pair<DWORD, HRESULT> cases[] = {
        {0, E_FAIL},
        {ERROR_ACCESS_DENIED, static_cast<HRESULT>(0x80070005)},
        {ERROR_SHARING_VIOLATION, static_cast<HRESULT>(0x80070020)},
        {0x80004004u, E_ABORT},
        {0x12345u, static_cast<HRESULT>(0x80072345)},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(HResultFromError(code), expected) << code;
}

} // namespace
