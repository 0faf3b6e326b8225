#pragma once
// Drives the real wizard from another process, the way a user would: finds its dialog and
// message boxes by process, fills fields (WM_SETTEXT), clicks (BM_CLICK), reads texts
// (WM_GETTEXT) and captures the dialog as a bitmap.

#include "common/Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace WizardDriver {

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};

class WizardProcess {
public:
    // Starts `commandLine` (the wizard's full command line) in `folder`.
    WizardProcess(const std::wstring& commandLine, const std::wstring& folder);
    ~WizardProcess();  // ends the wizard if it still runs
    WizardProcess(const WizardProcess&) = delete;
    WizardProcess& operator=(const WizardProcess&) = delete;

    bool Started() const { return static_cast<bool>(process); }
    DWORD Id() const { return processId; }
    // The wizard's main dialog once it is shown, or null after the timeout.
    HWND Dialog(DWORD timeoutMs = 30000);
    // A message box of the wizard, or false after the timeout.
    bool WaitForMessageBox(MessageBoxInfo& box, DWORD timeoutMs = 30000);
    // True with the exit code when the wizard has ended within the timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);

private:
    Gathrix::UniqueHandle process;
    DWORD processId = 0;
};

// Polls `condition` every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
// Posted, so that a handler that shows a message box does not block the driver.
void Click(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
std::vector<std::wstring> ComboItems(HWND dialog, int id);
// Selects item `index` of a combo box as a user would (the dialog hears CBN_SELCHANGE).
void SelectComboItem(HWND dialog, int id, int index);
// Presses a message box's button (IDOK, IDYES, IDNO).
void AnswerMessageBox(const MessageBoxInfo& box, int buttonId);
// The window as it is on the screen, written as a 24-bit BMP file.
bool CaptureWindow(HWND window, const std::wstring& bmpPath);

} // namespace WizardDriver
