#include "collector/collectors/files/FindFiles.h"

#include "collector/platform/FileAccess.h"
#include "collector/platform/Variables.h"
#include "common/Handles.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <windows.h>

#include <utility>

namespace Gathrix {

namespace {

std::wstring WithoutTrailingBackslashes(std::wstring text) {
    while (!text.empty() && text.back() == L'\\')
        text.pop_back();
    return text;
}

FolderAttributeHook folderAttributeHook = nullptr;

// The folders one search of the pattern finds, each with whether it is a junction or a directory
// link. Folders whose names begin with a dot are left out.
std::vector<std::pair<PathCandidate, bool>> MatchingDirectories(PathCandidate& pattern) {
    std::vector<std::pair<PathCandidate, bool>> result;
    pattern.EnterView();
    std::wstring p = pattern.GetPath();
    const std::size_t lastSeparator = p.rfind(L'\\');
    if (!p.empty() && lastSeparator != std::wstring::npos) {
        const std::size_t lengthBefore = p.size();
        p = WithoutTrailingBackslashes(p);
        const bool trailingRemoved = p.size() != lengthBefore;
        const std::wstring folderPart = p.substr(0, lastSeparator);

        WIN32_FIND_DATAW entry;
        UniqueFindHandle search = Utils::FindFirst(p, entry);
        if (search) {
            do {
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || entry.cFileName[0] == L'.')
                    continue;
                std::wstring path = trailingRemoved ? p : folderPart + L"\\" + entry.cFileName;
                DWORD attributes = entry.dwFileAttributes;
                if (folderAttributeHook != nullptr)
                    attributes = folderAttributeHook(path, attributes);
                result.emplace_back(PathCandidate(std::move(path), pattern.UsesRedirection()),
                                    (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
            } while (FindNextFileW(search.Get(), &entry));
        }
    }
    pattern.LeaveView();
    return result;
}

// Adds the folders the pattern finds and, with readSubFolders, the folders below each of them,
// searched in the view the folder was found in. Found folders are not expanded again (a folder
// may be named like a variable), and the search below a folder stays in its view: the other
// view's copy of a redirected folder is listed by its own pass, once. A junction or directory
// link met on the way down is listed (its own files count) but never entered: one that points
// back up would make the search endless. The folders the path itself names are entered even
// when they are links: the mode file asked for them.
void AddDirectories(PathCandidate pattern, bool readSubFolders, bool enterLinks, std::vector<PathCandidate>& result) {
    for (auto& [folder, isLink] : MatchingDirectories(pattern)) {
        result.push_back(folder);
        if (readSubFolders && (enterLinks || !isLink))
            AddDirectories(PathCandidate(folder.GetPath() + L"\\*", folder.UsesRedirection()), true, false, result);
    }
}

// The file-name search of one folder; `keep` decides on each file path.
template <class Keep>
std::vector<PathCandidate> ListFiles(PathCandidate& folder, const std::wstring& filter, Keep keep) {
    std::vector<PathCandidate> files;
    folder.EnterView();
    std::wstring pattern = folder.GetPath();
    if (pattern.empty() || pattern.back() != L'\\')
        pattern += L'\\';
    pattern += filter;
    // A filter with a backslash searches below the folder: the files lie where its last part is.
    const std::wstring folderPart = pattern.substr(0, pattern.rfind(L'\\'));

    WIN32_FIND_DATAW entry;
    UniqueFindHandle search = Utils::FindFirst(pattern, entry);
    if (search) {
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            std::wstring path = folderPart + L"\\" + entry.cFileName;
            if (keep(path))
                files.emplace_back(path, folder.UsesRedirection());
        } while (FindNextFileW(search.Get(), &entry));
    }
    search.Reset();
    folder.LeaveView();
    return files;
}

} // namespace

std::vector<PathCandidate> FindDirectories(const std::wstring& pathText, bool readSubFolders) {
    std::vector<PathCandidate> result;
    const bool is64BitOs = System::OperatingSystem::Is64BitOperatingSystem();
    std::vector<std::wstring> searched;
    for (const auto& text : System::Variables::Instance().Expand(pathText)) {
        if (text.empty())
            continue;
        // Both program-files variables name the same folder where the process is 64-bit itself.
        bool seen = false;
        for (const auto& earlier : searched)
            seen = seen || Utils::EqualsNoCase(earlier, text);
        if (seen)
            continue;
        searched.push_back(text);

        AddDirectories(PathCandidate(text, false), readSubFolders, true, result);
        std::wstring redirected;
        if (is64BitOs && MapToRedirectedPath(text, redirected))
            AddDirectories(PathCandidate(redirected, true), readSubFolders, true, result);
    }
    return result;
}

std::vector<PathCandidate> FindMatchingDirectories(PathCandidate& pattern) {
    std::vector<PathCandidate> result;
    for (auto& found : MatchingDirectories(pattern))
        result.push_back(std::move(found.first));
    return result;
}

void SetFolderAttributeHook(FolderAttributeHook hook) {
    folderAttributeHook = hook;
}

std::vector<PathCandidate> FindFilesInDirectory(PathCandidate folder, const std::wstring& filter) {
    return ListFiles(folder, filter, [](const std::wstring&) { return true; });
}

std::vector<PathCandidate> FindFilesInDirectoryExcluding(PathCandidate folder, const std::wstring& filter,
                                                         const std::vector<std::wstring>& excluded) {
    std::vector<std::wstring> lowered;
    for (const auto& text : excluded)
        lowered.push_back(Utils::ToLower(text));
    return ListFiles(folder, filter, [&lowered](const std::wstring& path) {
        const std::wstring lowerPath = Utils::ToLower(path);
        for (const auto& text : lowered)
            if (lowerPath == text)
                return false;
        return true;
    });
}

std::vector<PathCandidate> FindFiles(const std::wstring& pathText, const std::wstring& filter, bool readSubFolders) {
    std::vector<PathCandidate> files;
    for (auto& folder : FindDirectories(pathText, readSubFolders))
        for (auto& file : FindFilesInDirectory(folder, filter))
            files.push_back(std::move(file));
    return files;
}

std::vector<PathCandidate> FindFilesExcluding(const std::wstring& pathText, const std::wstring& filter,
                                              bool readSubFolders, const std::vector<std::wstring>& excluded) {
    std::vector<std::wstring> excludedFolders;
    for (const auto& text : excluded)
        excludedFolders.push_back(Utils::ToLower(WithoutTrailingBackslashes(text)));

    std::vector<PathCandidate> files;
    for (auto& folder : FindDirectories(pathText, readSubFolders)) {
        const std::wstring lowerFolder = Utils::ToLower(folder.GetPath());
        bool left = false;
        for (const auto& excludedFolder : excludedFolders) {
            if (excludedFolder.empty())
                continue;
            // The excluded folder itself and everything below it, on whole path components.
            if (lowerFolder.compare(0, excludedFolder.size(), excludedFolder) == 0 &&
                (lowerFolder.size() == excludedFolder.size() || lowerFolder[excludedFolder.size()] == L'\\')) {
                left = true;
                break;
            }
        }
        if (left)
            continue;
        for (auto& file : FindFilesInDirectoryExcluding(folder, filter, excluded))
            files.push_back(std::move(file));
    }
    return files;
}

} // namespace Gathrix
