#pragma once
// Products whose own registry key names their folders and whose build.dat in the install
// folder gives version and language. Every getter reads again on every call.

#include "collector/products/QuellonProductInfo.h"
#include "common/Singleton.h"

namespace Gathrix::Quellon {

class BuildDatProduct : public QuellonProductInfo {
public:
    enum class InstalledTest { WithLanguage, WithLanguageAndQuarantine };

    struct Row {
        const wchar_t* name;
        const wchar_t* keys[2];  // the master key, or the keys tested in order
        bool keyTested;          // without a key found, name and master key stay empty
        const wchar_t* installDirValue;  // value names under the master key
        const wchar_t* appDataValue;
        InstalledTest installedTest;
    };

    std::wstring GetVersion() override;
    std::wstring GetInstallDir() override;
    std::wstring GetAppData() override;
    std::wstring GetLanguage() override;
    bool IsInstalled() override;

protected:
    explicit BuildDatProduct(const Row& row);
    ~BuildDatProduct() = default;

private:
    std::wstring ReadMasterKeyValue(const wchar_t* valueName) const;

    const wchar_t* installDirValue;
    const wchar_t* appDataValue;
    InstalledTest installedTest;
};

// Own key fixed in the program.
class QuellonCavon : public BuildDatProduct, public Utils::Singleton<QuellonCavon> {
    friend class Utils::Singleton<QuellonCavon>;
    QuellonCavon();
};

class QuellonEskarAgent : public BuildDatProduct, public Utils::Singleton<QuellonEskarAgent> {
    friend class Utils::Singleton<QuellonEskarAgent>;
    QuellonEskarAgent();
};

class QuellonEskarServer : public BuildDatProduct, public Utils::Singleton<QuellonEskarServer> {
    friend class Utils::Singleton<QuellonEskarServer>;
    QuellonEskarServer();
};

class QuellonEskarFrontend : public BuildDatProduct, public Utils::Singleton<QuellonEskarFrontend> {
    friend class Utils::Singleton<QuellonEskarFrontend>;
    QuellonEskarFrontend();
};

class QuellonFenrid : public BuildDatProduct, public Utils::Singleton<QuellonFenrid> {
    friend class Utils::Singleton<QuellonFenrid>;
    QuellonFenrid();
};

// Own key found by testing which one exists; without it nothing is read.
class QuellonGolva : public BuildDatProduct, public Utils::Singleton<QuellonGolva> {
    friend class Utils::Singleton<QuellonGolva>;
    QuellonGolva();
};

// The SharePoint product.
class QuellonIvrane : public BuildDatProduct, public Utils::Singleton<QuellonIvrane> {
    friend class Utils::Singleton<QuellonIvrane>;
    QuellonIvrane();
};

} // namespace Gathrix::Quellon
