// GathrixWizard: start-up of the GUI front end. It refuses to run from the Windows folder,
// restarts itself with administrator rights when it lacks them, loads its per-language resource
// library and runs the dialog.
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/OperatingSystem.h"
#include "common/Registry.h"
#include "wizard/CollectorInvocation.h"
#include "wizard/WizardDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return path;
}

// The registered owner and organization of Windows as the contact defaults; what cannot be read
// stays empty.
WizardDialog::ContactData RegisteredDefaults() {
    WizardDialog::ContactData defaults;
    try {
        Gathrix::System::RegistryKey key(L"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                         static_cast<Gathrix::System::RegistryView>(0));
        DWORD type = 0;
        defaults.name = key.GetValue(L"RegisteredOwner", type);
        defaults.organization = key.GetValue(L"RegisteredOrganization", type);
    } catch (const Gathrix::ErrorCodeException&) {
    }
    return defaults;
}

// Starts this program again with the verb "runas" and the desktop folder as its output folder,
// waits for that instance and ends the process with 0.
[[noreturn]] void RelaunchElevated(const std::wstring& loweredCommandLine, std::size_t namePosition) {
    std::wstring programFolder;
    if (namePosition != std::wstring::npos) {
        std::wstring head = loweredCommandLine.substr(0, namePosition);
        std::size_t backslash = head.rfind(L'\\');
        if (backslash != std::wstring::npos)
            programFolder = head.substr(head.front() == L'"' ? 1 : 0,
                                        backslash - (head.front() == L'"' ? 1 : 0));
    }
    if (programFolder.empty()) {
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring path = module;
        std::size_t backslash = path.rfind(L'\\');
        programFolder = backslash == std::wstring::npos ? std::wstring() : path.substr(0, backslash);
    }
    std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    std::wstring parameters = desktop.empty() ? std::wstring() : WizardDialog::QuoteArgument(desktop);

    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = L"runas";
    execute.lpFile = L".\\gathrixwizard.exe";
    execute.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    execute.lpDirectory = programFolder.empty() ? nullptr : programFolder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    // A refused elevation leaves no process to wait for; the program ends with 0 all the same.
    if (ShellExecuteExW(&execute) && execute.hProcess != nullptr) {
        Gathrix::UniqueHandle elevated(execute.hProcess);
        WaitForSingleObject(elevated.Get(), INFINITE);
    }
    ExitProcess(0);
}

// The output folder of an administrator's instance: the argument after the program, or the
// desktop folder when the program runs under another file name.
std::wstring OutputFolderOrElevate() {
    std::wstring commandLine = GetCommandLineW();
    std::wstring lowered = WizardDialog::LowerAscii(commandLine);
    std::size_t namePosition = lowered.find(WizardDialog::ProgramFileName);
    if (!Gathrix::System::OperatingSystem::IsUserAdmin())
        RelaunchElevated(lowered, namePosition);
    if (namePosition == std::wstring::npos)
        return SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    return WizardDialog::OutputFolderArgument(commandLine);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t current[MAX_PATH + 1] = {};
    DWORD currentLength = GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring windows = SpecialFolder(CSIDL_WINDOWS);
    if (currentLength > 0 && currentLength <= MAX_PATH && !windows.empty() && windows == current) {
        MessageBoxW(nullptr, L"Running Gathrix with restricted rights is not supported.", L"Info", MB_ICONINFORMATION);
        return 0;
    }

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);

    // The German library wins whenever it is present; the user's language is not asked. Both are
    // loaded by full path below the current folder, never through the library search.
    std::wstring folder = currentLength > 0 && currentLength <= MAX_PATH ? std::wstring(current) : L".";
    if (folder.back() != L'\\')
        folder += L'\\';
    Gathrix::UniqueLibrary resources(LoadLibraryW((folder + L"de-de\\GathrixWizardRc.dll").c_str()));
    if (!resources)
        resources.Reset(LoadLibraryW((folder + L"en-us\\GathrixWizardRc.dll").c_str()));
    if (!resources) {
        MessageBoxW(nullptr,
                    L"Could not load GathrixWizardRc.dll. Maybe it's corrupted or missing. Please reinstall the "
                    L"application",
                    L"Error", MB_ICONERROR);
        return 0;
    }

    std::wstring outputFolder = OutputFolderOrElevate();
    INT_PTR result;
    {
        WizardDialog::GathrixWizardDialog dialog(resources.Get(), outputFolder, RegisteredDefaults());
        result = dialog.DoModal();
    }
    if (result == -1)
        MessageBoxW(nullptr, L"Could not start Gathrix Wizard. Please reinstall the application", L"Error",
                    MB_ICONERROR);
    return 0;
}
