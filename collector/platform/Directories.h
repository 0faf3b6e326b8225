#pragma once
// Folder creation and deletion and the file version of a module: small file-system helpers
// that report failure only through their results.

#include "common/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Gathrix::Utils {

// Makes sure the folder exists, creating every missing parent first. True when it exists
// afterwards (a file of that name counts) and every parent could be made.
bool CreateDirectoryTree(const std::wstring& path);
// The full form of a path (relative to the current folder); the path itself when it has none.
std::wstring FullPath(const std::wstring& path);
// The extended-length form of a path ("\\?\C:\...", "\\?\UNC\server\share\..."), made from its
// full form ("." and ".." resolved, "/" turned into "\"), which the system then takes literally:
// no name in it means a device, and it is not cut at MAX_PATH. A path already in that form, or in
// the device ("\\.\") or object-manager ("\??\") form, is returned as it is; so is a path that
// has no full form.
std::wstring ExtendedLengthPath(const std::wstring& path);

// An entry that a deletion had to leave in place: its path below the folder being deleted, and
// the system's reason.
struct RemainingEntry {
    std::wstring name;
    DWORD error;
    bool isFolder;
};

// Deletes everything below the folder, then the folder itself. Links (junctions, symbolic links)
// are removed themselves, never followed, so nothing outside the folder is touched. Read-only
// files and folders lose the attribute and go too.
// A file that another program holds open, but lets be deleted, is first moved into `asideFolder`
// (when given; it must lie on the same volume and outside the folder), where it vanishes once the
// program closes it: its name is free at once, even where the system keeps a deleted file's
// name until the last handle is closed. Returns what stayed, each folder after its contents.
std::vector<RemainingEntry> DeleteDirectoryTree(const wchar_t* path, const std::wstring& asideFolder = L"");

// Deletes one file (a link itself, never its target) as DeleteDirectoryTree deletes each: a
// read-only attribute cleared first, a file open elsewhere moved into `asideFolder`.
// ERROR_SUCCESS when its name is gone, else the system's reason.
DWORD DeleteFileEntry(const std::wstring& path, const std::wstring& asideFolder = L"");

// Calls `visit` with every entry of `folder` but "." and "..", in the order the system lists them;
// nothing when the folder cannot be listed.
template <class Visit>
void ForEachFolderEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW entry;
    UniqueFindHandle find(FindFirstFileW(ExtendedLengthPath(folder + L"\\*").c_str(), &entry));
    if (!find)
        return;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            visit(entry);
    } while (FindNextFileW(find.Get(), &entry));
}

} // namespace Gathrix::Utils

namespace Gathrix::System {

// The file version of the module's version resource; 0.0.0.0 when it has none. A null path
// leaves the outputs untouched.
void GetFileVersion(const wchar_t* path, DWORD& major, DWORD& minor, DWORD& build, DWORD& revision);

} // namespace Gathrix::System
