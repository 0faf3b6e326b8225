#pragma once
// Products recognised by a product key and its "3.0\General" key: they report their name and
// install folder and publish the product key.

#include "collector/products/QuellonProductInfo.h"
#include "common/Singleton.h"

namespace Gathrix::Quellon {

class KeyTestProduct : public QuellonProductInfo {
public:
    struct Row {
        const wchar_t* name;
        const wchar_t* productKey;
        const wchar_t* generalKey;  // holds the install folder in "Code"
    };

    // The "Code" value of the general key, read on every call.
    std::wstring GetInstallDir() override;
    // The product key, not the general key that the master-key field holds.
    std::wstring GetMasterKey() override { return productKey; }
    bool IsInstalled() override { return HasNameAndInstallDir(*this); }

protected:
    explicit KeyTestProduct(const Row& row);
    ~KeyTestProduct() = default;

private:
    std::wstring productKey;
};

// The product for Exchange servers.
class QuellonHestrel : public KeyTestProduct, public Utils::Singleton<QuellonHestrel> {
    friend class Utils::Singleton<QuellonHestrel>;
    QuellonHestrel();
};

class QuellonJuvent : public KeyTestProduct, public Utils::Singleton<QuellonJuvent> {
    friend class Utils::Singleton<QuellonJuvent>;
    QuellonJuvent();
};

} // namespace Gathrix::Quellon
