#pragma once
// The two detectors of the product named by the cross-detection keys. Both read the same
// installation; its version decides which one reports it: QuellonBerex below
// MinimumNewVersion, QuellonAlvar from it on.

#include "collector/products/DetectionSources.h"
#include "collector/products/QuellonProductInfo.h"
#include "common/Singleton.h"

#include <memory>

namespace Gathrix::Quellon {

// Looks at the "Workstation" key only.
class QuellonBerex : public QuellonProductInfo, public Utils::Singleton<QuellonBerex> {
public:
    std::wstring GetName() override;
    std::wstring GetVersion() override;
    std::wstring GetInstallDir() override;
    std::wstring GetAppData() override;
    std::wstring GetLanguage() override;
    std::wstring GetMasterKey() override;
    bool IsInstalled() override { return HasNameFoldersVersionLanguageAndQuarantine(*this); }

private:
    friend class Utils::Singleton<QuellonBerex>;
    QuellonBerex();

    CrossDetectionKey crossDetectionKey{L"Workstation"};
};

// Looks at the "Server" key first, then at "Workstation", and keeps the one that names a key.
class QuellonAlvar : public QuellonProductInfo, public Utils::Singleton<QuellonAlvar> {
public:
    std::wstring GetName() override;
    std::wstring GetVersion() override;
    std::wstring GetInstallDir() override;
    std::wstring GetAppData() override;
    std::wstring GetLanguage() override;
    std::wstring GetMasterKey() override;
    bool IsInstalled() override { return HasNameFoldersVersionLanguageAndQuarantine(*this); }

private:
    friend class Utils::Singleton<QuellonAlvar>;
    QuellonAlvar();

    std::unique_ptr<ProductRegistryKey> productKey;
    std::unique_ptr<CrossDetectionKey> chosenKey;
};

} // namespace Gathrix::Quellon
