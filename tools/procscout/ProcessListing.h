#pragma once
// The process lister's work: every process of the system's snapshot as a record of text lines
// ("processname=", "pid=", one "modulepath=" per loaded module, an empty line), modules only for
// the processes of the lister's own bitness, nothing at all for queryable processes of the other
// bitness. Procscout (32-bit) and Procscout64 (64-bit) are this one source built twice.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix::Listers {

enum class RecordKind { None, Short, Full };

// What one process gets, from what could be learnt about it: whether it opened, whether
// IsWow64Process answered and with which flag, whether Windows is 64-bit, and the lister's own
// bitness.
RecordKind ChooseRecord(bool opened, bool wow64Answered, BOOL wow64Flag, bool windows64, bool lister64);

// The record's bytes: the lines end with CR LF, each unit is one byte ('?' from 256 up).
std::string FormatRecord(const std::wstring& name, std::uint32_t processId, const std::vector<std::wstring>& modules);

// Windows is 64-bit: kernel32 offers GetNativeSystemInfo and it names AMD64 or IA64.
bool IsWindows64();

// Tries to enable the debug privilege; every failure is ignored.
void EnableDebugPrivilege();

// Lists every process to standard output, a record at a time, each written as soon as it is made.
void ListProcesses();

} // namespace Gathrix::Listers
