#include "collector/products/CrossDetectionProducts.h"

namespace Gathrix::Quellon {

namespace {

enum class Side { BelowThreshold, FromThreshold };

// The version of build.dat, formatted again, when it lies on the detector's side of the
// threshold; otherwise the detector keeps what it had. A version that does not hold four numbers
// lies on neither side.
void ApplyThreshold(const std::wstring& text, Side side, std::wstring& version) {
    VersionNumbers numbers;
    if (!ParseVersion(text, numbers))
        return;
    bool below = CompareVersions(numbers, MinimumNewVersion) < 0;
    if (below == (side == Side::BelowThreshold))
        version = FormatVersion(numbers.major, numbers.minor, numbers.build, numbers.revision);
}

const wchar_t* const Quarantine = L"INFECTED\\";

} // namespace

QuellonBerex::QuellonBerex() {
    ProductRegistryKey key(crossDetectionKey.MasterKey());
    appData = key.ReadValue(key.appDataValueName);
    quarantinePath = appData + Quarantine;
}

std::wstring QuellonBerex::GetName() {
    name = crossDetectionKey.Name();
    return name;
}

std::wstring QuellonBerex::GetVersion() {
    ApplyThreshold(ReadBuildDatProductVersion(GetInstallDir()), Side::BelowThreshold, version);
    return version;
}

std::wstring QuellonBerex::GetInstallDir() {
    ProductRegistryKey key(crossDetectionKey.MasterKey());
    installDir = key.ReadValue(key.installDirValueName);
    return installDir;
}

std::wstring QuellonBerex::GetAppData() {
    ProductRegistryKey key(crossDetectionKey.MasterKey());
    appData = key.ReadValue(key.appDataValueName);
    return appData;
}

std::wstring QuellonBerex::GetLanguage() {
    language = ReadBuildDatLanguage(GetInstallDir());
    return language;
}

std::wstring QuellonBerex::GetMasterKey() {
    return crossDetectionKey.MasterKey();
}

QuellonAlvar::QuellonAlvar() {
    auto server = std::make_unique<CrossDetectionKey>(L"Server");
    auto workstation = std::make_unique<CrossDetectionKey>(L"Workstation");
    masterKey = server->MasterKey();
    if (!masterKey.empty()) {
        productKey = std::make_unique<ProductRegistryKey>(masterKey);
        chosenKey = std::move(server);
    }
    if (!productKey) {
        masterKey = workstation->MasterKey();
        if (!masterKey.empty()) {
            productKey = std::make_unique<ProductRegistryKey>(masterKey);
            chosenKey = std::move(workstation);
        }
    }
    if (productKey)
        quarantinePath = GetAppData() + Quarantine;
}

std::wstring QuellonAlvar::GetName() {
    if (!productKey)
        return {};
    name = chosenKey->Name();
    return name;
}

std::wstring QuellonAlvar::GetVersion() {
    if (!productKey)
        return {};
    ApplyThreshold(ReadBuildDatProductVersion(GetInstallDir()), Side::FromThreshold, version);
    return version;
}

std::wstring QuellonAlvar::GetInstallDir() {
    if (!productKey)
        return {};
    installDir = productKey->ReadValue(productKey->installDirValueName);
    return installDir;
}

std::wstring QuellonAlvar::GetAppData() {
    if (!productKey)
        return {};
    appData = productKey->ReadValue(productKey->appDataValueName);
    return appData;
}

std::wstring QuellonAlvar::GetLanguage() {
    if (!productKey)
        return {};
    language = ReadBuildDatLanguage(GetInstallDir());
    return language;
}

std::wstring QuellonAlvar::GetMasterKey() {
    if (!chosenKey)
        return {};
    return chosenKey->MasterKey();
}

} // namespace Gathrix::Quellon
