#pragma once
// The file accesses of the jobs, each handing the system the path's extended-length form
// (Utils::ExtendedLengthPath). In that form the system takes every name as it is: a file named
// like a device ("NUL", "CON", "COM1.txt", "aux.log", which software can make through such paths)
// is that file, never the device, and no path is cut at MAX_PATH. Paths are given and reported
// in their ordinary form; only the system sees the extended one.

#include "collector/platform/Directories.h"
#include "common/Handles.h"

#include <windows.h>

#include <string>

namespace Gathrix::Utils {

// The form of the path that the system is given: its extended-length form. The observer (when
// set) is told every such path first.
std::wstring SystemPath(const std::wstring& path);

// Sees every path that goes to the system through this layer; null for none. Tests check with it
// that the jobs reach the system through the extended form.
using SystemPathObserver = void (*)(const std::wstring& systemPath);
void SetSystemPathObserver(SystemPathObserver observer);

// Whether the system takes this file name, in a path's ordinary form, for a device: CON, PRN,
// AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also with a superscript 1, 2 or 3), in any case,
// with or without an extension ("aux.txt", "COM1.log"), trailing blanks and dots ignored.
bool IsDeviceName(const std::wstring& name);

// CreateFileW of the path's extended form.
UniqueHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags = FILE_ATTRIBUTE_NORMAL, SECURITY_ATTRIBUTES* security = nullptr);

// Whether an open handle is a file on disk (not a console, pipe, serial port or other device).
bool IsDiskFile(HANDLE file);

// Opens an existing file for reading (others may read and write it meanwhile), provided that it
// is a file on disk. On failure the handle is empty and `failure` says why: the system's reason,
// or that the path names no file on disk.
UniqueHandle OpenDiskFileForReading(const std::wstring& path, std::wstring& failure);

// The reason OpenDiskFileForReading and the jobs give for a path that opens something other than
// a file on disk.
std::wstring NotDiskFileText();

DWORD ReadFileAttributes(const std::wstring& path);
bool ReadFileAttributeData(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data);
bool WriteFileAttributes(const std::wstring& path, DWORD attributes);
// FindFirstFileW of the pattern's extended form (wildcards in its last part, as there).
UniqueFindHandle FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry);
// Copies over an existing destination; false with the system's reason in GetLastError.
bool CopyFileOver(const std::wstring& source, const std::wstring& destination);

} // namespace Gathrix::Utils
