#include "collector/platform/SystemFolderFunctions.h"

#include "collector/platform/DynamicLibrary.h"
#include "common/Exceptions.h"

#include <userenv.h>

#include <memory>

namespace Gathrix::System {

namespace {

class SystemFolderLibrary {
public:
    explicit SystemFolderLibrary(const wchar_t* fileName) {
        try {
            library = std::make_unique<DynamicLibrary>(SystemLibraryPath(fileName));
        } catch (const WinApiException&) {
            // Every function of the library then fails with ERROR_MOD_NOT_FOUND.
        }
    }

    template <class Function>
    Function Find(const char* name) {
        if (!library)
            return nullptr;
        try {
            return library->GetFunction<Function>(name);
        } catch (const WinApiException&) {
            return nullptr;
        }
    }

    DWORD MissingError() const { return library ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND; }

private:
    std::unique_ptr<DynamicLibrary> library;
};

struct Functions {
    SystemFolderLibrary version{L"version.dll"};
    SystemFolderLibrary userenv{L"userenv.dll"};
    decltype(&::GetFileVersionInfoSizeW) getFileVersionInfoSize =
        version.Find<decltype(&::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    decltype(&::GetFileVersionInfoW) getFileVersionInfo =
        version.Find<decltype(&::GetFileVersionInfoW)>("GetFileVersionInfoW");
    decltype(&::VerQueryValueW) verQueryValue = version.Find<decltype(&::VerQueryValueW)>("VerQueryValueW");
    decltype(&::GetProfilesDirectoryW) getProfilesDirectory =
        userenv.Find<decltype(&::GetProfilesDirectoryW)>("GetProfilesDirectoryW");
};

Functions& Loaded() {
    static Functions functions;
    return functions;
}

// Static initialisation runs before wmain, before anything can switch the redirection off.
[[maybe_unused]] const Functions& loadedAtStart = Loaded();

template <class Result>
Result Unavailable(const SystemFolderLibrary& library) {
    SetLastError(library.MissingError());
    return Result();
}

} // namespace

DWORD GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle) {
    Functions& functions = Loaded();
    if (functions.getFileVersionInfoSize == nullptr)
        return Unavailable<DWORD>(functions.version);
    return functions.getFileVersionInfoSize(path, handle);
}

BOOL GetFileVersionInfoW(const wchar_t* path, DWORD handle, DWORD size, void* data) {
    Functions& functions = Loaded();
    if (functions.getFileVersionInfo == nullptr)
        return Unavailable<BOOL>(functions.version);
    return functions.getFileVersionInfo(path, handle, size, data);
}

BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) {
    Functions& functions = Loaded();
    if (functions.verQueryValue == nullptr)
        return Unavailable<BOOL>(functions.version);
    return functions.verQueryValue(block, subBlock, buffer, length);
}

BOOL GetProfilesDirectoryW(wchar_t* folder, DWORD* length) {
    Functions& functions = Loaded();
    if (functions.getProfilesDirectory == nullptr)
        return Unavailable<BOOL>(functions.userenv);
    return functions.getProfilesDirectory(folder, length);
}

} // namespace Gathrix::System
