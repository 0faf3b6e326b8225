#pragma once
// The functions the collector takes from version.dll and userenv.dll. Windows does not keep
// these libraries among its known DLLs: imported, a file of either name in the program's folder
// (the downloads folder the user unpacked the tools into) would be loaded before the program's
// first line and run with its rights. So they come from the system folder by full path, loaded
// once as the program starts: later a 32-bit process may have switched the file-system
// redirection off, and no library loads then.
//
// Each fails as the system's function does (a zero result, the reason in GetLastError) when its
// library or export could not be had.

#include <windows.h>

namespace Gathrix::System {

DWORD GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle);
BOOL GetFileVersionInfoW(const wchar_t* path, DWORD handle, DWORD size, void* data);
BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer, UINT* length);
BOOL GetProfilesDirectoryW(wchar_t* folder, DWORD* length);

} // namespace Gathrix::System
