#include "collector/platform/Directories.h"

#include "collector/platform/SystemFolderFunctions.h"
#include "common/Handles.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace Gathrix::Utils {

std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    return full;
}

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The full form of the path with its last name kept as written. The system reads a last name
// such as "NUL", "CON" or "COM1.txt" as the device, and its full form of such a path is the
// device's ("\\.\COM1"), so only the folder part goes through it. Trailing blanks and dots of
// the last name go, as the system drops them from every path in the ordinary form.
std::wstring FullPathKeepingName(const std::wstring& path) {
    std::size_t split = path.find_last_of(L"\\/");
    // "X:name" names a file in the drive's current folder.
    if (split == std::wstring::npos && path.size() >= 2 && path[1] == L':')
        split = 1;
    std::wstring name = split == std::wstring::npos ? path : path.substr(split + 1);
    if (name == L"." || name == L"..")
        return FullPath(path);
    // A search pattern's last part is the system's to read ("*." means names without a dot).
    if (name.find_first_of(L"*?") == std::wstring::npos) {
        const std::size_t kept = name.find_last_not_of(L". ");
        name.resize(kept == std::wstring::npos ? 0 : kept + 1);
    }
    // Nothing but dots and blanks, or a folder with its trailing backslash: no name to keep.
    if (name.empty())
        return FullPath(path);
    std::wstring full = FullPath(split == std::wstring::npos ? L"." : path.substr(0, split + 1));
    if (!full.empty() && full.back() != L'\\')
        full += L'\\';
    return full + name;
}

} // namespace

std::wstring ExtendedLengthPath(const std::wstring& path) {
    // Already taken literally by the system: an extended-length path, an object-manager path, or
    // a device path that names a device on purpose.
    if (path.empty() || StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\??\\") ||
        StartsWith(path, L"\\\\.\\"))
        return path;
    // In the extended form the system resolves no "." and ".." and no "/": the full form has done so.
    const std::wstring full = FullPathKeepingName(path);
    if (StartsWith(full, L"\\\\?\\"))
        return full;
    if (StartsWith(full, L"\\\\") && full.size() > 2)
        return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
        return L"\\\\?\\" + full;
    // No full form to be had: the system gets the path as it was.
    return path;
}

namespace {

// Where the folders begin in an extended-length path: behind "\\?\X:\" or
// "\\?\UNC\server\share\"; 0 for a path in another form.
std::size_t RootLength(const std::wstring& path) {
    if (StartsWith(path, L"\\\\?\\UNC\\")) {
        const std::size_t server = path.find(L'\\', 8);
        const std::size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    if (StartsWith(path, L"\\\\?\\") && path.size() >= 7 && path[5] == L':' && path[6] == L'\\')
        return 7;
    return 0;
}

bool CreateFolderAndParents(const std::wstring& folder, std::size_t rootLength) {
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const std::size_t separator = folder.rfind(L'\\');
    if (folder.size() <= rootLength || separator == std::wstring::npos || separator + 1 < rootLength)
        return false;
    // A root keeps its backslash ("\\?\C:" is the volume, not its root folder).
    const bool parentMade = CreateFolderAndParents(folder.substr(0, std::max(separator, rootLength)), rootLength);
    const bool made = CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    return parentMade && made;
}

} // namespace

bool CreateDirectoryTree(const std::wstring& path) {
    if (path.empty())
        return false;
    std::wstring folder = ExtendedLengthPath(path);
    // A bare name ("data") or a drive ("Q:") that does not exist names no folder to make; ".\data"
    // does.
    if (path.find(L'\\') >= path.size() - 1 && GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    const std::size_t rootLength = RootLength(folder);
    while (folder.size() > rootLength && folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty())
        return false;
    return CreateFolderAndParents(folder, rootLength);
}

namespace {

bool EntryExists(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    return UniqueFindHandle(FindFirstFileW(path.c_str(), &entry)).IsValid();
}

// Moves a file that is open elsewhere out of the way, then deletes it there. False, with the
// system's reason, when it cannot be moved (its holder did not allow deletion).
bool MoveAsideAndDelete(const std::wstring& file, const std::wstring& asideFolder, DWORD& error) {
    wchar_t aside[MAX_PATH] = L"";
    if (asideFolder.empty() || !GetTempFileNameW(asideFolder.c_str(), L"gtx", 0, aside))
        return false;
    if (!MoveFileExW(file.c_str(), aside, MOVEFILE_REPLACE_EXISTING)) {
        error = GetLastError();
        DeleteFileW(aside);
        return false;
    }
    DeleteFileW(aside);
    return true;
}

// The system refuses to delete a read-only file or folder: the attribute goes first. A link's
// attributes are set through to its target, which is not ours to change: a read-only link stays.
void ClearReadOnly(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW(path.c_str(), cleared == 0 ? FILE_ATTRIBUTE_NORMAL : cleared);
    }
}

// ERROR_SUCCESS when the file and its name are gone.
DWORD DeleteOneFile(const std::wstring& file, DWORD attributes, const std::wstring& asideFolder) {
    ClearReadOnly(file, attributes);
    // Opened without sharing only when nobody else has it open: then deleting it on close frees
    // its name at once.
    HANDLE alone = CreateFileW(file.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (alone != INVALID_HANDLE_VALUE) {
        CloseHandle(alone);
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION)
        return DeleteFileW(file.c_str()) ? ERROR_SUCCESS : GetLastError();
    // A program still writes it (one an earlier run left running): a deleted file's name would
    // stay until that program ends, and nobody could open or re-create it meanwhile.
    if (MoveAsideAndDelete(file, asideFolder, error))
        return ERROR_SUCCESS;
    if (!DeleteFileW(file.c_str()))
        return GetLastError();
    return EntryExists(file) ? ERROR_DELETE_PENDING : ERROR_SUCCESS;
}

void DeleteContentsAndFolder(const std::wstring& folder, const std::wstring& name, const std::wstring& asideFolder,
                             std::vector<RemainingEntry>& remaining) {
    const std::size_t remainingBefore = remaining.size();
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
    const std::wstring namePrefix = name.empty() ? name : name + L"\\";
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search(FindFirstFileW((prefix + L"*").c_str(), &entry));
    if (search) {
        do {
            const std::wstring entryName = entry.cFileName;
            if (entryName == L"." || entryName == L"..")
                continue;
            const std::wstring full = prefix + entryName;
            const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!isFolder) {
                const DWORD error = DeleteOneFile(full, entry.dwFileAttributes, asideFolder);
                if (error != ERROR_SUCCESS)
                    remaining.push_back({namePrefix + entryName, error, false});
            } else if (isLink) {
                // The link itself; its target is not ours.
                if (!RemoveDirectoryW(full.c_str()))
                    remaining.push_back({namePrefix + entryName, GetLastError(), true});
            } else {
                ClearReadOnly(full, entry.dwFileAttributes);
                DeleteContentsAndFolder(full, namePrefix + entryName, asideFolder, remaining);
            }
        } while (FindNextFileW(search.Get(), &entry));
        search.Reset();
    }
    // The folder being deleted is not an entry of itself; only what lies below it is reported.
    if (!RemoveDirectoryW(folder.c_str()) && !name.empty()) {
        const DWORD error = GetLastError();
        remaining.push_back({name, remaining.size() > remainingBefore ? ERROR_DIR_NOT_EMPTY : error, true});
    }
}

} // namespace

DWORD DeleteFileEntry(const std::wstring& path, const std::wstring& asideFolder) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    return DeleteOneFile(path, attributes, asideFolder);
}

std::vector<RemainingEntry> DeleteDirectoryTree(const wchar_t* path, const std::wstring& asideFolder) {
    std::vector<RemainingEntry> remaining;
    if (path == nullptr || *path == L'\0')
        return remaining;
    const std::wstring folder = ExtendedLengthPath(path);
    if (folder.empty())
        return remaining;
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return remaining;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link given as the folder: removing the link is all that is ours to delete.
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(folder.c_str());
        return remaining;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return remaining;
    ClearReadOnly(folder, attributes);
    DeleteContentsAndFolder(folder, L"", asideFolder, remaining);
    return remaining;
}

} // namespace Gathrix::Utils

namespace Gathrix::System {

void GetFileVersion(const wchar_t* path, DWORD& major, DWORD& minor, DWORD& build, DWORD& revision) {
    if (path == nullptr)
        return;
    major = minor = build = revision = 0;
    DWORD handle = 0;
    DWORD size = System::GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return;
    std::vector<unsigned char> buffer(size);
    if (!System::GetFileVersionInfoW(path, 0, size, buffer.data()))
        return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!System::VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return;
    major = HIWORD(fixed->dwFileVersionMS);
    minor = LOWORD(fixed->dwFileVersionMS);
    build = HIWORD(fixed->dwFileVersionLS);
    revision = LOWORD(fixed->dwFileVersionLS);
}

} // namespace Gathrix::System
