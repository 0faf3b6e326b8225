/* Stand-in worker library: QXCOM_Initialize succeeds unless "Initialize" is to fail. Built with
 * TROVLIB_MOVES_FOLDER, it makes its own folder current when it is loaded, as a library that
 * finds its files beside itself may. */
#include "StandIn.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    StandInLogLoad(L"Trovlib", reason);
#ifdef TROVLIB_MOVES_FOLDER
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t folder[MAX_PATH];
        DWORD length = GetModuleFileNameW(instance, folder, MAX_PATH);
        if (length >= MAX_PATH)
            length = 0;
        while (length > 0 && folder[length - 1] != L'\\')
            --length;
        folder[length] = 0;
        SetCurrentDirectoryW(folder);
    }
#else
    (void)instance;
#endif
    return TRUE;
}

DWORD GX_PLUGIN_CALL QXCOM_Initialize(DWORD first, DWORD second) {
    wchar_t line[64];
    wsprintfW(line, L"Trovlib QXCOM_Initialize %lu %lu", first, second);
    StandInLog(line);
    /* A zero low byte is failure, whatever the upper bytes say. */
    return StandInFails(L"Initialize") ? 0x100 : 1;
}

void GX_PLUGIN_CALL QXCOM_Uninitialize(void) {
    StandInLog(L"Trovlib QXCOM_Uninitialize");
}
