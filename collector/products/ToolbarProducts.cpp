#include "collector/products/ToolbarProducts.h"

#include "collector/products/DetectionSources.h"

#include <windows.h>
#include <shlobj.h>

namespace Gathrix::Quellon {

namespace {

const wchar_t* const EditionV7 = L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V7";
const wchar_t* const EditionSqx7 = L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-SQX7";
const wchar_t* const EditionV6 = L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V6";
const wchar_t* const VendorFolder = L"\\VelquorPartnerNetwork";

} // namespace

const wchar_t* const QuellonPerrinBelowV6::InstallDirPattern = L"%Programfiles%\\velquor-partner.net";

QuellonPerrin::QuellonPerrin() {
    name = L"Quellon Perrin";
    // Built, not tested: the folders are published whether they exist or not.
    installDir = ShellFolder(CSIDL_PROGRAM_FILES) + VendorFolder;
    appData = ShellFolder(CSIDL_COMMON_APPDATA) + VendorFolder;
    if (RegistryKeyExists(EditionV7))
        version = L"V7";
    else if (RegistryKeyExists(EditionSqx7))
        version = L"SQX7";
    else if (RegistryKeyExists(EditionV6))
        version = L"V6";
}

bool QuellonPerrin::IsInstalled() {
    return RegistryKeyExists(EditionV7) || RegistryKeyExists(EditionV6) || RegistryKeyExists(EditionSqx7);
}

QuellonPerrinBelowV6::QuellonPerrinBelowV6() {
    name = L"Quellon Perrin";
    installDir = FirstExistingDirectory(InstallDirPattern);
}

bool QuellonPerrinBelowV6::IsInstalled() {
    std::wstring marker = ReadRegistryString(L"HKLM\\Software\\VelquorToolbar\\Macro\\", L"tb");
    return marker.compare(0, 4, L"QXR-") == 0;
}

} // namespace Gathrix::Quellon
