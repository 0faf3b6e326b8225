#include "collector/collectors/files/FileContent.h"

#include "collector/collectors/files/FindFiles.h"
#include "collector/platform/Directories.h"
#include "collector/platform/FileAccess.h"
#include "collector/platform/Variables.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwctype>

namespace Gathrix {

namespace {

// The C runtime's limit for each part of a split path (its buffers hold 256 characters with the
// terminating NUL).
constexpr std::size_t PartLimit = 255;

// The folder part of the destination (up to and with its last backslash), provided that it, the
// file name and the extension each fit the limit.
bool SplitDestination(const std::wstring& destination, std::wstring& folder) {
    const std::size_t separator = destination.rfind(L'\\');
    folder = separator == std::wstring::npos ? std::wstring() : destination.substr(0, separator + 1);
    const std::wstring name = separator == std::wstring::npos ? destination : destination.substr(separator + 1);
    const std::size_t dot = name.rfind(L'.');
    const std::size_t stemLength = dot == std::wstring::npos ? name.size() : dot;
    const std::size_t extensionLength = name.size() - stemLength;
    return folder.size() <= PartLimit && stemLength <= PartLimit && extensionLength <= PartLimit;
}

// Backslashes throughout, with repeated separators folded, except the two that begin a network
// path (or a "\\?\" path): folded, the source would name another file.
std::wstring NormalizedPath(const std::wstring& path) {
    const bool network = path.size() > 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    std::wstring rest = network ? path.substr(2) : path;
    Utils::NormalizeBackslashes(rest);
    if (!network)
        return rest;
    return L"\\\\" + (!rest.empty() && rest[0] == L'\\' ? rest.substr(1) : rest);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && Utils::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsDrivePath(const std::wstring& path) {
    return path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
}

// Copies the source over any earlier copy of the same source. The copy takes the source's
// attributes; a read-only, hidden or system one would refuse the next copy of the same file (a
// file listed twice, or named by two jobs) and the emptying of the working folder by the next
// run, so those flags are taken off the copy. ERROR_SUCCESS when the copy is there.
DWORD CopyToWorkingFolder(const std::wstring& source, const std::wstring& destination) {
    std::wstring folder;
    if (!SplitDestination(destination, folder))
        return ERROR_FILENAME_EXCED_RANGE;
    if (!Utils::CreateDirectoryTree(folder)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_PATH_NOT_FOUND;
    }
    if (!Utils::CopyFileOver(source, destination))
        return GetLastError();
    constexpr DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = Utils::ReadFileAttributes(destination);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kept)) {
        const DWORD plain = attributes & ~kept;
        Utils::WriteFileAttributes(destination, plain != 0 ? plain : FILE_ATTRIBUTE_NORMAL);
    }
    return ERROR_SUCCESS;
}

} // namespace

std::wstring FileCopyPath(const std::wstring& source) {
    std::wstring full = NormalizedPath(source);
    const wchar_t* behindRoot = PathSkipRootW(full.c_str());
    if (behindRoot == nullptr || *behindRoot == L'\0')
        return std::wstring();
    for (const wchar_t* prefix : {L"\\\\?\\", L"\\\\.\\"}) {
        if (StartsWithNoCase(full, prefix)) {
            full = full.substr(4);
            if (StartsWithNoCase(full, L"UNC\\"))
                full = L"\\\\" + full.substr(4);
            break;
        }
    }
    // Canonical, so that ".." can never lead a copy out of its drive's folder (onto another
    // source's copy or the run's own files); by way of the extended form, which keeps a last name
    // such as "NUL" or "COM1.txt" (the system's own full form of it is the device's).
    full = Utils::ExtendedLengthPath(full);
    if (StartsWithNoCase(full, L"\\\\?\\UNC\\"))
        full = L"\\\\" + full.substr(8);
    else if (StartsWithNoCase(full, L"\\\\?\\"))
        full = full.substr(4);
    if (IsDrivePath(full))
        return full.size() > 3 ? std::wstring(1, towupper(full[0])) + full.substr(2) : std::wstring();
    if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\') {
        // Server and share both kept: the same path on two shares is two files.
        const std::size_t server = full.find(L'\\', 2);
        const std::size_t share = server == std::wstring::npos ? server : full.find(L'\\', server + 1);
        if (share == std::wstring::npos || server == 2 || share == server + 1 || share + 1 >= full.size())
            return std::wstring();
        return L"UNC" + full.substr(1);
    }
    return std::wstring();
}

FileContent::FileContent(const std::wstring& path, const std::wstring& filter, bool readSubFolders)
    : path(path), filter(filter), readSubFolders(readSubFolders) {}

FileContent::FileContent(const std::wstring& path, const std::wstring& filter, bool readSubFolders,
                         const std::vector<std::wstring>& excludedFolders)
    : path(path), filter(filter), readSubFolders(readSubFolders), excludedFolders(excludedFolders) {}

FileContent::~FileContent() = default;

void FileContent::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

std::wstring FileContent::GetValue() const {
    std::wstring folder = System::Variables::Instance().ExpandDirectory(path);
    if (folder.empty())
        folder = path;
    return L"file contents of " + NormalizedPath(folder) + filter;
}

std::vector<PathCandidate> FileContent::ListFiles() const {
    return FindFilesExcluding(path, filter, readSubFolders, excludedFolders);
}

void FileContent::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());

    const std::wstring expandedFolder = NormalizedPath(System::Variables::Instance().ExpandDirectory(path));
    for (auto& file : ListFiles())
        CopyOne(file, expandedFolder);

    writer->CloseNode();
}

void FileContent::CopyOne(PathCandidate& file, const std::wstring& expandedFolder) {
    const bool enteredHere = !file.IsViewEntered();
    file.EnterView();

    if (Utils::ReadFileAttributes(file.GetPath()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        const std::wstring message = L"Couldn't copy file '" + file.GetPath() + L"': " + System::GetErrorText(error);
        Logging::Logger::Instance().Log(Logging::Error, message);
        children.push_back(std::make_unique<TreeElementLeaf>(message, L"lvlerror"));
        children.back()->writer = writer;
        children.back()->Collect();
    } else {
        const std::wstring source = NormalizedPath(file.GetPath());
        const std::wstring copyPath = FileCopyPath(source);
        std::wstring caption = source;
        if (!expandedFolder.empty())
            Utils::ReplaceAllNoCase(caption, expandedFolder, L"");
        TreeElementLeaf leaf(caption, L"filecontent");
        // Relative to the working folder, and the link relative to the result files in data\.
        // A source without a drive or share has no place for its copy.
        const DWORD error = copyPath.empty() ? ERROR_BAD_PATHNAME
                                             : CopyToWorkingFolder(source, L".\\data\\FileCopies\\" + copyPath);
        if (error == ERROR_SUCCESS) {
            std::wstring link = L".\\FileCopies\\" + copyPath;
            Utils::NormalizeForwardSlashes(link);
            leaf.externalLink = link;
            leaf.embeddedObjectLink = link;
        } else {
            // The leaf stays without links; the log says why the report has no copy.
            Logging::Logger::Instance().Log(Logging::Warning, L"Couldn't copy file '" + source + L"': " +
                                                                  System::GetErrorText(error));
        }
        leaf.writer = writer;
        leaf.Collect();
    }

    if (enteredHere)
        file.LeaveView();
}

} // namespace Gathrix
