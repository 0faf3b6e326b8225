#pragma once
// The second navigation level that a mode file's product element stands for: named after the
// product as its detector found it. The detectors were all made before the mode file is read;
// whether a product is installed is not asked, an empty text means "not found".

#include <string>

namespace Gathrix::Quellon {

// Name, one blank and version; empty unless both are non-empty.
template <class Product>
std::wstring NameAndVersionLevel() {
    auto& product = Product::Instance();
    std::wstring name = product.GetName();
    std::wstring version = product.GetVersion();
    if (name.empty() || version.empty())
        return {};
    return name + L" " + version;
}

// The name alone, for products without a version; the version is not read.
template <class Product>
std::wstring NameLevel() {
    return Product::Instance().GetName();
}

} // namespace Gathrix::Quellon
