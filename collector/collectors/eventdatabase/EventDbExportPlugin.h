#pragma once
// The fallback plug-in of the event-database export (Trovev.dll): loaded without a signature
// check, its one command run once, unloaded again. Nothing is logged here; the caller reports a
// failed export.

#include "collector/collectors/eventdatabase/PluginInterface.h"
#include "common/Handles.h"

namespace Gathrix {

struct EventDbExportPlugin {
    UniqueLibrary module;
    GxExecQXPluginCmdW entry = nullptr;

    // 1 when the DLL is loaded and its entry found, else 0 with nothing left loaded. The DLL is
    // loaded by its full path while its own folder is current; the current folder is put back.
    // A path without a folder, or of MAX_PATH characters or more, is refused.
    static int Load(EventDbExportPlugin& plugin, const wchar_t* path);

    // 1 when the export command returned non-zero with the reply exactly "SUCCESS", else 0. The
    // DLL is unloaded in every case.
    static int ExportEventDatabase(const wchar_t* path, const wchar_t* exportPath);
};

} // namespace Gathrix
