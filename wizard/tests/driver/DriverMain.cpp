// wizard_driver: drives the real wizard outside the test programs.
//   wizard_driver shot WIZARD_EXE FOLDER OUTPUT.bmp NAME ORGANIZATION EMAIL CALLNUMBER
// starts the wizard in FOLDER, fills the contact fields, captures the dialog into OUTPUT.bmp and
// closes the wizard again. Exit code 0 on success.
#include "wizard/tests/driver/WizardDriver.h"

#include <cstdio>
#include <string>

int wmain(int argumentCount, wchar_t** arguments) {
    if (argumentCount != 9 || std::wstring(arguments[1]) != L"shot") {
        std::fprintf(stderr, "usage: wizard_driver shot WIZARD_EXE FOLDER OUTPUT.bmp NAME ORGANIZATION EMAIL CALLNUMBER\n");
        return 2;
    }
    WizardDriver::WizardProcess wizard(L"\"" + std::wstring(arguments[2]) + L"\"", arguments[3]);
    HWND dialog = wizard.Started() ? wizard.Dialog() : nullptr;
    if (dialog == nullptr) {
        std::fprintf(stderr, "the wizard's dialog did not appear\n");
        return 1;
    }
    const int fields[] = {1003, 1004, 1006, 1007};
    for (int i = 0; i < 4; ++i)
        WizardDriver::SetControlText(dialog, fields[i], arguments[5 + i]);
    SetForegroundWindow(dialog);
    Sleep(1500);  // let the window manager and the controls finish painting
    bool captured = WizardDriver::CaptureWindow(dialog, arguments[4]);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    DWORD exitCode = 0;
    wizard.WaitForExit(10000, exitCode);
    if (!captured) {
        std::fprintf(stderr, "the dialog could not be captured\n");
        return 1;
    }
    return 0;
}
