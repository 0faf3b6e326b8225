/* Stand-in GUI plug-in: answers the five commands; each step can be made to fail. "NoFile"
 * reports the export done without writing, "EmptyExport" writes an empty export file. */
#include "StandIn.h"

/* The text the export writes: non-ASCII characters and CR LF line ends on purpose. */
#define TROVVIEW_EXPORT L"Quellon event database\r\nEvent 1: scan finished, 0 findings \x00e4\x20ac\r\nEvent 2: update\r\n"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    StandInLogLoad(L"Trovview", reason);
    return TRUE;
}

static int AllZero(const void* data, DWORD size) {
    const unsigned char* bytes = (const unsigned char*)data;
    for (DWORD i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return 0;
    return 1;
}

int GX_PLUGIN_CALL execGuiPlgCmd(DWORD command, void* input, DWORD inputSize, void* output, DWORD outputSize,
                                 DWORD* session) {
    wchar_t line[MAX_PATH + 128];
    switch (command) {
    case GX_GUI_OPEN_SESSION:
        wsprintfW(line, L"Trovview OpenSession in=%lu %s out=%lu", inputSize,
                  input && AllZero(input, inputSize) ? L"zero" : L"data", outputSize);
        StandInLog(line);
        if (StandInFails(L"OpenSession"))
            return 0;
        if (output != session || outputSize != 4)
            return 0;
        *session = 0x5E55;
        return 1;
    case GX_GUI_OPEN_DATABASE:
        wsprintfW(line, L"Trovview OpenDatabase session=%lx out=%lu", session ? *session : 0, outputSize);
        StandInLog(line);
        return StandInFails(L"OpenDatabase") ? 0 : 1;
    case GX_GUI_EXPORT_TO_FILE:
        wsprintfW(line, L"Trovview ExportToFile session=%lx path=%s out=%lu", session ? *session : 0,
                  input ? (const wchar_t*)input : L"(none)", outputSize);
        StandInLog(line);
        if (StandInFails(L"ExportToFile") || input == NULL)
            return 0;
        if (StandInFails(L"NoFile"))
            return 1;
        return StandInWriteExport((const wchar_t*)input, StandInFails(L"EmptyExport") ? L"" : TROVVIEW_EXPORT);
    case GX_GUI_CLOSE_DATABASE:
        StandInLog(L"Trovview CloseDatabase");
        return 1;
    case GX_GUI_CLOSE_SESSION:
        StandInLog(L"Trovview CloseSession");
        return 1;
    default:
        wsprintfW(line, L"Trovview unknown command %lx", command);
        StandInLog(line);
        return 0;
    }
    (void)output;
}

BOOL GX_PLUGIN_CALL GuiPlg_PreTranslateMessage(MSG* message) {
    (void)message;
    StandInLog(L"Trovview GuiPlg_PreTranslateMessage");
    return FALSE;
}
