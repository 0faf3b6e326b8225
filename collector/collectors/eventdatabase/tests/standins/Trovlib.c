/* Stand-in worker library: QXCOM_Initialize succeeds unless "Initialize" is to fail. */
#include "StandIn.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    StandInLogLoad(L"Trovlib", reason);
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
