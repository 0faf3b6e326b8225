#include "collector/collectors/eventdatabase/EventDbExportPlugin.h"

#include "collector/collectors/eventdatabase/CurrentFolder.h"
#include "collector/platform/DynamicLibrary.h"

#include <cwchar>
#include <string>

namespace Gathrix {

int EventDbExportPlugin::Load(EventDbExportPlugin& plugin, const wchar_t* path) {
    plugin.entry = nullptr;
    plugin.module.Reset();
    if (path == nullptr)
        return 0;
    const std::wstring given = path;
    // Never by bare name: a DLL of that name elsewhere on the search path would be loaded.
    const size_t cut = given.find_last_of(L'\\');
    if (cut == std::wstring::npos || given.size() >= MAX_PATH)
        return 0;
    const std::wstring full = System::FullPath(given);
    if (full.empty() || full.size() >= MAX_PATH)
        return 0;

    System::CurrentFolderScope folder;
    // The DLL finds its own dependencies in its folder (current, where the library search still
    // takes the current folder).
    folder.ChangeTo(full.substr(0, full.find_last_of(L'\\') + 1));
    UniqueLibrary module(System::LoadLibraryFromItsFolder(full));
    if (!module)
        return 0;
    auto entry = reinterpret_cast<GxExecQXPluginCmdW>(
        reinterpret_cast<void*>(GetProcAddress(module.Get(), "execQXPluginCmdW")));
    if (entry == nullptr)
        return 0;
    plugin.module = std::move(module);
    plugin.entry = entry;
    return 1;
}

int EventDbExportPlugin::ExportEventDatabase(const wchar_t* path, const wchar_t* exportPath) {
    EventDbExportPlugin plugin;
    if (!Load(plugin, path))
        return 0;
    wchar_t reply[GX_FALLBACK_REPLY_SIZE] = {};
    int result = 0;
    {
        System::CurrentFolderScope folder;
        result = plugin.entry(EventDbExportCommand::ExportEventlog, exportPath, reply, GX_FALLBACK_REPLY_SIZE);
    }
    // The reply is compared within its buffer, whatever the plug-in wrote.
    reply[GX_FALLBACK_REPLY_SIZE - 1] = L'\0';
    return result != 0 && std::wcscmp(reply, L"SUCCESS") == 0 ? 1 : 0;
}

} // namespace Gathrix
