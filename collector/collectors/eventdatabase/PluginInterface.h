#pragma once
/* The entries of the maker's event-database plug-in DLLs, as the collector calls them. Every
 * entry uses the __stdcall convention and is exported undecorated (through a .def file), so one
 * GetProcAddress name serves the 32-bit and the 64-bit build. C and C++: the stand-in plug-ins
 * of the tests include this header too. */

#include <windows.h>

#define GX_PLUGIN_CALL __stdcall

/* The GUI plug-in (Trovview.dll). Non-zero: success. `session` is always the address of the
 * caller's 32-bit session field. */
typedef int(GX_PLUGIN_CALL* GxExecGuiPlgCmd)(DWORD command, void* input, DWORD inputSize, void* output,
                                             DWORD outputSize, DWORD* session);
typedef BOOL(GX_PLUGIN_CALL* GxGuiPlgPreTranslateMessage)(MSG* message);

/* The fallback plug-in (Trovev.dll): writes the export and a reply text into `reply`, which
 * holds `replySize` wide characters. */
typedef int(GX_PLUGIN_CALL* GxExecQXPluginCmdW)(int command, const wchar_t* exportPath, wchar_t* reply,
                                                int replySize);

/* The worker library (Trovlib.dll). A non-zero low byte of the result: initialised. */
typedef DWORD(GX_PLUGIN_CALL* GxQXCOMInitialize)(DWORD first, DWORD second);
typedef void(GX_PLUGIN_CALL* GxQXCOMUninitialize)(void);

/* Commands of execGuiPlgCmd, in the order the collector sends them. */
#define GX_GUI_OPEN_SESSION 0x10000000u
#define GX_GUI_OPEN_DATABASE 0x60000001u
#define GX_GUI_EXPORT_TO_FILE 0x60000018u
#define GX_GUI_CLOSE_DATABASE 0x60000002u
#define GX_GUI_CLOSE_SESSION 0x10000001u

/* The one command of execQXPluginCmdW. */
#define GX_FALLBACK_EXPORT_EVENTLOG 1

/* The size in bytes of OpenSession's input record (two 32-bit zeros and 256 wide characters) and
 * of the output buffers of OpenDatabase and ExportToFile. */
#define GX_GUI_RECORD_SIZE 520u
/* Wide characters of the fallback plug-in's reply buffer. */
#define GX_FALLBACK_REPLY_SIZE 128

#ifdef __cplusplus
#include <cstdint>

namespace Gathrix {

enum class EventDbPluginCommand : std::uint32_t {
    OpenSession = GX_GUI_OPEN_SESSION,
    OpenDatabase = GX_GUI_OPEN_DATABASE,
    ExportToFile = GX_GUI_EXPORT_TO_FILE,
    CloseDatabase = GX_GUI_CLOSE_DATABASE,
    CloseSession = GX_GUI_CLOSE_SESSION,
};

namespace EventDbExportCommand {
constexpr int ExportEventlog = GX_FALLBACK_EXPORT_EVENTLOG;
}

} // namespace Gathrix
#endif
