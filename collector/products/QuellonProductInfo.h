#pragma once
// The common base of the product detectors, the installation report and the shared
// installed-tests. Each detector class derives first from QuellonProductInfo and second from
// Utils::Singleton of itself; it is deleted only through its Singleton part.

#include <initializer_list>
#include <list>
#include <string>

namespace Gathrix::Quellon {

// Entries "name version" of the installed products, in publisher order.
using InstalledProductList = std::list<std::wstring>;

class QuellonProductInfo {
public:
    // Most overrides read the registry or build.dat again and store what they read.
    virtual std::wstring GetName() { return name; }
    virtual std::wstring GetVersion() { return version; }
    virtual std::wstring GetInstallDir() { return installDir; }
    virtual std::wstring GetAppData() { return appData; }
    virtual std::wstring GetLanguage() { return language; }
    virtual std::wstring GetMasterKey() { return masterKey; }
    virtual std::wstring GetQuarantinePath() { return quarantinePath; }
    virtual bool IsInstalled() = 0;

protected:
    QuellonProductInfo() = default;
    // Not virtual: the Singleton part deletes the product.
    ~QuellonProductInfo() = default;
    QuellonProductInfo(const QuellonProductInfo&) = delete;
    QuellonProductInfo& operator=(const QuellonProductInfo&) = delete;

    std::wstring name;
    std::wstring version;
    std::wstring appData;
    std::wstring language;
    std::wstring masterKey;  // a path text such as "HKLM\Software\...", not an open key
    std::wstring installDir;
    std::wstring quarantinePath;
};

using ProductGetter = std::wstring (QuellonProductInfo::*)();

// True when every getter, called in the given order through the virtual table, gives a
// non-empty text; stops at the first empty one, so later getters (and their reads) don't run.
bool AllNonEmpty(QuellonProductInfo& product, std::initializer_list<ProductGetter> getters);

// The installed-tests that several detectors share.
bool HasNameFoldersAndVersion(QuellonProductInfo& product);            // name, install, app data, version
bool HasNameFoldersVersionAndLanguage(QuellonProductInfo& product);    // ... and language
bool HasNameFoldersVersionLanguageAndQuarantine(QuellonProductInfo& product);  // ... and quarantine
bool HasNameAndInstallDir(QuellonProductInfo& product);

// Logs whether the product is installed and, when it is, appends "name version" to the list.
bool ReportInstallation(QuellonProductInfo& product, InstalledProductList& installedProducts,
                        std::wstring displayName);

} // namespace Gathrix::Quellon
