#include "collector/platform/Directories.h"

#include "collector/platform/SystemFolderFunctions.h"
#include "common/Handles.h"

#include <vector>

namespace Gathrix::Utils {

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

void DeleteContentsAndFolder(const std::wstring& folder) {
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search(FindFirstFileW((prefix + L"*").c_str(), &entry));
    if (search) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = prefix + name;
            const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!isFolder)
                DeleteFileW(full.c_str());
            else if (isLink)
                RemoveDirectoryW(full.c_str());  // the link itself; its target is not ours
            else
                DeleteContentsAndFolder(full);
        } while (FindNextFileW(search.Get(), &entry));
        search.Reset();
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

void DeleteDirectoryTree(const wchar_t* path) {
    if (path == nullptr || *path == L'\0')
        return;
    const std::wstring folder = ExtendedLengthPath(path);
    if (folder.empty())
        return;
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link given as the folder: removing the link is all that is ours to delete.
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(folder.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    DeleteContentsAndFolder(folder);
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
