#include "common/LibrarySearch.h"

#include <windows.h>

namespace Gathrix::Utils {

namespace {

// kernel32 is loaded in every process: looked up, never loaded.
FARPROC KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : nullptr;
}

} // namespace

bool RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(KernelFunction("SetDefaultDllDirectories")));
    return setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

bool HasLibrarySearchFlags() { return KernelFunction("AddDllDirectory") != nullptr; }

} // namespace Gathrix::Utils
