#include "collector/collectors/files/Version.h"

namespace Gathrix {

Version::Version() { SetInvalid(L"version information not set"); }

Version::Version(std::uint32_t mostSignificant, std::uint32_t leastSignificant)
    : major(static_cast<std::uint16_t>(mostSignificant >> 16)),
      minor(static_cast<std::uint16_t>(mostSignificant & 0xFFFF)),
      build(static_cast<std::uint16_t>(leastSignificant >> 16)),
      revision(static_cast<std::uint16_t>(leastSignificant & 0xFFFF)) {
    valid = true;
}

std::wstring Version::ToString() const {
    if (!valid)
        return GetInvalidReason();
    return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build) + L"." +
           std::to_wstring(revision);
}

} // namespace Gathrix
