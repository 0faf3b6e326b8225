#include "collector/collectors/files/Directory.h"

#include "collector/platform/FileAccess.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Logging.h"

#include <windows.h>

namespace Gathrix {

namespace {

[[noreturn]] void Refuse(const std::wstring& message) {
    Logging::Logger::Error(message);
    throw DirectoryException(message);
}

} // namespace

Directory::Directory(const std::wstring& path) : path(path) {}

void Directory::Validate() {
    if (validated)
        return;
    validated = true;

    if (path.find_first_of(L"*?") != std::wstring::npos) {
        Logging::Logger::Error(L"Cannot open a directory including wildcards (*,?). Specified was " + path + L".");
        throw DirectoryException(path);
    }
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();

    WIN32_FIND_DATAW entry;
    UniqueFindHandle search = Utils::FindFirst(folder, entry);
    if (!search)
        throw DirectoryException(path, GetLastError());
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        search.Reset();
        Refuse(L"The specified directory is no directory. Specified was " + path + L".");
    }
    const bool second = FindNextFileW(search.Get(), &entry) != FALSE;
    search.Reset();
    if (second)
        Refuse(L"The specified directory is ambiguous. Specified was " + path + L".");
    resolvedPath = folder;
}

void Directory::GetFiles(std::vector<std::unique_ptr<FileProperties>>& files, const std::wstring& wildcardPath) {
    for (const auto& file : FileProperties::FindMatchingFiles(wildcardPath)) {
        std::vector<std::unique_ptr<FileProperties>> made;
        for (FileProperties* properties : FileProperties::CreateForPath(file, L""))
            made.emplace_back(properties);
        files.insert(files.begin(), std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    }
}

} // namespace Gathrix
