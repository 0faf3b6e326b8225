#pragma once
// A four-part version number of 16-bit parts as version resources store it, with a validity
// flag and the reason why no version is known.

#include <cstdint>
#include <string>

namespace Gathrix {

class IPrintable {
public:
    virtual std::wstring ToString() const = 0;

protected:
    // Never deleted through this interface.
    ~IPrintable() = default;
};

class IHasValidity {
public:
    bool IsValid() const { return valid; }
    // The reason while invalid, an empty text while valid.
    std::wstring GetInvalidReason() const { return valid ? std::wstring() : invalidReason; }
    void SetInvalid(const std::wstring& reason) {
        valid = false;
        invalidReason = reason;
    }

protected:
    bool valid = false;
    std::wstring invalidReason = L"invalid";
};

class Version : public IPrintable, public IHasValidity {
public:
    Version();
    // The two words of a fixed file information: mostSignificant holds major and minor,
    // leastSignificant build and revision, each high half first.
    Version(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

    // The four parts joined by dots, or the reason while invalid.
    std::wstring ToString() const override;

    std::uint16_t GetMajor() const { return major; }
    std::uint16_t GetMinor() const { return minor; }
    std::uint16_t GetBuild() const { return build; }
    std::uint16_t GetRevision() const { return revision; }

private:
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

} // namespace Gathrix
