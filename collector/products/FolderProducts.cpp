#include "collector/products/FolderProducts.h"

#include "collector/products/DetectionSources.h"

#include <windows.h>
#include <shlobj.h>

namespace Gathrix::Quellon {

namespace {

const FolderProduct::Row QuorvelRow{L"Quellon VPN Quorvel", nullptr, L"\\Quellon\\VPN",
                                    {L"Quellon.VpnService.exe", nullptr}, false, true};
const FolderProduct::Row SovrinRow{L"Sovrin", nullptr, L"\\Quellon\\Sovrin", {L"QuellonSovrin.exe", nullptr}, false, true};
const FolderProduct::Row RastelRow{L"Quellon Rastel", L"\\Quellon\\My Quellon", L"\\Quellon\\Launcher",
                                   {L"Quellon.ServiceHost.exe", L"Quellon.OE.ServiceHost.exe"}, true, true};
const FolderProduct::Row MarventRastelRow{L"Marvent Rastel", nullptr, L"\\Marvent\\Launcher",
                                          {L"Marvent.ServiceHost.exe", nullptr}, true, false};

} // namespace

FolderProduct::FolderProduct(const Row& row) : row(row) {
    name = row.name;
    installDir = ChooseFolder(CSIDL_PROGRAM_FILES);
    appData = ChooseFolder(CSIDL_COMMON_APPDATA);
    for (const wchar_t* executable : row.executables) {
        if (executable == nullptr)
            break;
        version = ReadExecutableVersion(executable);
        if (!version.empty())
            break;
    }
}

// Each folder chooses on its own: the program folder may be the preferred one while the
// data folder is not.
std::wstring FolderProduct::ChooseFolder(int csidl) const {
    std::wstring shellFolder = ShellFolder(csidl);
    if (row.preferredSuffix != nullptr) {
        std::wstring preferred = shellFolder + row.preferredSuffix;
        if (IsExistingDirectory(preferred))
            return preferred;
    }
    return shellFolder + row.suffix;
}

std::wstring FolderProduct::ReadExecutableVersion(const wchar_t* executable) const {
    VersionNumbers numbers = ReadFileVersionNumbers(installDir + L"\\" + executable);
    if (row.versionOnlyWhenAllPartsNonZero &&
        (numbers.major == 0 || numbers.minor == 0 || numbers.build == 0 || numbers.revision == 0))
        return {};
    return FormatVersion(numbers.major, numbers.minor, numbers.build, numbers.revision);
}

std::wstring FolderProduct::GetInstallDir() {
    return row.foldersComputedOnEveryCall ? ChooseFolder(CSIDL_PROGRAM_FILES) : installDir;
}

std::wstring FolderProduct::GetAppData() {
    return row.foldersComputedOnEveryCall ? ChooseFolder(CSIDL_COMMON_APPDATA) : appData;
}

bool FolderProduct::IsInstalled() {
    return IsExistingDirectory(installDir);
}

QuellonQuorvel::QuellonQuorvel() : FolderProduct(QuorvelRow) {}
QuellonSovrin::QuellonSovrin() : FolderProduct(SovrinRow) {}
QuellonRastel::QuellonRastel() : FolderProduct(RastelRow) {}
MarventRastel::MarventRastel() : FolderProduct(MarventRastelRow) {}

} // namespace Gathrix::Quellon
