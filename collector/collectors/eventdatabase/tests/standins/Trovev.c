/* Stand-in fallback plug-in: command 1 writes the export and replies "SUCCESS". Controls:
 * "ExportEventlog" fails the call, "LowerReply" replies "success", "ZeroResult" replies
 * "SUCCESS" with a zero result, "NoFile" reports success without writing. */
#include "StandIn.h"

#define TROVEV_EXPORT L"Fallback export\r\nEvent 1: service started\r\n"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    StandInLogLoad(L"Trovev", reason);
    return TRUE;
}

int GX_PLUGIN_CALL execQXPluginCmdW(int command, const wchar_t* exportPath, wchar_t* reply, int replySize) {
    wchar_t line[MAX_PATH + 64];
    wsprintfW(line, L"Trovev execQXPluginCmdW %d size=%d path=%s", command, replySize,
              exportPath ? exportPath : L"(none)");
    StandInLog(line);
    if (command != GX_FALLBACK_EXPORT_EVENTLOG || exportPath == NULL || reply == NULL || replySize < 8)
        return 0;
    if (StandInFails(L"ExportEventlog")) {
        lstrcpyW(reply, L"FAILED");
        return 0;
    }
    if (!StandInFails(L"NoFile") && !StandInWriteExport(exportPath, TROVEV_EXPORT)) {
        lstrcpyW(reply, L"FAILED");
        return 0;
    }
    lstrcpyW(reply, StandInFails(L"LowerReply") ? L"success" : L"SUCCESS");
    return StandInFails(L"ZeroResult") ? 0 : 1;
}
