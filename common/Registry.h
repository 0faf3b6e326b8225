#pragma once
// Registry access for every reader of the collector: a key is one text (root name, "\", sub-path)
// read in one of the two registry views of 64-bit Windows. The key is opened anew for each
// operation; no handle outlives a call.
//
// A registry link (a key made with REG_OPTION_CREATE_LINK, its target in the REG_LINK value
// "SymbolicLinkValue"; Windows' own CurrentControlSet is one) is followed wherever it lies on a
// path, unless the key is opened as the link itself: a walk down a tree opens each sub-key so,
// since a link may lead back to a key above it.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix::System {

enum RegistryView : std::int32_t {
    View32 = 1,  // KEY_WOW64_32KEY
    View64 = 2,  // KEY_WOW64_64KEY; any other value opens like this one
};

enum class RegistryLinks {
    Follow,      // a link at the end of the path opens its target
    OpenItself,  // a link at the end of the path opens the link's own key
};

class RegistryKey {
public:
    // Throws Gathrix::ErrorCodeException with the open's error code when the key cannot be read
    // (code 0 for the 64-bit view on a Windows without one).
    RegistryKey(const std::wstring& path, RegistryView view, RegistryLinks links = RegistryLinks::Follow);

    static bool Exists(const std::wstring& path, RegistryView view, DWORD& errorCode);

    HKEY GetRootKey() const;
    std::wstring GetRootName() const;
    std::wstring GetSubPath() const;
    const std::wstring& GetPath() const { return path; }
    RegistryView GetView() const { return view; }

    std::vector<std::wstring> GetSubKeyNames() const;
    std::vector<std::wstring> GetSubKeyPaths() const;
    std::vector<RegistryKey> GetSubKeys() const;
    std::vector<std::wstring> GetValueNames() const;

    // The key the link at this path names (its "SymbolicLinkValue", an NT path such as
    // "\REGISTRY\MACHINE\SYSTEM\ControlSet001"); empty when the key is no link.
    std::wstring GetLinkTarget() const;

    // The value as text by its type (empty name: the default value); `type` receives the
    // registry type. Throws Gathrix::ErrorCodeException when the key or the value can't be read.
    std::wstring GetValue(const std::wstring& name, DWORD& type) const;

private:
    std::wstring path;
    DWORD accessFlag;
    DWORD openOptions;
    RegistryView view;
};

} // namespace Gathrix::System
