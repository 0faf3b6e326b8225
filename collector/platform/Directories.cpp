#include "collector/platform/Directories.h"

#include "collector/platform/SystemFolderFunctions.h"
#include "common/Handles.h"

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

bool CreateDirectoryTree(const std::wstring& path) {
    if (path.empty())
        return false;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    std::wstring folder = path;
    if (folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty())
        return false;
    size_t separator = folder.rfind(L'\\');
    if (separator == std::wstring::npos)
        return false;
    bool parentMade = CreateDirectoryTree(folder.substr(0, separator));
    bool made = CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    return parentMade && made;
}

namespace {

// The extended-length form of a path, so that no name below it is cut at MAX_PATH.
std::wstring ExtendedLengthPath(const wchar_t* path) {
    DWORD length = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (length == 0)
        return std::wstring();
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path, length, &full[0], nullptr);
    full.resize(length);
    if (full.compare(0, 4, L"\\\\?\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

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
