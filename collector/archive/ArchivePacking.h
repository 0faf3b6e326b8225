#pragma once
// Packing the working folder into a 7z archive with the 7-Zip library (7z.dll, loaded from the
// collector's own folder).

#include "collector/archive/ArchiveUpdateCallback.h"

#include <string>
#include <vector>

namespace Gathrix::Utilities {

// Entries of the source folder, named below it ("data\\ProgramLogs\\x.txt"), that are not packed: a
// file never, a folder only for what lies below it.
using LeftOutEntries = std::vector<std::wstring>;

// Packs `source` into `archive`; false on any failure (the reasons are dropped).
bool ArchiveFolder(const std::wstring& source, const std::wstring& archive, const LeftOutEntries& leftOut = {});

// Packs `source` (a folder: its contents; a file: that file) into `archive`, moving an existing
// archive aside first. Throws std::runtime_error with a UTF-8 message on failure.
void CompressFolderTo7z(const std::wstring& source, const std::wstring& archive, const LeftOutEntries& leftOut = {});

// Appends the item for `path` and, for a folder, everything below it, breadth first.
void CollectDirItems(const std::wstring& path, std::vector<CDirItem>& items);

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
