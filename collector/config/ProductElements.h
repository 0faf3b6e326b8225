#pragma once
// A product element stands under "Level1" for a second navigation level named after one of the
// maker's products found on this machine; where the product is not found it yields nothing.

#include <array>
#include <string>

namespace Gathrix::ConfigParsing {

struct ProductElement {
    const char* name;  // the element name, which is the product detector's class name
    // The second level's name (the product's name and version, for some products the name
    // alone), empty when its detection does not find the product installed. A null function
    // leaves the element without a handler.
    std::wstring (*levelName)();
};

constexpr std::size_t ProductElementCount = 24;

// In the order in which "Level1" lists them when it misses its second element.
const std::array<ProductElement, ProductElementCount>& ProductElements();

} // namespace Gathrix::ConfigParsing
