#pragma once
// The folders a configured path names (optionally with every folder below them) and the files
// in them that match a filter, in both file-system views of a 64-bit Windows. Results are
// candidates carrying the view each was found in, none of them entered. Nothing is logged or
// thrown: what can't be searched gives fewer results.

#include "collector/collectors/files/PathCandidate.h"

#include <string>
#include <vector>

namespace Gathrix {

// The folders the path text names (a wildcard in its last part lists the matching folders, a
// trailing backslash names the folder itself) and with readSubFolders every folder below them,
// depth first. Each folder appears once per view. Junctions and directory links below the named
// folders are listed but not searched further.
std::vector<PathCandidate> FindDirectories(const std::wstring& pathText, bool readSubFolders);

// The folders one search of the pattern finds, in the pattern's view. Folders whose names begin
// with a dot are left out.
std::vector<PathCandidate> FindMatchingDirectories(PathCandidate& pattern);

// The files of the folder that match the filter, in the folder's view.
std::vector<PathCandidate> FindFilesInDirectory(PathCandidate folder, const std::wstring& filter);

// The same, less the files whose path equals an excluded text (case ignored).
std::vector<PathCandidate> FindFilesInDirectoryExcluding(PathCandidate folder, const std::wstring& filter,
                                                         const std::vector<std::wstring>& excluded);

// Sees the attributes of every folder a search finds, by its path, and answers the attributes
// to go by; null for none. Where the platform makes no junctions (Wine), tests mark folders as
// reparse points through it.
using FolderAttributeHook = unsigned long (*)(const std::wstring& path, unsigned long attributes);
void SetFolderAttributeHook(FolderAttributeHook hook);

// The matching files of every folder FindDirectories lists, folder by folder.
std::vector<PathCandidate> FindFiles(const std::wstring& pathText, const std::wstring& filter, bool readSubFolders);

// The same, less the folders that are an excluded folder or lie below one (on whole path
// components: C:\Dumps does not exclude C:\Dumps2) and the files whose path equals an excluded text.
std::vector<PathCandidate> FindFilesExcluding(const std::wstring& pathText, const std::wstring& filter,
                                              bool readSubFolders, const std::vector<std::wstring>& excluded);

} // namespace Gathrix
