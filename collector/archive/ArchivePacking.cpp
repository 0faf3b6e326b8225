#include "collector/archive/ArchivePacking.h"

#include "collector/platform/Directories.h"
#include "collector/platform/DynamicLibrary.h"

#include "common/Handles.h"
#include "common/Text.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

namespace Gathrix::Utilities {

namespace {

// {23170F69-40C1-278A-1000-000110070000}: the library's 7z format handler.
const GUID kSevenZipHandler = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

using CreateObjectFunction = HRESULT(WINAPI*)(const GUID* classId, const GUID* interfaceId, void** object);

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

bool FindEntry(const std::wstring& path, WIN32_FIND_DATAW& data) {
    UniqueFindHandle find(FindFirstFileW(path.c_str(), &data));
    return find.IsValid();
}

// Links name another place (IO_REPARSE_TAG_SYMLINK, _MOUNT_POINT and every tag that says so);
// other reparse points (deduplicated, compressed, cloud files) hold their file's own data.
bool IsLink(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(data.dwReserved0);
}

std::uint64_t Combined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// GetFileInformationByHandleEx exists from Vista on; the change time is what it adds.
std::int64_t ChangeTimeOf(HANDLE file) {
    using QueryFunction = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    static const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
    FILE_BASIC_INFO basic{};
    if (query == nullptr || !query(file, FileBasicInfo, &basic, sizeof(basic)))
        return 0;
    return basic.ChangeTime.QuadPart;
}

CDirItem MakeItem(const WIN32_FIND_DATAW& data, const std::wstring& name, const std::wstring& fullPath) {
    CDirItem item;
    item.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    item.CTime = data.ftCreationTime;
    item.ATime = data.ftLastAccessTime;
    item.MTime = data.ftLastWriteTime;
    item.Name = name;
    item.FullPath = fullPath;
    item.Attrib = data.dwFileAttributes;
    return item;
}

} // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return known == other.known && volume == other.volume && index == other.index && size == other.size &&
           lastWrite == other.lastWrite && changeTime == other.changeTime;
}

FileStamp StampOf(const std::wstring& path) {
    FileStamp stamp;
    // Reading attributes is allowed whatever sharing the file's holders granted.
    UniqueHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.Get(), &information))
        return stamp;
    stamp.known = true;
    stamp.volume = information.dwVolumeSerialNumber;
    stamp.index = Combined(information.nFileIndexHigh, information.nFileIndexLow);
    stamp.size = Combined(information.nFileSizeHigh, information.nFileSizeLow);
    stamp.lastWrite = Combined(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
    stamp.changeTime = ChangeTimeOf(file.Get());
    return stamp;
}

LeftOutEntry LeftOutAsFound(const std::wstring& source, const std::wstring& name) {
    return {name, StampOf(source + L"\\" + name)};
}

std::wstring SevenZipLibraryPath() { return System::ProgramLibraryPath(L"7z.dll"); }

void CollectDirItems(const std::wstring& path, std::vector<CDirItem>& items) {
    CollectDirItems(path, items, [](const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
        Utils::ForEachFolderEntry(folder, visit);
    });
}

void CollectDirItems(const std::wstring& path, std::vector<CDirItem>& items, const FolderListing& listFolder) {
    WIN32_FIND_DATAW data;
    if (!FindEntry(path, data))
        Fail("File was not found: " + Utils::ToUtf8(path));
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        Fail("Could not retrieve file name. Full path is invalid!");
    if (IsLink(data))
        return;
    items.push_back(MakeItem(data, path.substr(slash + 1), path));
    if (!items.back().IsDir())
        return;

    // Breadth first: a folder comes before its contents, one folder's entries stay together.
    std::deque<size_t> queue{items.size() - 1};
    while (!queue.empty()) {
        size_t folder = queue.front();
        queue.pop_front();
        std::wstring folderName = items[folder].Name;
        std::wstring folderPath = items[folder].FullPath;
        listFolder(folderPath, [&](const WIN32_FIND_DATAW& entry) {
            if (IsLink(entry))
                return;
            items.push_back(MakeItem(entry, folderName + L"\\" + entry.cFileName, folderPath + L"\\" + entry.cFileName));
            if (items.back().IsDir())
                queue.push_back(items.size() - 1);
        });
    }
}

std::vector<CDirItem> CollectArchiveItems(const std::wstring& source, const LeftOutEntries& leftOut) {
    WIN32_FIND_DATAW data;
    if (!FindEntry(source, data))
        Fail("Invalid file path!");
    std::vector<CDirItem> items;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        Utils::ForEachFolderEntry(source, [&](const WIN32_FIND_DATAW& entry) { CollectDirItems(source + L"\\" + entry.cFileName, items); });
    else
        CollectDirItems(source, items);
    if (leftOut.empty())
        return items;

    auto isLeftOut = [&](const CDirItem& item) {
        return std::any_of(leftOut.begin(), leftOut.end(), [&](const LeftOutEntry& entry) {
            return Utils::EqualsNoCase(item.Name, entry.name) && (item.IsDir() || StampOf(item.FullPath) == entry.found);
        });
    };
    std::vector<bool> packed(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        packed[i] = !isLeftOut(items[i]);
    // A left-out folder comes back for what is packed below it (the new run's files in a folder
    // that an earlier run's leftover kept).
    const std::vector<bool> packedAlone = packed;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (packed[i] || !items[i].IsDir())
            continue;
        const std::wstring below = items[i].Name + L"\\";
        for (std::size_t j = 0; j < items.size() && !packed[i]; ++j)
            packed[i] = packedAlone[j] && items[j].Name.size() > below.size() &&
                        Utils::EqualsNoCase(items[j].Name.substr(0, below.size()), below);
    }
    std::vector<CDirItem> kept;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (packed[i])
            kept.push_back(items[i]);
    return kept;
}

bool MoveExistingArchiveAside(const std::wstring& archive) {
    WIN32_FIND_DATAW data;
    if (!FindEntry(archive, data))
        return true;
    std::wstring stem, extension;
    size_t slash = archive.rfind(L'\\');
    size_t dot = archive.rfind(L'.');
    if (slash != std::wstring::npos && dot != std::wstring::npos && slash < dot) {
        stem = archive.substr(0, dot);
        extension = archive.substr(dot);
    } else {
        // No extension to keep apart: number the whole name, never a bare "_1" in the current folder.
        stem = archive;
    }
    std::wstring candidate;
    for (unsigned n = 1;; ++n) {
        candidate = stem + L"_" + std::to_wstring(n) + extension;
        if (!FindEntry(candidate, data))
            break;
    }
    return MoveFileExW(archive.c_str(), candidate.c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
}

void CompressFolderTo7z(const std::wstring& source, const std::wstring& archive, const LeftOutEntries& leftOut) {
    // By full path: a 7z.dll planted in the current folder (the working folder) must not be used.
    UniqueLibrary library(LoadLibraryExW(SevenZipLibraryPath().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library)
        Fail("Can not load 7-zip library");
    auto createObject =
        reinterpret_cast<CreateObjectFunction>(reinterpret_cast<void*>(GetProcAddress(library.Get(), "CreateObject")));
    if (createObject == nullptr)
        Fail("Can not get proc address for CreateObject!");

    std::vector<CDirItem> items = CollectArchiveItems(source, leftOut);

    MoveExistingArchiveAside(archive);

    ComPtr<COutFileStream> stream(new COutFileStream());
    stream->AddRef();
    if (!stream->Create(archive, false))
        Fail("Can't create archive file: " + Utils::ToUtf8(archive));

    ComPtr<IOutArchive> outArchive;
    if (createObject(&kSevenZipHandler, &IID_IOutArchive, outArchive.PutVoid()) != S_OK || !outArchive)
        Fail("Can not get class object!");

    ComPtr<CArchiveUpdateCallback> callback(new CArchiveUpdateCallback());
    callback->AddRef();
    callback->Init(&items);

    HRESULT result = outArchive->UpdateItems(static_cast<IOutStream*>(stream.Get()), static_cast<UInt32>(items.size()),
                                             static_cast<IArchiveUpdateCallback2*>(callback.Get()));
    callback->CloseItem();
    if (result != S_OK)
        Fail("Failed to update items!");
    if (!callback->GetFailedFiles().empty()) {
        std::string message = "Failed to archive files:\n";
        for (const std::wstring& file : callback->GetFailedFiles())
            message += Utils::ToUtf8(file) + "\n";
        Fail(message);
    }
}

bool ArchiveFolder(const std::wstring& source, const std::wstring& archive, const LeftOutEntries& leftOut) {
    try {
        CompressFolderTo7z(source, archive, leftOut);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace Gathrix::Utilities
