// GathrixWizard: start-up of the GUI front end. It refuses to run from the Windows folder,
// restarts itself with administrator rights when it lacks them, loads its per-language resource
// library and runs the dialog.
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/LibrarySearch.h"
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

// Set by the restart for the copy it starts. Where "runas" gives a copy without the rights
// (the system cannot elevate, or the account has no rights to give), that copy runs without them
// instead of restarting again and again. An environment variable, which the copy inherits, leaves
// its command line to the output folder.
const wchar_t RestartMarker[] = L"GATHRIX_WIZARD_RESTARTED";

// True in a copy that the restart started. The marker is taken out of the environment, so that
// the collector and the programs it starts never see it.
bool StartedByRestart() {
    bool restarted = GetEnvironmentVariableW(RestartMarker, nullptr, 0) > 0;
    SetEnvironmentVariableW(RestartMarker, nullptr);
    return restarted;
}

// Starts this program's file again with the verb "runas", in its own folder and with the desktop
// folder as its output folder, waits for that copy and ends the process with 0.
[[noreturn]] void RelaunchElevated() {
    std::wstring program = Gathrix::System::OperatingSystem::ProgramFilePath();
    std::size_t backslash = program.rfind(L'\\');
    std::wstring programFolder = backslash == std::wstring::npos ? std::wstring() : program.substr(0, backslash);
    std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    std::wstring parameters = desktop.empty() ? std::wstring() : WizardDialog::QuoteArgument(desktop);

    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = L"runas";
    execute.lpFile = program.c_str();
    execute.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    execute.lpDirectory = programFolder.empty() ? nullptr : programFolder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    SetEnvironmentVariableW(RestartMarker, L"1");
    // A refused elevation leaves no process to wait for; the program ends with 0 all the same.
    if (!program.empty() && ShellExecuteExW(&execute) && execute.hProcess != nullptr) {
        Gathrix::UniqueHandle elevated(execute.hProcess);
        WaitForSingleObject(elevated.Get(), INFINITE);
    }
    ExitProcess(0);
}

// The output folder of an administrator's instance, or of the copy the restart started: the
// argument after the program, or the desktop folder when the program runs under another file
// name.
std::wstring OutputFolderOrElevate() {
    if (!StartedByRestart() && !Gathrix::System::OperatingSystem::IsUserAdmin())
        RelaunchElevated();
    std::wstring commandLine = GetCommandLineW();
    if (WizardDialog::LowerAscii(commandLine).find(WizardDialog::ProgramFileName) == std::wstring::npos)
        return SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    return WizardDialog::OutputFolderArgument(commandLine);
}

// The resource library is data: mapped for its resources and never run, so that code in a
// planted or damaged library does nothing here. Systems before Vista know only the data-file flag.
HMODULE LoadResourceLibrary(const std::wstring& path) {
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (library == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return library;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Gathrix::Utils::RestrictLibrarySearch();
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
    Gathrix::UniqueLibrary resources(LoadResourceLibrary(folder + L"de-de\\GathrixWizardRc.dll"));
    if (!resources)
        resources.Reset(LoadResourceLibrary(folder + L"en-us\\GathrixWizardRc.dll"));
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
