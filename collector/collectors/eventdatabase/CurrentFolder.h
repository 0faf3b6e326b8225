#pragma once
// Holds the process's current folder for a scope: a plug-in is loaded (and driven) with its own
// folder current, and every relative path of the run ("data\...") needs the working folder back
// afterwards, whatever the plug-in did.

#include <string>

namespace Gathrix::System {

class CurrentFolderScope {
public:
    // Remembers the current folder; when it cannot be read, the scope changes nothing.
    CurrentFolderScope();
    ~CurrentFolderScope();
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

    // Makes `folder` current; false (and nothing changed) when it cannot be.
    bool ChangeTo(const std::wstring& folder);

private:
    std::wstring saved;
};

// The full form of a path, resolved against the current folder; empty when it has none.
std::wstring FullPath(const std::wstring& path);

} // namespace Gathrix::System
