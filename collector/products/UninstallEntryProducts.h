#pragma once
// Products found by what their setup left in the registry: mostly their entry under the
// Windows uninstall key ("DisplayName", "DisplayVersion", "InstallLocation"), with fallbacks
// where a product may lack one. Everything is read once, at construction.

#include "collector/products/QuellonProductInfo.h"
#include "common/Singleton.h"

#include <string>

namespace Gathrix::Quellon {

class UninstallEntryProduct : public QuellonProductInfo {
public:
    // Name, install folder, app-data folder and version, in this order.
    bool IsInstalled() override { return HasNameFoldersAndVersion(*this); }

protected:
    UninstallEntryProduct() = default;
    ~UninstallEntryProduct() = default;

    // The common shape: app-data folder from a pattern (not tested), install folder from the
    // entry with one trailing separator removed, name and version from the entry.
    void ReadEntry(const wchar_t* entryName, const wchar_t* appDataPattern);
};

std::wstring UninstallEntryKey(const std::wstring& entryName);

class QuellonMirell : public UninstallEntryProduct, public Utils::Singleton<QuellonMirell> {
    friend class Utils::Singleton<QuellonMirell>;
    QuellonMirell();
};

class QuellonOrvane : public UninstallEntryProduct, public Utils::Singleton<QuellonOrvane> {
    friend class Utils::Singleton<QuellonOrvane>;
    QuellonOrvane();
};

class QuellonNoviset : public UninstallEntryProduct, public Utils::Singleton<QuellonNoviset> {
    friend class Utils::Singleton<QuellonNoviset>;
    QuellonNoviset();
};

// Reads a key of its own instead of an uninstall entry.
class QuellonNovisetHost : public UninstallEntryProduct, public Utils::Singleton<QuellonNovisetHost> {
    friend class Utils::Singleton<QuellonNovisetHost>;
    QuellonNovisetHost();
};

class QuellonKaldor : public UninstallEntryProduct, public Utils::Singleton<QuellonKaldor> {
    friend class Utils::Singleton<QuellonKaldor>;
    QuellonKaldor();
};

// Without an entry it recognises itself by its own key and its user-interface executable.
class QuellonLumbra : public UninstallEntryProduct, public Utils::Singleton<QuellonLumbra> {
    friend class Utils::Singleton<QuellonLumbra>;
    QuellonLumbra();
    std::wstring ReadInstallLocation() const;

    std::wstring uiExecutableName;
    bool uninstallEntryExists = false;
};

// The backup product.
class QuellonDornik : public UninstallEntryProduct, public Utils::Singleton<QuellonDornik> {
public:
    // The backup service keeps its settings under a key named after its web domain.
    static const wchar_t* const OwnKey;

    // Name, install folder, version and app-data folder, in this order.
    bool IsInstalled() override;

private:
    friend class Utils::Singleton<QuellonDornik>;
    QuellonDornik();
};

} // namespace Gathrix::Quellon
