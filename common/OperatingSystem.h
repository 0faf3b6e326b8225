#pragma once
// Operating-system tests shared by the collector and the wizard: administrator rights and the
// Windows release. Each call asks the system anew, except the 64-bit test, whose answer cannot
// change while the process runs.

#include <windows.h>

#include <string>

namespace Gathrix::System::OperatingSystem {

// 1 when the caller's token holds the Administrators group enabled, else 0. A system that is not
// NT, or whose version cannot be asked, counts as administrator (it has no such groups).
int IsUserAdmin();

// Windows XP: 5.1, or 5.2 on a 64-bit workstation (XP x64; Server 2003 is 5.2 too).
bool IsWindowsXp();
// 6.0, workstation (Vista) or server (Server 2008).
bool IsWindowsVistaOrServer2008();
// The running version is at least major.minor; minor -1 compares the major alone.
bool IsVersionOrGreater(DWORD major, int minor = -1);
// The running version is exactly major.minor; minor -1 accepts any minor of that major.
bool IsVersion(DWORD major, int minor = -1);

// Windows itself is 64-bit (AMD64 or IA64), whatever the bitness of this process.
bool Is64BitOperatingSystem();

// The full path of the running program's file; empty when it cannot be read.
std::wstring ProgramFilePath();

} // namespace Gathrix::System::OperatingSystem
