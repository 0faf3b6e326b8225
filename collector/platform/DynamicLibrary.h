#pragma once
// A library loaded at run time, with export lookup that throws Gathrix::WinApiException naming
// the failed call. Libraries are loaded by full path only: a bare name would let a DLL planted
// in the current folder be loaded in place of the real one.

#include "common/Handles.h"

#include <string>

namespace Gathrix::System {

class DynamicLibrary {
public:
    explicit DynamicLibrary(std::wstring path);
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary() = default;

    void Load();
    FARPROC GetProcAddress(std::string name);

    // The export as the function type the caller expects.
    template <class Function>
    Function GetFunction(const std::string& name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(name)));
    }

    const std::wstring& GetPath() const { return path; }

private:
    UniqueLibrary module;
    std::wstring path;
};

// Loads a library given by full path whose own imports lie beside it (a plug-in): where the
// library search of the process is limited to the system folder (common/LibrarySearch.h), the
// current folder and PATH are no longer searched, so its imports are looked for in its folder and
// then in the default folders; where Windows has no such search, the plain search as before.
HMODULE LoadLibraryFromItsFolder(const std::wstring& path);

// Full paths of a library in the system folder and in the folder of the running program.
std::wstring SystemLibraryPath(const std::wstring& fileName);
std::wstring ProgramLibraryPath(const std::wstring& fileName);

} // namespace Gathrix::System
