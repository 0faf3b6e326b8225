#pragma once
// HKEY_LOCAL_MACHINE of this test process as a private key, with its 32-bit view split off as on
// a real 64-bit Windows ("HKLM\Software\Wow6432Node"), removed again at the end.
// HKEY_CLASSES_ROOT can't be made private the same way: Wine opens it anew, past the override,
// whenever a registry view is named. So "HKCR\" paths are the prefix's real classes key; tests
// register classes there under class ids of their own process (UniqueClsid), and every key made
// below "HKCR\CLSID" is deleted again at the end, in the view it was made in.

#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix::Testing {

enum class RegView { Bits32, Bits64 };

class PrivateRegistry {
public:
    PrivateRegistry();
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

    // A class id no other test process uses; `tag` tells the classes of one test apart.
    static std::wstring UniqueClsid(unsigned tag);

    void CreateKey(const std::wstring& path, RegView view = RegView::Bits64);
    void SetValue(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data,
                  RegView view = RegView::Bits64);
    // REG_SZ, REG_EXPAND_SZ or REG_LINK text with its NUL.
    void SetText(const std::wstring& path, const std::wstring& name, const std::wstring& text,
                 RegView view = RegView::Bits64, DWORD type = REG_SZ);
    // The strings each with their NUL, then the list's closing NUL.
    void SetMultiText(const std::wstring& path, const std::wstring& name, const std::vector<std::wstring>& texts,
                      RegView view = RegView::Bits64);
    void SetDword(const std::wstring& path, const std::wstring& name, DWORD number, RegView view = RegView::Bits64);

    LogCapture& log;

private:
    UniqueRegKey Create(const std::wstring& path, RegView view);

    std::wstring rootSubPath;
    UniqueRegKey machine;
    std::vector<std::pair<std::wstring, RegView>> classKeys;  // names below HKCR\CLSID
};

// Denies everyone everything on the key while it lives (the handle kept from before lets the
// test restore it).
class LockedKey {
public:
    LockedKey(const std::wstring& path, RegView view = RegView::Bits64);
    ~LockedKey();
    LockedKey(const LockedKey&) = delete;
    LockedKey& operator=(const LockedKey&) = delete;
    // False when this registry lets a reader open the key all the same.
    bool Enforced() const;

private:
    void SetDacl(ACL* acl);
    std::wstring path;
    RegView view;
    UniqueRegKey key;
};

// ---------------------------------------------------------------- definitions

namespace registry_detail {

inline REGSAM Flag(RegView view) { return view == RegView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// The predefined key and the sub-path of a test path.
inline HKEY Split(const std::wstring& path, std::wstring& subPath) {
    if (path.rfind(L"HKLM\\", 0) == 0) {
        subPath = path.substr(5);
        return HKEY_LOCAL_MACHINE;
    }
    if (path.rfind(L"HKCR\\", 0) == 0) {
        subPath = path.substr(5);
        return HKEY_CLASSES_ROOT;
    }
    ADD_FAILURE() << "not a test registry path: " << Utils::ToUtf8(path);
    subPath = path;
    return HKEY_LOCAL_MACHINE;
}

inline std::vector<std::uint8_t> Bytes(const std::wstring& units) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(units.data());
    return std::vector<std::uint8_t>(begin, begin + units.size() * sizeof(wchar_t));
}

} // namespace registry_detail

inline PrivateRegistry::PrivateRegistry()
    : log(LogCapture::Start()),
      // Process ids come again; the start time makes the root this process's own.
      rootSubPath(L"Software\\GathrixTests\\Registry-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64())) {
    RegDeleteTreeW(HKEY_CURRENT_USER, rootSubPath.c_str());
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (rootSubPath + L"\\HKLM").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, machine.Put(), nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.Get()));
    // Its presence makes Wine split the 32-bit view off below "Software", as on the real key.
    CreateKey(L"HKLM\\Software\\Wow6432Node");
    log.entries.clear();
}

inline PrivateRegistry::~PrivateRegistry() {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    machine.Reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, rootSubPath.c_str());
    for (const auto& [name, view] : classKeys) {
        UniqueRegKey classes;
        const REGSAM access = KEY_ALL_ACCESS | registry_detail::Flag(view);
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, access, classes.Put()) == ERROR_SUCCESS)
            RegDeleteTreeW(classes.Get(), name.c_str());
    }
}

inline std::wstring PrivateRegistry::UniqueClsid(unsigned tag) {
    // The process id and the time of the first call: the ids of one process stay the same.
    static const ULONGLONG started = GetTickCount64();
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08lX-%04X-4000-8000-%04X%08lX}", static_cast<unsigned long>(GetCurrentProcessId()),
                  tag & 0xFFFF, static_cast<unsigned>((started >> 32) & 0xFFFF),
                  static_cast<unsigned long>(started & 0xFFFFFFFF));
    return text;
}

inline UniqueRegKey PrivateRegistry::Create(const std::wstring& path, RegView view) {
    std::wstring subPath;
    HKEY root = registry_detail::Split(path, subPath);
    if (root == HKEY_CLASSES_ROOT && subPath.rfind(L"CLSID\\", 0) == 0) {
        const std::wstring name = subPath.substr(6, subPath.find(L'\\', 6) - 6);
        if (std::find(classKeys.begin(), classKeys.end(), std::make_pair(name, view)) == classKeys.end())
            classKeys.emplace_back(name, view);
    }
    UniqueRegKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, subPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | registry_detail::Flag(view),
                                             nullptr, key.Put(), nullptr))
        << Utils::ToUtf8(path);
    return key;
}

inline void PrivateRegistry::CreateKey(const std::wstring& path, RegView view) {
    Create(path, view);
}

inline void PrivateRegistry::SetValue(const std::wstring& path, const std::wstring& name, DWORD type,
                               const std::vector<std::uint8_t>& data, RegView view) {
    UniqueRegKey key = Create(path, view);
    EXPECT_EQ(ERROR_SUCCESS, Testing::SetRegistryValueExactly(key.Get(), name, type, data.data(),
                                                              static_cast<DWORD>(data.size())))
        << Utils::ToUtf8(path) << " " << Utils::ToUtf8(name);
}

inline void PrivateRegistry::SetText(const std::wstring& path, const std::wstring& name, const std::wstring& text,
                              RegView view, DWORD type) {
    SetValue(path, name, type, registry_detail::Bytes(text + L'\0'), view);
}

inline void PrivateRegistry::SetMultiText(const std::wstring& path, const std::wstring& name,
                                   const std::vector<std::wstring>& texts, RegView view) {
    std::wstring units;
    for (const auto& text : texts)
        units += text + L'\0';
    SetValue(path, name, REG_MULTI_SZ, registry_detail::Bytes(units + L'\0'), view);
}

inline void PrivateRegistry::SetDword(const std::wstring& path, const std::wstring& name, DWORD number, RegView view) {
    SetValue(path, name, REG_DWORD,
             {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
              static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)},
             view);
}

inline LockedKey::LockedKey(const std::wstring& path, RegView view) : path(path), view(view) {
    std::wstring subPath;
    HKEY root = registry_detail::Split(path, subPath);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(root, subPath.c_str(), 0, KEY_ALL_ACCESS | registry_detail::Flag(view), key.Put()));
    ACL emptyAcl;
    InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION);
    SetDacl(&emptyAcl);
}

inline LockedKey::~LockedKey() {
    SetDacl(nullptr);
}

inline bool LockedKey::Enforced() const {
    std::wstring subPath;
    HKEY root = registry_detail::Split(path, subPath);
    UniqueRegKey probe;
    return RegOpenKeyExW(root, subPath.c_str(), 0, KEY_READ | registry_detail::Flag(view), probe.Put()) == ERROR_ACCESS_DENIED;
}

inline void LockedKey::SetDacl(ACL* acl) {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor));
}

} // namespace Gathrix::Testing
