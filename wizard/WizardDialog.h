#pragma once
// The wizard's dialog: contact fields, the mode list, Start, the Cancel/Exit button, a marquee
// progress bar and the collector's status line. Plain Win32: the template comes from the
// resource library, messages go to one dialog procedure, the collector runs on a worker thread.

#include "common/Handles.h"
#include "wizard/CollectorInvocation.h"
#include "wizard/ModeList.h"

#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace WizardDialog {

struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
using UniqueIcon = Gathrix::UniqueResource<IconTraits>;

// Sent by the worker when a run is over: wParam is the wait result (0, 1, 2) or
// StartFailedResult when the collector did not start.
constexpr UINT WM_COLLECTOR_FINISHED = WM_APP + 0x64;
constexpr DWORD StartFailedResult = 3;

// The resource library's string `id`, or the wizard's own message and an empty text when the
// library lacks it.
std::wstring LoadResourceString(HINSTANCE resources, UINT id);

class GathrixWizardDialog {
public:
    // `outputFolder`: where the collector delivers the archive (empty: the collector's default).
    GathrixWizardDialog(HINSTANCE resources, std::wstring outputFolder, ContactData defaults);
    ~GathrixWizardDialog();
    GathrixWizardDialog(const GathrixWizardDialog&) = delete;
    GathrixWizardDialog& operator=(const GathrixWizardDialog&) = delete;

    // Runs the dialog modally; returns DialogBoxParamW's result (-1: it could not be made). A
    // run still going when the dialog ends is ended, and its worker finished, before this returns.
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI CollectorWorker(void* dialog);

    BOOL OnInitDialog();
    void OnCancelCommand();
    void OnExitButton();
    void OnStartButton();
    void OnCollectorFinished(WPARAM waitResult);
    void OnModeSelected();

    void LoadModes();
    void SetBusy(bool busy);
    void EnableInputs(bool enable);
    void ShowMessage(UINT statusId, UINT textId, UINT captionId, UINT flags, bool setStatus);
    std::wstring Text(UINT id) const { return LoadResourceString(resources, id); }
    void SetStatus(const std::wstring& text);
    std::wstring ControlText(int id) const;

    // Worker side.
    DWORD RunCollector();
    bool StartCollector(Gathrix::UniqueHandle& process, Gathrix::UniqueHandle& thread, Gathrix::UniqueHandle& pipeRead);
    // Ends the running collector with 1000, if one runs; true when one was running.
    bool TerminateCollector(UINT exitCode);
    void WaitForWorker();

    HINSTANCE resources;
    HWND window = nullptr;
    UniqueIcon bigIcon, smallIcon;
    std::wstring outputFolder;
    ContactData contact;
    std::wstring selectedModeFile;
    std::vector<ModeEntry> modes;
    Gathrix::ComPtr<ITaskbarList3> taskbarList;
    bool comInitialized = false;

    bool busy = false;                    // UI thread only
    Gathrix::UniqueHandle worker;         // the run's thread
    std::wstring commandLine;             // built on the UI thread before the worker starts
    std::uint32_t collectorExitCode = 0;  // written by the worker before it reports
    std::mutex collectorLock;             // guards the two fields below
    HANDLE runningCollector = nullptr;    // the worker's process handle while the collector runs
    bool cancelRequested = false;
};

} // namespace WizardDialog
