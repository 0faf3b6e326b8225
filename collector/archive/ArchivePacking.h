#pragma once
// Packing the working folder into a 7z archive with the 7-Zip library (7z.dll, loaded from the
// collector's own folder).

#include "collector/archive/ArchiveUpdateCallback.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Gathrix::Utilities {

// A file as the file system identifies it and last changed it: a file written again, or deleted
// and made anew, no longer has the stamp it had.
struct FileStamp {
    bool known = false;
    DWORD volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
    std::int64_t changeTime = 0;  // 0 where the system does not tell it (before Vista)

    bool operator==(const FileStamp& other) const;
};

// The stamp of the file (a link itself) at `path`; not known when it cannot be opened.
FileStamp StampOf(const std::wstring& path);

// An entry of the source folder, named below it ("data\\ProgramLogs\\x.txt"), that is not packed:
// a folder only for what lies below it; a file only while it has the stamp it was found with. A
// file written there since is packed after all: it is the run's own, not the entry found.
struct LeftOutEntry {
    std::wstring name;
    FileStamp found;
};
using LeftOutEntries = std::vector<LeftOutEntry>;

// The entry `name` of the folder `source` as it is now, to be left out while it stays so.
LeftOutEntry LeftOutAsFound(const std::wstring& source, const std::wstring& name);

// Packs `source` into `archive`; false on any failure (the reasons are dropped).
bool ArchiveFolder(const std::wstring& source, const std::wstring& archive, const LeftOutEntries& leftOut = {});

// Packs `source` (a folder: its contents; a file: that file) into `archive`, moving an existing
// archive aside first. Throws std::runtime_error with a UTF-8 message on failure.
void CompressFolderTo7z(const std::wstring& source, const std::wstring& archive, const LeftOutEntries& leftOut = {});

// Appends the item for `path` and, for a folder, everything below it, breadth first. A link
// (symbolic link, junction, mount point) is neither packed nor followed: what it leads to lies
// outside the folder, or is packed where it lies. Nothing is appended for a link given as `path`.
void CollectDirItems(const std::wstring& path, std::vector<CDirItem>& items);

// Calls its visitor with each entry of a folder, as Utils::ForEachFolderEntry does.
using FolderListing =
    std::function<void(const std::wstring& folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit)>;
// The same walk over folders as `listFolder` lists them: tests stand in for links that the file
// system at hand cannot make.
void CollectDirItems(const std::wstring& path, std::vector<CDirItem>& items, const FolderListing& listFolder);

// The items of an archive of `source`, in the order the library receives them: for a folder,
// each of its entries (in the order the system lists them) with everything below it, named
// below the folder; for a file, that file. A left-out file is missing; a left-out folder is
// there only when something below it is. Throws std::runtime_error as CompressFolderTo7z does.
std::vector<CDirItem> CollectArchiveItems(const std::wstring& source, const LeftOutEntries& leftOut = {});

// Renames a file at `archive` to the first free name stem_1.ext, stem_2.ext, ...
// True when nothing was there or the rename worked.
bool MoveExistingArchiveAside(const std::wstring& archive);

// The 7-Zip library beside the running program.
std::wstring SevenZipLibraryPath();

} // namespace Gathrix::Utilities
