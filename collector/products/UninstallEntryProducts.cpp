#include "collector/products/UninstallEntryProducts.h"

#include "collector/products/DetectionSources.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace Gathrix::Quellon {

const wchar_t* const QuellonDornik::OwnKey = L"HKLM\\SOFTWARE\\dornik-backup.net";

std::wstring UninstallEntryKey(const std::wstring& entryName) {
    return L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entryName;
}

void UninstallEntryProduct::ReadEntry(const wchar_t* entryName, const wchar_t* appDataPattern) {
    std::wstring entry = UninstallEntryKey(entryName);
    appData = FirstCandidate(appDataPattern);
    if (RegistryKeyExists(entry))
        installDir = WithoutTrailingSeparator(ReadRegistryString(entry, L"InstallLocation"));
    name = ReadRegistryString(entry, L"DisplayName");
    version = ReadRegistryString(entry, L"DisplayVersion");
}

QuellonMirell::QuellonMirell() {
    ReadEntry(L"{6D1E4A27-93B0-4C55-8E2F-31A7C9D04B68}_is1", L"%ProgramData%\\Quellon\\Mirell");
}

QuellonOrvane::QuellonOrvane() {
    ReadEntry(L"Quellon Security_is1", L"%ProgramData%\\Quellon\\Security");
}

QuellonNoviset::QuellonNoviset() {
    ReadEntry(L"Quellon Noviset_is1", L"%ProgramData%\\Quellon\\Noviset");
}

QuellonNovisetHost::QuellonNovisetHost() {
    const std::wstring ownKey = L"HKLM\\SOFTWARE\\Quellon\\NovisetHost";
    appData = FirstCandidate(L"%ProgramData%\\Quellon\\NovisetHost");
    if (RegistryKeyExists(ownKey))
        installDir = WithoutTrailingSeparator(ReadRegistryString(ownKey, L"InstallLocation"));
    name = L"QuellonNovisetHost";
    version = ReadRegistryString(ownKey, L"Version");
}

QuellonKaldor::QuellonKaldor() {
    const std::wstring entry = UninstallEntryKey(L"Quellon Kaldor_is1");
    std::wstring localAppData = ShellFolder(CSIDL_LOCAL_APPDATA);
    if (!localAppData.empty())
        appData = localAppData + L"\\QuellonKaldor";
    // Kept as written, trailing separator included.
    if (RegistryKeyExists(entry))
        installDir = ReadRegistryString(entry, L"InstallLocation");
    if (installDir.empty())
        installDir = ReadRegistryString(L"HKLM\\SOFTWARE\\QuellonKaldor\\QuellonKaldor", L"PATH");
    name = ReadRegistryString(entry, L"DisplayName");
    version = ReadRegistryString(entry, L"DisplayVersion");
}

QuellonLumbra::QuellonLumbra()
    : uiExecutableName(L"Quellon.Lumbra.UI.Application.exe"),
      uninstallEntryExists(RegistryKeyExists(UninstallEntryKey(L"Quellon Lumbra_is1"))) {
    const std::wstring entry = UninstallEntryKey(L"Quellon Lumbra_is1");
    appData = FirstCandidate(L"%ProgramData%\\Quellon\\Lumbra");
    installDir = ReadInstallLocation();
    if (uninstallEntryExists) {
        name = ReadRegistryString(entry, L"DisplayName");
        version = ReadRegistryString(entry, L"DisplayVersion");
        return;
    }
    name = L"Quellon Lumbra";
    std::wstring executable = installDir + L"\\" + uiExecutableName;
    if (PathFileExistsW(executable.c_str())) {
        VersionNumbers numbers = ReadFileVersionNumbers(executable);
        version = FormatVersion(numbers.major, numbers.minor, numbers.build, numbers.revision);
    }
}

// Kept as written, trailing separator included. Without an entry the own key counts only when
// the user-interface executable lies in the folder it names.
std::wstring QuellonLumbra::ReadInstallLocation() const {
    if (uninstallEntryExists)
        return ReadRegistryString(UninstallEntryKey(L"Quellon Lumbra_is1"), L"InstallLocation");
    const std::wstring ownKey = L"HKLM\\SOFTWARE\\Quellon\\Lumbra";
    if (!RegistryKeyExists(ownKey))
        return {};
    std::wstring location;
    try {
        location = ReadRegistryString(ownKey, L"InstallLocation");
        if (!location.empty() && !PathFileExistsW((location + L"\\" + uiExecutableName).c_str()))
            location.clear();
    } catch (...) {
        // Whatever fails here only means the product is not found this way.
    }
    return location;
}

QuellonDornik::QuellonDornik() {
    name = L"Quellon Dornik";
    installDir = FirstExistingDirectory(L"%Programfiles%\\Quellon Dornik");
    appData = ReadRegistryString(OwnKey, L"ServiceHomeFolderPath");
    version = ReadRegistryString(UninstallEntryKey(L"Quellon Dornik"), L"DisplayVersion");
}

bool QuellonDornik::IsInstalled() {
    return AllNonEmpty(*this, {&QuellonProductInfo::GetName, &QuellonProductInfo::GetInstallDir,
                               &QuellonProductInfo::GetVersion, &QuellonProductInfo::GetAppData});
}

} // namespace Gathrix::Quellon
