#include "collector/products/KeyTestProducts.h"

#include "collector/products/DetectionSources.h"

namespace Gathrix::Quellon {

namespace {

const KeyTestProduct::Row HestrelRow{L"Tolvane for Exchange", L"HKLM\\SOFTWARE\\Quellon\\Tolvane Exchange",
                                     L"HKLM\\SOFTWARE\\Quellon\\Tolvane Exchange\\3.0\\General"};
const KeyTestProduct::Row JuventRow{L"Juvent", L"HKLM\\SOFTWARE\\Quellon\\Juvent",
                                    L"HKLM\\SOFTWARE\\Quellon\\Juvent\\3.0\\General"};

} // namespace

KeyTestProduct::KeyTestProduct(const Row& row) {
    // Both keys, in the 32-bit view, or the product is not there and nothing is read later.
    if (RegistryKeyExists32(row.productKey) && RegistryKeyExists32(row.generalKey)) {
        productKey = row.productKey;
        masterKey = row.generalKey;
        name = row.name;
    }
}

std::wstring KeyTestProduct::GetInstallDir() {
    if (masterKey.empty())
        return {};
    ProductRegistryKey key(masterKey);
    key.installDirValueName = L"Code";
    installDir = key.ReadValue(key.installDirValueName);
    return installDir;
}

QuellonHestrel::QuellonHestrel() : KeyTestProduct(HestrelRow) {}
QuellonJuvent::QuellonJuvent() : KeyTestProduct(JuventRow) {}

} // namespace Gathrix::Quellon
