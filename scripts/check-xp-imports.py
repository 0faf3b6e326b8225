#!/usr/bin/env python3
"""Checks that every shipped 32-bit program and library starts on Windows XP SP2 and Server 2003 SP1.

    check-xp-imports.py DIST_DIR

A program that imports one function its system lacks does not start at all ("The procedure entry
point ... could not be located"), and one whose subsystem version is above 5.1 is not taken for a
program by XP. So each 32-bit .exe and .dll below DIST_DIR (Procscout64 is 64-bit and skipped) may
import only the functions listed below: the ones the programs use today, each present in XP SP2's
system libraries by its documented minimum version. What only newer Windows has (GetTickCount64,
SetDefaultDllDirectories, the runtime's *_s functions) is looked up at run time instead
(common/TickCount64.h, common/LibrarySearch.h). A new import goes into the list only when XP SP2
has it. Exits 1 naming every file and import outside the list.
"""
import pathlib
import struct
import sys

XP_FUNCTIONS = {
    'ADVAPI32.DLL': '''
        AccessCheck AddAccessAllowedAce AdjustTokenPrivileges AllocateAndInitializeSid CloseEventLog
        FreeSid GetLengthSid GetSidLengthRequired ImpersonateSelf InitializeAcl
        InitializeSecurityDescriptor IsValidSecurityDescriptor IsValidSid LookupAccountSidW
        LookupPrivilegeValueW OpenEventLogW OpenProcessToken OpenThreadToken ReadEventLogW RegCloseKey
        RegEnumKeyExW RegEnumValueW RegOpenKeyExW RegQueryInfoKeyW RegQueryValueExW RevertToSelf
        SetSecurityDescriptorDacl SetSecurityDescriptorGroup SetSecurityDescriptorOwner''',
    'COMCTL32.DLL': 'InitCommonControlsEx',
    'KERNEL32.DLL': '''
        AssignProcessToJobObject CreateJobObjectW SetInformationJobObject
        CancelIo ConnectNamedPipe CreateNamedPipeW FlushFileBuffers GetOverlappedResult SetErrorMode WaitNamedPipeW
        AddVectoredExceptionHandler CloseHandle CompareFileTime CopyFileW CreateDirectoryW CreateEventA
        CreateEventW CreateFileW CreateHardLinkW CreateMutexW CreatePipe CreateProcessW
        CreateSemaphoreA CreateSemaphoreW CreateThread CreateToolhelp32Snapshot DeleteCriticalSection
        DeleteFileW DosDateTimeToFileTime DuplicateHandle EnterCriticalSection ExitProcess
        FileTimeToDosDateTime FileTimeToLocalFileTime FileTimeToSystemTime FillConsoleOutputCharacterW
        FindClose FindCloseChangeNotification FindFirstChangeNotificationW FindFirstFileW FindNextFileW
        FindResourceW FormatMessageA FormatMessageW FreeEnvironmentStringsW FreeLibrary GetCommandLineW
        GetConsoleMode GetConsoleScreenBufferInfo GetCurrentDirectoryW GetCurrentProcess
        GetCurrentProcessId GetCurrentThread GetCurrentThreadId GetDateFormatW GetEnvironmentStringsW
        GetEnvironmentVariableW GetExitCodeProcess GetFileAttributesExW GetFileAttributesW
        GetFileInformationByHandle GetFileSize GetFileSizeEx GetFileType GetFullPathNameW
        GetHandleInformation GetLastError GetLocaleInfoW GetLogicalDriveStringsW GetModuleFileNameW
        GetModuleHandleA GetModuleHandleW GetOEMCP GetPrivateProfileStringW GetProcAddress
        GetProcessAffinityMask GetStartupInfoW GetStdHandle GetSystemDirectoryW GetSystemInfo
        GetSystemTime GetSystemTimeAsFileTime GetTempFileNameW GetTempPathW GetThreadContext
        GetThreadPriority GetTickCount GetTimeFormatW GetTimeZoneInformation GetVersion GetVersionExW
        GetWindowsDirectoryW GlobalAlloc GlobalFree GlobalMemoryStatus InitializeCriticalSection
        IsDBCSLeadByteEx IsDebuggerPresent IsProcessorFeaturePresent IsWow64Process LCMapStringW
        LeaveCriticalSection LoadLibraryA LoadLibraryExW LoadLibraryW LoadResource LocalAlloc
        LocalFileTimeToFileTime LocalFree LockResource Module32FirstW Module32NextW MoveFileExW MoveFileW
        MoveFileWithProgressW MultiByteToWideChar OpenMutexW OpenProcess OutputDebugStringA
        PeekNamedPipe Process32FirstW Process32NextW QueryPerformanceCounter RaiseException ReadFile
        ReleaseMutex ReleaseSemaphore RemoveDirectoryW RemoveVectoredExceptionHandler ResetEvent
        ResumeThread SetConsoleCursorPosition SetCurrentDirectoryW SetEndOfFile SetEnvironmentVariableW
        SetEvent SetFileAttributesW SetFilePointer SetFilePointerEx SetFileTime SetHandleInformation
        SetLastError SetProcessAffinityMask SetStdHandle SetThreadAffinityMask SetThreadContext
        SetThreadPriority SetUnhandledExceptionFilter SizeofResource Sleep SuspendThread
        SystemTimeToFileTime SystemTimeToTzSpecificLocalTime TerminateProcess TlsAlloc TlsGetValue
        TlsSetValue TryEnterCriticalSection TzSpecificLocalTimeToSystemTime VerSetConditionMask
        VerifyVersionInfoW VirtualAlloc VirtualFree VirtualProtect VirtualQuery WaitForMultipleObjects
        WaitForSingleObject WideCharToMultiByte WriteConsoleW WriteFile''',
    'MSVCRT.DLL': '''
        _get_osfhandle _wremove rewind
        __doserrno __mb_cur_max __p__commode __p__fmode __p__wcmdln __set_app_type __setusermatherr
        __wgetmainargs __winitenv _amsg_exit _beginthreadex _cexit _close _endthreadex _errno _fdopen
        _filelengthi64 _fileno _fstat64 _initterm _iob _lock _lseeki64 _onexit _read _setjmp3 _strdup
        _ultoa _unlock _waccess _wfopen _write _wsopen _wsplitpath abort atof atoi calloc exit fclose
        ferror fflush fgetpos fgetwc fopen fprintf fputc fputs fputwc fread free fseek fsetpos ftell
        fwprintf fwrite getc getwc isalnum isalpha islower isspace isupper iswalpha iswctype iswdigit
        isxdigit localeconv longjmp malloc memchr memcmp memcpy memmove memset printf putc putwc
        realloc setlocale setvbuf signal strchr strcmp strcoll strerror strftime strlen strncmp strstr
        strtol strtoul strxfrm tolower towlower towupper ungetc ungetwc vfprintf wcscmp wcscoll
        wcsftime wcslen wcsstr wcstol wcstoul wcsxfrm''',
    'OLE32.DLL': '''
        CLSIDFromProgID CoCreateInstance CoInitialize CoInitializeEx CoInitializeSecurity
        CoSetProxyBlanket CoUninitialize GetErrorInfo''',
    'OLEAUT32.DLL': '''
        SafeArrayAccessData SafeArrayCreateVector SafeArrayUnaccessData
        SafeArrayDestroy SafeArrayGetDim SafeArrayGetElement SafeArrayGetElemsize SafeArrayGetLBound
        SafeArrayGetUBound SafeArrayGetVartype SysAllocString SysAllocStringByteLen SysAllocStringLen
        SysFreeString SysStringLen VariantChangeType VariantClear VariantCopy VariantInit
        VariantTimeToSystemTime''',
    'SHELL32.DLL': 'SHCreateDirectoryExW SHGetFolderPathW SHGetSpecialFolderPathW ShellExecuteExW',
    'SHLWAPI.DLL': '''
        PathFileExistsW PathFindFileNameW PathIsRelativeW PathSearchAndQualifyW PathSkipRootW
        SHCreateStreamOnFileEx''',
    'USER32.DLL': '''
        CharPrevExA CharUpperW DestroyIcon DialogBoxParamW EnableWindow EndDialog GetDlgItem
        GetSystemMetrics GetWindowLongW GetWindowTextLengthW GetWindowTextW LoadImageW LoadStringW
        MessageBoxW MsgWaitForMultipleObjects PeekMessageW SendDlgItemMessageW SendMessageW
        SetDlgItemTextW SetWindowLongW''',
    'WS2_32.DLL': 'WSACleanup WSAStartup WSCEnumProtocols WSCGetProviderPath',
}
XP_FUNCTIONS = {dll: set(names.split()) for dll, names in XP_FUNCTIONS.items()}
XP_SUBSYSTEM = (5, 1)


def rva_to_offset(data, sections, rva):
    for virtual_size, virtual_address, raw_size, raw_pointer in sections:
        if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
            return raw_pointer + rva - virtual_address
    raise ValueError('address %#x outside every section' % rva)


def c_string(data, offset):
    return data[offset:data.index(b'\0', offset)].decode('ascii')


def imports(data):
    """(subsystem version, [(library, function or #ordinal)]) of a PE32 file; None for another."""
    if data[:2] != b'MZ':
        return None
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        return None
    count, optional_size = struct.unpack_from('<H', data, pe + 6)[0], struct.unpack_from('<H', data, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from('<H', data, optional)[0] != 0x10B:  # PE32 only
        return None
    subsystem = struct.unpack_from('<HH', data, optional + 48)
    sections = [struct.unpack_from('<IIII', data, optional + optional_size + i * 40 + 8) for i in range(count)]
    rva, size = struct.unpack_from('<II', data, optional + 96 + 8)
    found = []
    at = rva_to_offset(data, sections, rva) if size else None
    while at is not None:
        lookup, _, _, name, first_thunk = struct.unpack_from('<IIIII', data, at)
        if name == 0:
            break
        library = c_string(data, rva_to_offset(data, sections, name)).upper()
        thunk = rva_to_offset(data, sections, lookup or first_thunk)
        while True:
            entry = struct.unpack_from('<I', data, thunk)[0]
            if entry == 0:
                break
            if entry & 0x80000000:
                found.append((library, '#%d' % (entry & 0xFFFF)))
            else:
                found.append((library, c_string(data, rva_to_offset(data, sections, entry) + 2)))
            thunk += 4
        at += 20
    return subsystem, found


def main():
    dist = pathlib.Path(sys.argv[1])
    checked = 0
    faults = []
    for path in sorted(list(dist.rglob('*.exe')) + list(dist.rglob('*.dll'))):
        result = imports(path.read_bytes())
        if result is None:
            continue
        checked += 1
        subsystem, found = result
        if subsystem > XP_SUBSYSTEM:
            faults.append('%s: subsystem version %d.%d, above XP\'s 5.1' % (path, *subsystem))
        for library, function in found:
            if function not in XP_FUNCTIONS.get(library, ()):
                faults.append('%s: imports %s!%s, which is not in the list of what XP SP2 has' % (path, library, function))
    for fault in faults:
        print(fault)
    if checked < 5:
        print('only %d 32-bit files below %s: the programs are missing' % (checked, dist))
        return 1
    print('%d 32-bit files checked, %d imports outside the list' % (checked, len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
