#pragma once
// Products that keep no registry entries the collector reads: their folders lie below the
// program-files and common application-data folders, their version is the file version of
// their service executable.

#include "collector/products/QuellonProductInfo.h"
#include "common/Singleton.h"

#include <string>

namespace Gathrix::Quellon {

class FolderProduct : public QuellonProductInfo {
public:
    struct Row {
        const wchar_t* name;
        const wchar_t* preferredSuffix;  // taken when that folder exists (null: none)
        const wchar_t* suffix;           // begins with "\"
        const wchar_t* executables[2];   // the first that gives a version text wins
        bool versionOnlyWhenAllPartsNonZero;
        bool foldersComputedOnEveryCall;  // the folder getters build anew, without storing
    };

    std::wstring GetInstallDir() override;
    std::wstring GetAppData() override;
    // The folder stored at construction exists (the getters are not asked).
    bool IsInstalled() override;

protected:
    explicit FolderProduct(const Row& row);
    ~FolderProduct() = default;

private:
    std::wstring ChooseFolder(int csidl) const;
    std::wstring ReadExecutableVersion(const wchar_t* executable) const;

    const Row& row;
};

class QuellonQuorvel : public FolderProduct, public Utils::Singleton<QuellonQuorvel> {
    friend class Utils::Singleton<QuellonQuorvel>;
    QuellonQuorvel();
};

class QuellonSovrin : public FolderProduct, public Utils::Singleton<QuellonSovrin> {
    friend class Utils::Singleton<QuellonSovrin>;
    QuellonSovrin();
};

class QuellonRastel : public FolderProduct, public Utils::Singleton<QuellonRastel> {
    friend class Utils::Singleton<QuellonRastel>;
    QuellonRastel();
};

class MarventRastel : public FolderProduct, public Utils::Singleton<MarventRastel> {
    friend class Utils::Singleton<MarventRastel>;
    MarventRastel();
};

} // namespace Gathrix::Quellon
