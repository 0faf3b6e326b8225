#include "collector/collectors/files/FileContent.h"

#include "collector/collectors/files/FindFiles.h"
#include "collector/platform/Directories.h"
#include "collector/platform/Variables.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>
#include <shlwapi.h>

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

// Copies the source over any earlier copy. The copy takes the source's attributes; a read-only
// one would refuse the next copy of the same file (a file listed twice, or named by two jobs)
// and the emptying of the working folder by the next run, so that flag is taken off the copy.
bool CopyToWorkingFolder(const std::wstring& source, const std::wstring& destination) {
    std::wstring folder;
    if (!SplitDestination(destination, folder) || !Utils::CreateDirectoryTree(folder))
        return false;
    if (!CopyFileW(source.c_str(), destination.c_str(), FALSE))
        return false;
    const DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

} // namespace

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
    Utils::NormalizeBackslashes(folder);
    return L"file contents of " + folder + filter;
}

std::vector<PathCandidate> FileContent::ListFiles() const {
    return FindFilesExcluding(path, filter, readSubFolders, excludedFolders);
}

void FileContent::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());

    std::wstring expandedFolder = System::Variables::Instance().ExpandDirectory(path);
    Utils::NormalizeBackslashes(expandedFolder);
    for (auto& file : ListFiles())
        CopyOne(file, expandedFolder);

    writer->CloseNode();
}

void FileContent::CopyOne(PathCandidate& file, const std::wstring& expandedFolder) {
    const bool enteredHere = !file.IsViewEntered();
    file.EnterView();

    if (!PathFileExistsW(file.GetPath().c_str())) {
        const DWORD error = GetLastError();
        const std::wstring message = L"Couldn't copy file '" + file.GetPath() + L"': " + System::GetErrorText(error);
        Logging::Logger::Instance().Log(Logging::Error, message);
        children.push_back(std::make_unique<TreeElementLeaf>(message, L"lvlerror"));
        children.back()->writer = writer;
        children.back()->Collect();
    } else {
        std::wstring source = file.GetPath();
        Utils::NormalizeBackslashes(source);
        const wchar_t* behindRoot = PathSkipRootW(source.c_str());
        const std::wstring rooted = behindRoot != nullptr ? behindRoot : L"";
        if (!rooted.empty()) {
            std::wstring caption = source;
            if (!expandedFolder.empty())
                Utils::ReplaceAllNoCase(caption, expandedFolder, L"");
            TreeElementLeaf leaf(caption, L"filecontent");
            // Relative to the working folder, and the link relative to the result files in data\.
            if (CopyToWorkingFolder(source, L".\\data\\FileCopies\\" + rooted)) {
                std::wstring link = L".\\FileCopies\\" + rooted;
                Utils::NormalizeForwardSlashes(link);
                leaf.externalLink = link;
                leaf.embeddedObjectLink = link;
            }
            leaf.writer = writer;
            leaf.Collect();
        }
    }

    if (enteredHere)
        file.LeaveView();
}

} // namespace Gathrix
