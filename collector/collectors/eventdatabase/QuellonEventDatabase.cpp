#include "collector/collectors/eventdatabase/QuellonEventDatabase.h"

#include "collector/collectors/eventdatabase/CurrentFolder.h"
#include "collector/collectors/eventdatabase/EventDbExportPlugin.h"
#include "collector/collectors/eventdatabase/PluginLoader.h"
#include "collector/platform/Directories.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix {

const std::wstring GuiPluginFileName = L"Trovview.dll";
const std::wstring FallbackPluginFileName = L"Trovev.dll";
const std::wstring WorkerLibraryFileName = L"Trovlib.dll";

namespace {

const wchar_t kExportFolder[] = L".\\data\\QuellonEventDB";

// Appends the worker library's folder to the process's PATH, so that the plug-ins find the
// libraries they load by name where the library search still takes PATH (common/LibrarySearch.h;
// elsewhere the loaders look beside each plug-in). It stays for the rest of the process (and its
// child processes).
void ExtendPath(const std::wstring& folder) {
    std::vector<wchar_t> value(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"PATH", value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size())
        throw MessageException(L"Could not get current value of the PATH variable.");
    const std::wstring extended = std::wstring(value.data(), length) + L";" + folder;
    if (!SetEnvironmentVariableW(L"PATH", extended.c_str()))
        throw MessageException(L"Could not set PATH environment variable.");
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// The runtime's _wfopen_s, looked up: it came with Vista's runtime, and an import of it would keep
// the collector from starting on Windows XP.
using OpenFunction = int(__cdecl*)(FILE**, const wchar_t*, const wchar_t*);
OpenFunction RuntimeOpen() {
    HMODULE runtime = GetModuleHandleW(L"msvcrt.dll");
    return runtime ? reinterpret_cast<OpenFunction>(reinterpret_cast<void*>(GetProcAddress(runtime, "_wfopen_s")))
                   : nullptr;
}

} // namespace

bool QuellonEventDatabase::ReadExportFile(const std::wstring& path, std::wstring& text, bool runtimeTextMode) {
    text.clear();
    const OpenFunction open = runtimeTextMode ? RuntimeOpen() : nullptr;
    FILE* opened = nullptr;
    if (open != nullptr) {
        // The runtime's UTF-16LE text mode: CR LF reads as one line feed.
        if (open(&opened, path.c_str(), L"r, ccs=UTF-16LE") != 0 || opened == nullptr)
            return false;
        UniqueFile file(opened);
        for (wint_t c = fgetwc(file.get()); c != WEOF; c = fgetwc(file.get()))
            text.push_back(static_cast<wchar_t>(c));
        return true;
    }
    opened = _wfopen(path.c_str(), L"rb");
    if (opened == nullptr)
        return false;
    UniqueFile file(opened);
    std::string bytes;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
        bytes.append(chunk, got);
    size_t at = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0;
    for (; at + 1 < bytes.size(); at += 2) {
        const wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[at]) |
                                                  (static_cast<unsigned char>(bytes[at + 1]) << 8));
        if (unit == L'\n' && !text.empty() && text.back() == L'\r')
            text.back() = L'\n';
        else
            text.push_back(unit);
    }
    return true;
}

QuellonEventDatabase::QuellonEventDatabase(std::wstring pluginFolder, std::wstring exportedText)
    : pluginFolder(std::move(pluginFolder)), exportedText(std::move(exportedText)) {}

std::wstring QuellonEventDatabase::ExportFilePath(const std::wstring& pluginPath) {
    return std::wstring(kExportFolder) + L"\\" + Utils::MakeValidFileName(pluginPath) + L".log";
}

bool QuellonEventDatabase::ExportEventDatabase(const std::wstring& guiPluginPath, const std::wstring& exportFilePath) {
    // Whatever a plug-in does with the current folder, the run's relative paths need it back.
    System::CurrentFolderScope currentFolder;
    const size_t cut = guiPluginPath.find_last_of(L'\\');
    const std::wstring workerFolder = cut == std::wstring::npos ? guiPluginPath : guiPluginPath.substr(0, cut);
    try {
        ExtendPath(workerFolder);
    } catch (const MessageException& exception) {
        Logging::Logger::Error(exception.GetMessageText());
    }

    const std::wstring workerPath = workerFolder + L"\\" + WorkerLibraryFileName;
    {
        // The worker library may move the current folder when it is loaded, initialised or
        // released; the export file path handed to the GUI plug-in is relative to ours.
        System::CurrentFolderScope workerFolderScope;
        PluginLoader::WorkerLibrary worker;
        if (!PluginLoader::LoadWorkerLibrary(worker, workerPath.c_str())) {
            Logging::Logger::Error(L"Could not load Trovlib: '" + workerPath +
                                   L"'. Therefore, unable to read Quellon event database.");
            return false;
        }
        PluginLoader::ReleaseWorkerLibrary(worker);
    }

    std::unique_ptr<PluginLoader::GuiPluginHandle> plugin = PluginLoader::OpenGuiPlugin(guiPluginPath.c_str());
    if (!plugin)
        return false;
    std::vector<unsigned char> answer(GX_GUI_RECORD_SIZE, 0);
    if (PluginLoader::SendCommand(*plugin, EventDbPluginCommand::OpenDatabase, nullptr, 0, answer.data(),
                                  GX_GUI_RECORD_SIZE) == 0) {
        // The session is open: close it before the library goes.
        PluginLoader::SendCommand(*plugin, EventDbPluginCommand::CloseSession, nullptr, 0, nullptr, 0);
        return false;
    }
    std::wstring path = exportFilePath;
    std::fill(answer.begin(), answer.end(), 0);
    const bool ok = PluginLoader::SendCommand(*plugin, EventDbPluginCommand::ExportToFile, &path[0], 0, answer.data(),
                                              GX_GUI_RECORD_SIZE) != 0;
    PluginLoader::SendCommand(*plugin, EventDbPluginCommand::CloseDatabase, nullptr, 0, nullptr, 0);
    PluginLoader::SendCommand(*plugin, EventDbPluginCommand::CloseSession, nullptr, 0, nullptr, 0);
    return ok;
}

void QuellonEventDatabase::Collect() {
    RequireWriter();
    System::CurrentFolderScope currentFolder;
    Utils::CreateDirectoryTree(kExportFolder);

    const std::wstring guiPluginPath = pluginFolder + L"\\" + GuiPluginFileName;
    std::wstring exportFilePath = ExportFilePath(guiPluginPath);
    bool ok = ExportEventDatabase(guiPluginPath, exportFilePath);
    if (!ok) {
        const std::wstring fallbackPath = pluginFolder + L"\\" + FallbackPluginFileName;
        exportFilePath = ExportFilePath(fallbackPath);
        ok = EventDbExportPlugin::ExportEventDatabase(fallbackPath.c_str(), exportFilePath.c_str()) != 0;
    }
    if (!ok)
        return;

    std::wstring text;
    if (!ReadExportFile(exportFilePath, text)) {
        Logging::Logger::Error(L"Cannot open exported Quellon event database file '" + exportFilePath + L"'.");
        return;
    }
    exportedText = text;
    OpenTreeElement(GetShowNumOfChildren(), GetType(), exportedText);
    writer->CloseNode();
}

} // namespace Gathrix
