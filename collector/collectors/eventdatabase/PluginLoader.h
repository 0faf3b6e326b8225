#pragma once
// Loading the maker's event-database plug-ins for the export job: the worker library
// (Trovlib.dll), initialised and released again before the GUI plug-in (Trovview.dll) is opened
// and driven. Both are loaded only with an accepted signature (FileSignature).

#include "collector/collectors/eventdatabase/PluginInterface.h"
#include "common/Handles.h"

#include <cstdint>
#include <memory>

// The logging interface of the loader code. Only Log is ever called.
class IBase {
public:
    virtual ~IBase() = default;
    virtual void Release() = 0;
    virtual int Reserved2() { return 0; }
    virtual void Reserved3(int, int, int, int, int) {}
    virtual bool Reserved4() { return true; }
};

class ILogger : public IBase {
public:
    virtual bool Reserved5(int) { return false; }
    virtual void Reserved6(int, int, int) {}
    // A level, a second number, a FormatMessage-style text ("%1", "%2!x!") and its inserts.
    virtual void Log(int level, int kind, const wchar_t* format, ...) = 0;
    virtual void Reserved8(int) {}
    virtual int Reserved9() { return 0; }
    virtual bool Reserved10() { return true; }
};

// The logger of the worker-library loader: its messages are dropped.
class GX_NullLogger : public ILogger {
public:
    void Release() override { delete this; }
    void Log(int, int, const wchar_t*, ...) override {}
};

namespace Gathrix::PluginLoader {

// The worker library of one export, made zeroed.
struct WorkerLibrary {
    UniqueLibrary module;
    std::uint32_t initializeArguments[2] = {0, 0};
    std::uint32_t unused = 0;
    volatile LONG loadCount = 0;
};

// The opened GUI plug-in of one export.
struct GuiPluginHandle {
    UniqueLibrary module;
    GxExecGuiPlgCmd command = nullptr;
    GxGuiPlgPreTranslateMessage preTranslateMessage = nullptr;  // looked up, never called
    DWORD session = 0;  // written by the plug-in
};

// The thread's last error when the worker library's path is refused.
constexpr DWORD NoPathGiven = 0xA0;
constexpr DWORD PathNotSplit = 0x4120;
constexpr DWORD PathNotFull = 0x4110;
constexpr DWORD SignatureRefused = 0x4100;

// Loads (a path with a drive or a UNC path; its signature checked unless the DLL is loaded in
// the process already) and initialises the worker library. False when it cannot be loaded or
// has no QXCOM_Initialize; otherwise the initialisation's answer (a non-zero low byte).
bool LoadWorkerLibrary(WorkerLibrary& worker, const wchar_t* path);
// Calls QXCOM_Uninitialize and frees the library when its count reaches 0. Without that entry
// the library stays loaded for the rest of the process.
void ReleaseWorkerLibrary(WorkerLibrary& worker);

// The opened plug-in (signature accepted, loaded by its full path with its folder current, its
// session opened), or null.
std::unique_ptr<GuiPluginHandle> OpenGuiPlugin(const wchar_t* path);
// execGuiPlgCmd with the handle's session field as its last argument.
int SendCommand(GuiPluginHandle& handle, EventDbPluginCommand command, void* input, DWORD inputSize, void* output,
                DWORD outputSize);

} // namespace Gathrix::PluginLoader
