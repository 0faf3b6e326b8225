/* What the stand-in plug-ins share: the test's controls, read from the environment at each call.
 *   GATHRIX_STANDIN_FAIL  names of the steps that fail, e.g. "OpenSession,ExportToFile"
 *   GATHRIX_STANDIN_LOG   a file to which every call appends one line */
#pragma once

#include "collector/collectors/eventdatabase/PluginInterface.h"

#ifdef STANDIN_IMPORTS_DEPENDENCY
/* In TrovDep.dll beside the stand-in: without it the stand-in does not load. */
__declspec(dllimport) int TrovDepMark(void);
#endif

static int StandInFails(const wchar_t* step) {
    wchar_t steps[512];
    DWORD length = GetEnvironmentVariableW(L"GATHRIX_STANDIN_FAIL", steps, 512);
    if (length == 0 || length >= 512)
        return 0;
    for (const wchar_t* at = steps; *at;) {
        const wchar_t* end = at;
        while (*end && *end != L',')
            ++end;
        if ((size_t)(end - at) == lstrlenW(step) && CompareStringOrdinal(at, (int)(end - at), step, -1, FALSE) == CSTR_EQUAL)
            return 1;
        at = *end ? end + 1 : end;
    }
    return 0;
}

/* Appends one line, UTF-8, to the log file. */
static void StandInLog(const wchar_t* line) {
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"GATHRIX_STANDIN_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char bytes[2048];
    int count = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes - 1, NULL, NULL);
    if (count > 0) {
        bytes[count - 1] = '\n';
        DWORD written;
        WriteFile(file, bytes, (DWORD)count, &written, NULL);
    }
    CloseHandle(file);
}

/* "<name> loaded in <current folder>": shows from which folder the collector loaded the DLL. */
static void StandInLogLoad(const wchar_t* name, DWORD reason) {
    wchar_t line[MAX_PATH + 64];
#ifdef STANDIN_IMPORTS_DEPENDENCY
    TrovDepMark();
#endif
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t folder[MAX_PATH];
        if (GetCurrentDirectoryW(MAX_PATH, folder) == 0)
            folder[0] = 0;
        wsprintfW(line, L"%s loaded in %s", name, folder);
        StandInLog(line);
    } else if (reason == DLL_PROCESS_DETACH) {
        wsprintfW(line, L"%s unloaded", name);
        StandInLog(line);
    }
}

/* Writes the export file as UTF-16LE with CR LF line ends, as the product does. */
static int StandInWriteExport(const wchar_t* path, const wchar_t* text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written;
    BOOL ok = WriteFile(file, text, (DWORD)(lstrlenW(text) * sizeof(wchar_t)), &written, NULL);
    CloseHandle(file);
    return ok;
}
