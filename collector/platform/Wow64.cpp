#include "collector/platform/Wow64.h"

#include "collector/platform/Variables.h"
#include "common/Exceptions.h"
#include "common/Logging.h"

namespace Gathrix::System::OperatingSystem {

namespace {

using Logging::Logger;

std::wstring ExpandFolder(const std::wstring& folder) {
    return Variables::Instance().Expand(folder).front();
}

bool IsServerProduct() {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
        return false;
#pragma GCC diagnostic pop
    return version.wProductType != VER_NT_WORKSTATION;
}

// XP, XP x64, Server 2003 (R2), Vista and Server 2008 do not redirect the driver store.
bool DriverStoreIsExempt() {
    return (IsVersion(6, 0) && IsServerProduct()) || IsWindowsVistaOrServer2008() ||
           (IsVersion(5, 2) && IsServerProduct() && GetSystemMetrics(SM_SERVERR2) == 0) ||
           (IsVersion(5, 2) && GetSystemMetrics(SM_SERVERR2) != 0) || IsWindowsXp();
}

} // namespace

Wow64::Wow64() : is64BitOs(Is64BitOperatingSystem()) {
    if (!is64BitOs)
        return;
    BOOL wow64 = FALSE;
    wow64Process = IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    try {
        library = std::make_unique<DynamicLibrary>(SystemLibraryPath(L"Kernel32.dll"));
        disableFunction = library->GetFunction<DisableFunction>("Wow64DisableWow64FsRedirection");
        revertFunction = library->GetFunction<RevertFunction>("Wow64RevertWow64FsRedirection");
    } catch (const WinApiException& e) {
        Logger::Instance().Log(Logging::FatalError, L"Unable to load wow64 redirection functions: " + e.GetMessageText());
    }
}

Wow64::~Wow64() {
    // Straight to the system: the single instance is already on its way out.
    if (disabled && revertFunction != nullptr)
        revertFunction(oldValue);
}

void Wow64::UseRedirectionFunctions(DisableFunction disable, RevertFunction revert) {
    Wow64& instance = Instance();
    instance.disableFunction = disable;
    instance.revertFunction = revert;
}

bool Wow64::RunsUnderWow64() {
    return Instance().wow64Process;
}

void Wow64::TreatAsWow64Process(bool wow64) {
    Instance().wow64Process = wow64;
}

bool Wow64::DisableFileSystemRedirection() {
    return Instance().Disable();
}

bool Wow64::RevertFileSystemRedirection() {
    return Instance().Revert();
}

bool Wow64::Disable() {
    if (!is64BitOs) {
        Logger::Instance().Log(Logging::Warning, L"An attempt to disable file system redirection was made on a 32 bit "
                                                 L"Windows, where WOW64 is not available.");
        return true;
    }
    if (disableFunction == nullptr)
        return false;
    if (disabled) {
        Logger::Instance().Log(Logging::Error, L"An attempt to disable file system redirection was made before a "
                                               L"previous attempt was successfully reverted.");
        return false;
    }
    if (!disableFunction(&oldValue)) {
        Logger::Instance().Log(Logging::Error, L"Unable to disable wow64 redirection");
        return false;
    }
    disabled = true;
    return true;
}

bool Wow64::Revert() {
    if (!is64BitOs) {
        Logger::Instance().Log(Logging::Warning, L"An attempt to revert file system redirection was made on a 32 bit "
                                                 L"Windows, where WOW64 is not available.");
        return true;
    }
    if (revertFunction == nullptr)
        return false;
    if (!disabled) {
        Logger::Instance().Log(Logging::Error, L"An attempt to revert file system redirection was made although it "
                                               L"was not disabled.");
        return false;
    }
    if (!revertFunction(oldValue)) {
        Logger::Instance().Log(Logging::Error, L"Unable to revert wow64 redirection");
        return false;
    }
    disabled = false;
    return true;
}

const std::vector<std::pair<std::wstring, std::wstring>>& Wow64::GetRedirectedDirectories() {
    static const std::vector<std::pair<std::wstring, std::wstring>> folders = {
        {ExpandFolder(L"%windir%\\System32"), ExpandFolder(L"%windir%\\SysWOW64")},
        {ExpandFolder(L"%windir%\\lastgood\\system32"), ExpandFolder(L"%windir%\\lastgood\\SysWOW64")},
    };
    return folders;
}

const std::vector<std::wstring>& Wow64::GetRedirectionExemptDirectories() {
    static const std::vector<std::wstring> folders = [] {
        std::vector<std::wstring> exempt = {
            ExpandFolder(L"%windir%\\system32\\catroot"),     ExpandFolder(L"%windir%\\system32\\catroot2"),
            ExpandFolder(L"%windir%\\system32\\drivers\\etc"), ExpandFolder(L"%windir%\\system32\\logfiles"),
            ExpandFolder(L"%windir%\\system32\\spool"),
        };
        if (DriverStoreIsExempt())
            exempt.push_back(ExpandFolder(L"%windir%\\system32\\driverstore"));
        return exempt;
    }();
    return folders;
}

} // namespace Gathrix::System::OperatingSystem
