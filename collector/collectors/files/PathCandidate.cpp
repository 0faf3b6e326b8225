#include "collector/collectors/files/PathCandidate.h"

#include "collector/platform/FileAccess.h"
#include "collector/platform/Variables.h"
#include "collector/platform/Wow64.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <windows.h>

#include <stdexcept>
#include <utility>

namespace Gathrix {

namespace {

using System::OperatingSystem::Wow64;

void DoNothing() {}

// The path is the folder itself or lies below it, compared on whole path components.
bool IsInFolder(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty() || !Utils::StartsWithNoCase(path, folder))
        return false;
    return path.size() == folder.size() || folder.back() == L'\\' || path[folder.size()] == L'\\';
}

bool IsExempt(const std::wstring& path) {
    for (const auto& exempt : Wow64::GetRedirectionExemptDirectories())
        if (IsInFolder(path, exempt))
            return true;
    return false;
}

} // namespace

PathCandidate::PathCandidate(const std::wstring& path, bool useRedirection)
    : path(path), useRedirection(useRedirection), enterOperation(&DoNothing), leaveOperation(&DoNothing) {
    if (System::OperatingSystem::Is64BitOperatingSystem()) {
        // Only a 32-bit process on 64-bit Windows is redirected. A 64-bit process (the 64-bit
        // build of the tests) already sees the native view, and the system refuses to switch
        // what it doesn't do.
        if (!useRedirection && Wow64::RunsUnderWow64()) {
            enterOperation = &PathCandidate::EnterNativeView;
            leaveOperation = &PathCandidate::LeaveNativeView;
        }
    } else if (useRedirection) {
        throw std::runtime_error("WOW 64 file system redirection cannot be used on a 32bit operating system.");
    }
}

PathCandidate::PathCandidate(const PathCandidate& other)
    : path(other.path),
      useRedirection(other.useRedirection),
      enterOperation(other.enterOperation),
      leaveOperation(other.leaveOperation) {}

PathCandidate::PathCandidate(PathCandidate&& other) noexcept
    : path(std::move(other.path)),
      useRedirection(other.useRedirection),
      enterOperation(other.enterOperation),
      leaveOperation(other.leaveOperation) {}

PathCandidate& PathCandidate::operator=(const PathCandidate& other) {
    if (this != &other) {
        LeaveView();
        path = other.path;
        useRedirection = other.useRedirection;
        enterOperation = other.enterOperation;
        leaveOperation = other.leaveOperation;
    }
    return *this;
}

PathCandidate::~PathCandidate() { LeaveView(); }

void PathCandidate::EnterView() {
    if (viewEntered)
        return;
    enterOperation();
    viewEntered = true;
}

void PathCandidate::LeaveView() {
    if (!viewEntered)
        return;
    leaveOperation();
    viewEntered = false;
}

void PathCandidate::EnterNativeView() { Wow64::DisableFileSystemRedirection(); }

void PathCandidate::LeaveNativeView() { Wow64::RevertFileSystemRedirection(); }

bool PathCandidate::FileExists() {
    EnterView();
    std::wstring translated;
    if (useRedirection && MapToRedirectedPath(path, translated))
        path = translated;
    DWORD attributes = Utils::ReadFileAttributes(path);
    LeaveView();
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool MapToRedirectedPath(const std::wstring& path, std::wstring& out) {
    for (const auto& [named, reached] : Wow64::GetRedirectedDirectories()) {
        if (!IsInFolder(path, named) || IsExempt(path))
            continue;
        // Only the leading folder is the redirected one; the same text further on is a name.
        out = reached + path.substr(named.size());
        return true;
    }
    return false;
}

std::vector<PathCandidate> ResolvePathCandidates(const std::wstring& pathText) {
    struct Text {
        std::wstring text;
        bool madeFromPath;
    };
    std::vector<Text> texts;
    for (auto& expanded : System::Variables::Instance().Expand(pathText))
        texts.push_back({std::move(expanded), false});

    const bool is64BitOs = System::OperatingSystem::Is64BitOperatingSystem();
    std::vector<PathCandidate> result;

    for (std::size_t index = 0; index < texts.size(); ++index) {
        // Copies: appending to the list moves its texts.
        const std::wstring text = texts[index].text;
        const bool madeFromPath = texts[index].madeFromPath;

        bool found = false;
        if (is64BitOs) {
            PathCandidate view32(text, true);
            if (view32.FileExists()) {
                result.push_back(view32);
                found = true;
            }
        }
        PathCandidate native(text, false);
        if (native.FileExists()) {
            result.push_back(native);
            return result;
        }
        if (found)
            return result;

        // A variable that stayed unexpanded: nothing derived from it can name a file.
        if (text.find(L'%') != std::wstring::npos)
            continue;

        if (Utils::StartsWithNoCase(text, L"\\??\\")) {
            std::wstring derived = text;
            Utils::ReplaceAllNoCase(derived, L"\\??\\", L"");
            texts.push_back({derived, false});
        }
        if (Utils::StartsWithNoCase(text, L"\\SystemRoot\\")) {
            wchar_t windows[MAX_PATH] = {};
            UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
            if (length != 0 && length < MAX_PATH) {
                std::wstring derived = text;
                Utils::ReplaceAllNoCase(derived, L"\\SystemRoot\\", std::wstring(windows) + L"\\");
                texts.push_back({derived, false});
            }
        }
        if (!text.empty() && text[0] == L'"') {
            std::size_t closing = text.find(L'"', 1);
            if (closing != std::wstring::npos)
                texts.push_back({text.substr(1, closing - 1), false});
        }
        if (text.find(L' ') != std::wstring::npos) {
            std::vector<std::wstring> pieces = Utils::Split(text, L" ");
            if (!pieces.empty()) {
                bool known = false;
                for (std::size_t later = index + 1; later < texts.size() && !known; ++later)
                    known = Utils::EqualsNoCase(texts[later].text, pieces.front());
                if (!known)
                    texts.push_back({pieces.front(), false});
            }
        }
        if ((text.size() < 2 || text[1] != L':') && !madeFromPath) {
            for (const auto& folder : System::Variables::Instance().GetPathDirectories()) {
                if (folder.empty())
                    continue;
                std::wstring derived = folder;
                if (derived.back() != L'\\')
                    derived += L'\\';
                texts.push_back({derived + text, true});
            }
        }
    }
    return result;
}

} // namespace Gathrix
