#include "collector/platform/DynamicLibrary.h"

#include "common/Exceptions.h"
#include "common/LibrarySearch.h"
#include "common/OperatingSystem.h"

#include <utility>

namespace Gathrix::System {

namespace {

bool IsFullPath(const std::wstring& path) {
    // "C:\x" or "\\server\share\x"; "C:x" and "\x" depend on the current folder or drive.
    if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'))
        return true;
    return path.size() >= 3 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

} // namespace

DynamicLibrary::DynamicLibrary(std::wstring path) : path(std::move(path)) {
    Load();
}

void DynamicLibrary::Load() {
    const std::wstring call = L"LoadLibrary(L\"" + path + L"\")";
    if (!IsFullPath(path))
        throw WinApiException(call, ERROR_INVALID_PARAMETER);
    // The library's own folder is searched first for what it imports, not the current folder.
    module.Reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module)
        throw WinApiException(call, GetLastError());
}

FARPROC DynamicLibrary::GetProcAddress(std::string name) {
    FARPROC address = module ? ::GetProcAddress(module.Get(), name.c_str()) : nullptr;
    if (address == nullptr) {
        DWORD error = module ? GetLastError() : static_cast<DWORD>(ERROR_INVALID_HANDLE);
        std::wstring wideName;
        for (char unit : name)
            wideName.push_back(static_cast<wchar_t>(static_cast<unsigned char>(unit)));
        throw WinApiException(L"GetProcAddress(\"" + wideName + L"\")", error);
    }
    return address;
}

HMODULE LoadLibraryFromItsFolder(const std::wstring& path) {
    if (Utils::HasLibrarySearchFlags())
        return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    return LoadLibraryExW(path.c_str(), nullptr, 0);
}

std::wstring SystemLibraryPath(const std::wstring& fileName) {
    wchar_t folder[520];
    UINT length = GetSystemDirectoryW(folder, 520);
    if (length == 0 || length >= 520)
        return fileName;
    return std::wstring(folder, length) + L"\\" + fileName;
}

std::wstring ProgramLibraryPath(const std::wstring& fileName) {
    const std::wstring program = OperatingSystem::ProgramFilePath();
    if (program.empty())
        return fileName;
    return program.substr(0, program.find_last_of(L"\\/") + 1) + fileName;
}

} // namespace Gathrix::System
