#pragma once
// The second navigation level that a mode file's product element stands for: named after the
// product as its detector found it. The detectors were all made before the mode file is read.
// A product that its detection does not find installed has no level, whatever its name and
// version read: some detectors carry a fixed name and a version such as "0.0.0.0" on every
// machine, and the report is to show only the products that are there. An empty text means
// "not found".

#include <string>

namespace Gathrix::Quellon {

// Name, one blank and version; empty unless the product is installed and both are non-empty.
template <class Product>
std::wstring NameAndVersionLevel() {
    auto& product = Product::Instance();
    if (!product.IsInstalled())
        return {};
    std::wstring name = product.GetName();
    std::wstring version = product.GetVersion();
    if (name.empty() || version.empty())
        return {};
    return name + L" " + version;
}

// The name alone, for products without a version; the version is not read.
template <class Product>
std::wstring NameLevel() {
    auto& product = Product::Instance();
    if (!product.IsInstalled())
        return {};
    return product.GetName();
}

} // namespace Gathrix::Quellon
