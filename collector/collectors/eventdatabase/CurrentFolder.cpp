#include "collector/collectors/eventdatabase/CurrentFolder.h"

#include <windows.h>

namespace Gathrix::System {

CurrentFolderScope::CurrentFolderScope() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return;
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, &folder[0]);
    if (length == 0 || length >= needed)
        return;
    folder.resize(length);
    saved = folder;
}

CurrentFolderScope::~CurrentFolderScope() {
    // Put back even when the scope did not change it itself: a plug-in call may have.
    if (!saved.empty())
        SetCurrentDirectoryW(saved.c_str());
}

bool CurrentFolderScope::ChangeTo(const std::wstring& folder) {
    if (saved.empty() || folder.empty())
        return false;
    return SetCurrentDirectoryW(folder.c_str()) != FALSE;
}

std::wstring FullPath(const std::wstring& path) {
    if (path.empty())
        return std::wstring();
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
        return std::wstring();
    full.resize(length);
    return full;
}

} // namespace Gathrix::System
