#include "collector/collectors/eventdatabase/PluginLoader.h"

#include "collector/collectors/eventdatabase/CurrentFolder.h"
#include "collector/collectors/eventdatabase/FileSignature.h"
#include "collector/platform/DynamicLibrary.h"

#include <cstdlib>
#include <string>

namespace Gathrix::PluginLoader {

namespace {

ILogger& NullLogger() {
    static GX_NullLogger logger;
    return logger;
}

template <class Function>
Function Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The path test of the worker library: the last error it sets, or 0.
DWORD TestWorkerPath(const wchar_t* path) {
    if (path == nullptr)
        return NoPathGiven;
    // _wsplitpath, not _wsplitpath_s (which the runtime of Windows XP lacks): with a drive buffer
    // of 3 characters, the only part asked for, the secure form fails on no path shorter than
    // MAX_PATH either.
    wchar_t drive[_MAX_DRIVE];
    if (std::wcslen(path) >= MAX_PATH)
        return PathNotSplit;
    _wsplitpath(path, drive, nullptr, nullptr, nullptr);
    // "C:\..." or "\\server\...": "C:name" and "\name" depend on the current drive's folder.
    const bool unc = path[0] == L'\\' && path[1] == L'\\';
    const bool drivePath = drive[0] != L'\0' && path[2] == L'\\';
    if (!unc && !drivePath)
        return PathNotFull;
    return 0;
}

} // namespace

bool LoadWorkerLibrary(WorkerLibrary& worker, const wchar_t* path) {
    if (InterlockedIncrement(&worker.loadCount) == 1) {
        if (GetFileAttributesW(path ? path : L"") == INVALID_FILE_ATTRIBUTES) {
            NullLogger().Log(4, 1, L"File %1 not found. LastError: %2!x!", path, GetLastError());
            InterlockedDecrement(&worker.loadCount);
            return false;
        }
        DWORD error = TestWorkerPath(path);
        // A library that the process has loaded already is not checked again.
        if (error == 0 && GetModuleHandleW(path) == nullptr && !FileSignature::IsAcceptedSignature(path))
            error = SignatureRefused;
        if (error == 0)
            worker.module.Reset(System::LoadLibraryFromItsFolder(path));
        else
            SetLastError(error);
        if (!worker.module) {
            NullLogger().Log(4, 1, L"Could not load %1. LastError: %2!x!", path, GetLastError());
            InterlockedDecrement(&worker.loadCount);
            return false;
        }
    }
    auto initialize = Lookup<GxQXCOMInitialize>(worker.module.Get(), "QXCOM_Initialize");
    if (initialize == nullptr) {
        NullLogger().Log(4, 1, L"QXCOM_Initialize not found. LastError: %1!x!", GetLastError());
        worker.module.Reset();
        InterlockedDecrement(&worker.loadCount);
        return false;
    }
    return (initialize(worker.initializeArguments[0], worker.initializeArguments[1]) & 0xFF) != 0;
}

void ReleaseWorkerLibrary(WorkerLibrary& worker) {
    if (!worker.module)
        return;
    auto uninitialize = Lookup<GxQXCOMUninitialize>(worker.module.Get(), "QXCOM_Uninitialize");
    if (uninitialize == nullptr) {
        // Without the entry the library stays loaded: it may hold state it cannot drop.
        worker.module.Release();
        return;
    }
    uninitialize();
    if (InterlockedDecrement(&worker.loadCount) == 0)
        worker.module.Reset();
}

std::unique_ptr<GuiPluginHandle> OpenGuiPlugin(const wchar_t* path) {
    if (path == nullptr)
        return nullptr;
    const std::wstring given = path;
    // Loaded by full path only, from the folder the mode file names.
    if (given.find(L'\\') == std::wstring::npos || given.size() >= MAX_PATH)
        return nullptr;
    const std::wstring full = System::FullPath(given);
    if (full.empty() || full.size() >= MAX_PATH || !FileSignature::IsAcceptedSignature(full.c_str()))
        return nullptr;
    auto handle = std::make_unique<GuiPluginHandle>();
    {
        System::CurrentFolderScope folder;
        // The DLL resolves its own dependencies from its folder (current, where the library
        // search still takes the current folder).
        folder.ChangeTo(full.substr(0, full.find_last_of(L'\\') + 1));
        handle->module.Reset(System::LoadLibraryFromItsFolder(full));
    }
    if (!handle->module)
        return nullptr;
    handle->preTranslateMessage = Lookup<GxGuiPlgPreTranslateMessage>(handle->module.Get(), "GuiPlg_PreTranslateMessage");
    handle->command = Lookup<GxExecGuiPlgCmd>(handle->module.Get(), "execGuiPlgCmd");
    if (handle->command == nullptr)
        return nullptr;
    // The session record: two 32-bit zeros, then 256 wide characters, all zero.
    unsigned char session[GX_GUI_RECORD_SIZE] = {};
    if (SendCommand(*handle, EventDbPluginCommand::OpenSession, session, sizeof session, &handle->session,
                    sizeof handle->session) == 0)
        return nullptr;
    return handle;
}

int SendCommand(GuiPluginHandle& handle, EventDbPluginCommand command, void* input, DWORD inputSize, void* output,
                DWORD outputSize) {
    System::CurrentFolderScope folder;
    return handle.command(static_cast<DWORD>(command), input, inputSize, output, outputSize, &handle.session);
}

} // namespace Gathrix::PluginLoader
