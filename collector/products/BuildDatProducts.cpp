#include "collector/products/BuildDatProducts.h"

#include "collector/products/DetectionSources.h"

#include <windows.h>

namespace Gathrix::Quellon {

namespace {

// The management console's server and frontend share one key and differ in the value names.
const wchar_t* const EskarConsoleKey = L"HKLM\\Software\\Quellon\\Eskar Management Console";

using Test = BuildDatProduct::InstalledTest;

// name, keys (a fixed key, or the keys tested in order), value names of the two folders, test
const BuildDatProduct::Row CavonRow{L"Quellon Cavon Security", {L"HKLM\\Software\\Quellon\\Tolvane Server"}, false,
                                    L"Path", L"AppDataDirectory", Test::WithLanguageAndQuarantine};
const BuildDatProduct::Row EskarAgentRow{L"Eskar Agent", {L"HKLM\\Software\\Quellon\\Eskar Management Console\\Agent"},
                                         false, L"Path", L"DataPath", Test::WithLanguage};
const BuildDatProduct::Row EskarServerRow{L"Eskar Server", {EskarConsoleKey}, false,
                                          L"ServerPath", L"ServerDataPath", Test::WithLanguage};
const BuildDatProduct::Row EskarFrontendRow{L"Eskar Frontend", {EskarConsoleKey}, false,
                                            L"GuiPath", L"GuiDataPath", Test::WithLanguage};
const BuildDatProduct::Row FenridRow{L"Fenrid", {L"HKLM\\Software\\Quellon\\Fenrid"}, false,
                                     L"FENRIDPath", L"FENRIDDataPath", Test::WithLanguage};
// The keys say "fuer" where the product's name has the u-umlaut; the one with the blank wins.
const BuildDatProduct::Row GolvaRow{L"Tolvane f\u00FCr Golva SPC",
                                    {L"HKLM\\Software\\Quellon\\Tolvane fuer Golva SPC",
                                     L"HKLM\\Software\\Quellon\\Tolvane fuer GolvaSPC"},
                                    true, L"Path", L"AppDataDirectory", Test::WithLanguage};
const BuildDatProduct::Row IvraneRow{L"Tolvane Sharepoint", {L"HKLM\\Software\\Quellon\\Tolvane SharePoint"}, true,
                                     L"Path", L"AppDataDirectory", Test::WithLanguage};

} // namespace

BuildDatProduct::BuildDatProduct(const Row& row)
    : installDirValue(row.installDirValue), appDataValue(row.appDataValue), installedTest(row.installedTest) {
    if (!row.keyTested) {
        name = row.name;
        masterKey = row.keys[0];
        return;
    }
    // Only the 32-bit view counts; without a key the product has neither name nor key.
    for (const wchar_t* key : row.keys) {
        if (key != nullptr && RegistryKeyExists32(key)) {
            name = row.name;
            masterKey = key;
            return;
        }
    }
}

std::wstring BuildDatProduct::ReadMasterKeyValue(const wchar_t* valueName) const {
    return ProductRegistryKey(masterKey).ReadValue(valueName);
}

// Products found by a key test have no master key when the test failed: nothing is read then.
std::wstring BuildDatProduct::GetInstallDir() {
    if (masterKey.empty())
        return {};
    installDir = ReadMasterKeyValue(installDirValue);
    return installDir;
}

std::wstring BuildDatProduct::GetAppData() {
    if (masterKey.empty())
        return {};
    appData = ReadMasterKeyValue(appDataValue);
    return appData;
}

std::wstring BuildDatProduct::GetVersion() {
    std::wstring folder = GetInstallDir();
    if (folder.empty())
        return {};
    version = ReadBuildDatProductVersion(folder);
    return version;
}

std::wstring BuildDatProduct::GetLanguage() {
    std::wstring folder = GetInstallDir();
    if (folder.empty())
        return {};
    language = ReadBuildDatLanguage(folder);
    return language;
}

bool BuildDatProduct::IsInstalled() {
    return installedTest == InstalledTest::WithLanguageAndQuarantine
               ? HasNameFoldersVersionLanguageAndQuarantine(*this)
               : HasNameFoldersVersionAndLanguage(*this);
}

QuellonCavon::QuellonCavon() : BuildDatProduct(CavonRow) {
    // The quarantine folder comes from the product's own configuration, read once.
    std::wstring iniFile = GetAppData() + L"CONFIG\\Qxnetnt.ini";
    std::wstring fallback = GetAppData() + L"INFECTED\\";
    wchar_t buffer[260] = {};
    GetPrivateProfileStringW(L"COMMON", L"QuarantineDirectory", fallback.c_str(), buffer, 260, iniFile.c_str());
    quarantinePath = buffer;
}

QuellonEskarAgent::QuellonEskarAgent() : BuildDatProduct(EskarAgentRow) {}
QuellonEskarServer::QuellonEskarServer() : BuildDatProduct(EskarServerRow) {}
QuellonEskarFrontend::QuellonEskarFrontend() : BuildDatProduct(EskarFrontendRow) {}
QuellonFenrid::QuellonFenrid() : BuildDatProduct(FenridRow) {}
QuellonGolva::QuellonGolva() : BuildDatProduct(GolvaRow) {}
QuellonIvrane::QuellonIvrane() : BuildDatProduct(IvraneRow) {}

} // namespace Gathrix::Quellon
