#pragma once
// A folder named by a path text, validated once before use: the text must name exactly one
// existing folder and hold no wildcard. It then lists the file properties of the files that a
// wildcard path inside it matches.

#include "collector/collectors/files/FileProperties.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class Directory {
public:
    explicit Directory(const std::wstring& path);
    virtual ~Directory() = default;

    // Checks the folder on the first call and returns at once on every later one, also when the
    // first threw. Throws DirectoryException (after logging an ERROR, except for a folder that
    // is not found) when the path holds a wildcard, names nothing, names a file or more than one
    // entry.
    void Validate();

    // Puts the properties of every file the wildcard path matches (one object per view the file
    // exists in) at the front of `files`: the new objects stand in the reverse of the listing
    // order, those of one file in view order, and what the list held stays behind them.
    void GetFiles(std::vector<std::unique_ptr<FileProperties>>& files, const std::wstring& wildcardPath);

    const std::wstring& GetPath() const { return path; }
    // The validated path without trailing backslashes; empty until validation succeeded.
    const std::wstring& GetResolvedPath() const { return resolvedPath; }

private:
    std::wstring path;
    std::wstring resolvedPath;
    bool validated = false;
};

} // namespace Gathrix
