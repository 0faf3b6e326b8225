#include "collector/products/QuellonProductInfo.h"

#include "common/Logging.h"

namespace Gathrix::Quellon {

bool AllNonEmpty(QuellonProductInfo& product, std::initializer_list<ProductGetter> getters) {
    for (ProductGetter getter : getters) {
        if ((product.*getter)().empty())
            return false;
    }
    return true;
}

bool HasNameFoldersAndVersion(QuellonProductInfo& product) {
    return AllNonEmpty(product, {&QuellonProductInfo::GetName, &QuellonProductInfo::GetInstallDir,
                                 &QuellonProductInfo::GetAppData, &QuellonProductInfo::GetVersion});
}

bool HasNameFoldersVersionAndLanguage(QuellonProductInfo& product) {
    return HasNameFoldersAndVersion(product) && !product.GetLanguage().empty();
}

bool HasNameFoldersVersionLanguageAndQuarantine(QuellonProductInfo& product) {
    return HasNameFoldersVersionAndLanguage(product) && !product.GetQuarantinePath().empty();
}

bool HasNameAndInstallDir(QuellonProductInfo& product) {
    return AllNonEmpty(product, {&QuellonProductInfo::GetName, &QuellonProductInfo::GetInstallDir});
}

bool ReportInstallation(QuellonProductInfo& product, InstalledProductList& installedProducts,
                        std::wstring displayName) {
    auto& logger = Logging::Logger::Instance();
    if (!product.IsInstalled()) {
        logger.Log(Logging::Info, L"No " + displayName + L" installation found.");
        return false;
    }
    // The version is asked before the name: both may read the registry, and the log shows it.
    std::wstring version = product.GetVersion();
    std::wstring entry = product.GetName() + L" " + version;
    logger.Log(Logging::Info, displayName + L" installation found: " + entry);
    installedProducts.push_back(entry);
    return true;
}

} // namespace Gathrix::Quellon
