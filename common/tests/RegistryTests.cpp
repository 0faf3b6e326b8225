#include "common/Registry.h"

#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/RegistryLink.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using Gathrix::ErrorCodeException;
using Gathrix::System::RegistryKey;
using Gathrix::System::RegistryView;
using Gathrix::Testing::LogCapture;

namespace {

// A key of this test process below HKLM\Software (which the views split), deleted before and after.
class ScratchKey {
public:
    explicit ScratchKey(const std::wstring& hint)
        : subPath(L"Software\\GathrixTests-" + hint + L"-" + std::to_wstring(GetCurrentProcessId())) {
        Delete();
    }
    ~ScratchKey() { Delete(); }

    std::wstring Path() const { return L"HKLM\\" + subPath; }

    // Creates the key (and the sub-key) in one view.
    HKEY Create(REGSAM viewFlag, const std::wstring& subKey = L"") {
        std::wstring full = subKey.empty() ? subPath : subPath + L"\\" + subKey;
        keys.emplace_back();
        LSTATUS result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | viewFlag,
                                         nullptr, keys.back().Put(), nullptr);
        EXPECT_EQ(ERROR_SUCCESS, result) << "creating HKLM\\" << Gathrix::Utils::ToUtf8(full);
        return keys.back().Get();
    }

    void Delete() {
        keys.clear();
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            Gathrix::UniqueRegKey software;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view, software.Put()) == ERROR_SUCCESS)
                RegDeleteTreeW(software.Get(), subPath.substr(9).c_str());
        }
    }

private:
    std::wstring subPath;
    std::vector<Gathrix::UniqueRegKey> keys;
};

void SetRaw(HKEY key, const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(ERROR_SUCCESS, Gathrix::Testing::SetRegistryValueExactly(key, name, type, bytes.data(),
                                                                       static_cast<DWORD>(bytes.size())))
        << Gathrix::Utils::ToUtf8(name);
}

std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(RegistryKey, ValueTextsByType) {
    ScratchKey scratch(L"values");
    HKEY key = scratch.Create(KEY_WOW64_64KEY);
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<std::uint8_t> bytes;
        std::wstring expected;
    };
    const std::vector<Case> cases = {
        {L"dword", REG_DWORD, {0x2A, 0, 0, 0}, L"42"},
        {L"dword max", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, L"4294967295"},
        {L"big endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 0x2A}, L"42"},
        {L"big endian order", REG_DWORD_BIG_ENDIAN, {0x01, 0x02, 0x03, 0x04}, L"16909060"},
        {L"qword", REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1}, L"72623859790382856"},
        {L"short dword", REG_DWORD, {0x2A, 0x01}, L"0x2a 0x01"},
        {L"short qword", REG_QWORD, {1, 2, 3, 4}, L"0x01 0x02 0x03 0x04"},
        {L"binary", REG_BINARY, {0x01, 0xAB, 0x00}, L"0x01 0xab 0x00"},
        {L"empty binary", REG_BINARY, {}, L""},
        {L"none", REG_NONE, {0xFF}, L"0xff"},
        {L"sz", REG_SZ, Utf16Bytes(std::wstring(L"abc\0def\0", 8)), L"abc"},
        {L"sz without NUL", REG_SZ, Utf16Bytes(L"abc"), L"abc"},
        {L"sz odd size", REG_SZ, {'a', 0, 'b'}, L"ab"},
        {L"sz euro", REG_SZ, Utf16Bytes(std::wstring(L"\u20AC 5\0", 4)), L"\u20AC 5"},
        {L"expand sz", REG_EXPAND_SZ, Utf16Bytes(std::wstring(L"%windir%\\x\0", 11)), L"%windir%\\x"},
        {L"multi", REG_MULTI_SZ, Utf16Bytes(std::wstring(L"a\0\0b\0\0", 6)), L"a; b"},
        {L"multi unterminated tail", REG_MULTI_SZ, Utf16Bytes(std::wstring(L"a\0bc", 4)), L"a"},
        {L"multi odd size", REG_MULTI_SZ, {'x', 0, 0, 0, 'y'}, L"x"},
        {L"resource list", REG_RESOURCE_LIST, {1, 2, 3}, L""},
        {L"unknown type", 12, {1, 2, 3}, L""},
        {L"", REG_SZ, Utf16Bytes(std::wstring(L"default\0", 8)), L"default"},
    };
    for (const Case& c : cases)
        SetRaw(key, c.name, c.type, c.bytes);

    RegistryKey registryKey(scratch.Path(), Gathrix::System::View64);
    for (const Case& c : cases) {
        DWORD type = 0xDEAD;
        EXPECT_EQ(c.expected, registryKey.GetValue(c.name, type)) << Gathrix::Utils::ToUtf8(c.name);
        EXPECT_EQ(c.type, type) << Gathrix::Utils::ToUtf8(c.name);
    }
}

// The fixtures' raw values must not hang on the memory behind their bytes: here a NUL unit follows
// them, which is what makes the system store one unit more.
TEST(RegistryFixture, StoresExactlyTheBytesOfItsCase) {
    ScratchKey scratch(L"exact");
    HKEY key = scratch.Create(KEY_WOW64_64KEY);
    const std::vector<std::uint8_t> followedByNul = {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0};
    for (DWORD type : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ}) {
        ASSERT_EQ(ERROR_SUCCESS, Gathrix::Testing::SetRegistryValueExactly(key, L"value", type, followedByNul.data(), 8));
        std::vector<std::uint8_t> stored(16, 0xEE);
        DWORD size = static_cast<DWORD>(stored.size());
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"value", nullptr, nullptr, stored.data(), &size));
        stored.resize(size);
        EXPECT_EQ(std::vector<std::uint8_t>(followedByNul.begin(), followedByNul.begin() + 8), stored) << type;
    }
}

TEST(RegistryKey, MissingValueIsDebugAndThrowsItsCode) {
    ScratchKey scratch(L"missing");
    scratch.Create(KEY_WOW64_64KEY);
    RegistryKey key(scratch.Path(), Gathrix::System::View64);
    LogCapture& log = LogCapture::Start();
    DWORD type = 0;
    try {
        key.GetValue(L"absent", type);
        FAIL() << "no exception";
    } catch (const ErrorCodeException& e) {
        EXPECT_EQ(static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND), e.GetErrorCode());
    }
    const std::vector<LogCapture::Entry> expected = {
        {Gathrix::Logging::Debug, L"Cannot open registry value 'absent' of the key '" + scratch.Path() +
                                      L"': " + Gathrix::System::GetErrorText(ERROR_FILE_NOT_FOUND)}};
    EXPECT_EQ(expected, log.entries);
}

TEST(RegistryKey, KeyGoneAfterConstruction) {
    ScratchKey scratch(L"gone");
    scratch.Create(KEY_WOW64_64KEY);
    RegistryKey key(scratch.Path(), Gathrix::System::View64);
    scratch.Delete();
    LogCapture& log = LogCapture::Start();

    EXPECT_TRUE(key.GetSubKeyNames().empty());
    EXPECT_TRUE(key.GetValueNames().empty());
    DWORD type = 0;
    EXPECT_THROW(key.GetValue(L"x", type), ErrorCodeException);

    const LogCapture::Entry openFailed = {Gathrix::Logging::Error, L"Cannot open registry key '" + scratch.Path() +
                                                                       L"': " +
                                                                       Gathrix::System::GetErrorText(ERROR_FILE_NOT_FOUND)};
    EXPECT_EQ(std::vector<LogCapture::Entry>(3, openFailed), log.entries);
}

TEST(RegistryKey, PathFormsAndRoots) {
    struct Case {
        const wchar_t* path;
        HKEY root;
        const wchar_t* rootName;
        const wchar_t* subPath;
    };
    const Case cases[] = {
        {L"HKLM\\Software", HKEY_LOCAL_MACHINE, L"HKLM", L"Software"},
        {L"hklm\\Software", HKEY_LOCAL_MACHINE, L"hklm", L"Software"},
        {L"HKEY_LOCAL_MACHINE\\Software", HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software"},
        {L"HKU\\.DEFAULT", HKEY_USERS, L"HKU", L".DEFAULT"},
        {L"hkey_current_user\\Software", HKEY_CURRENT_USER, L"hkey_current_user", L"Software"},
        {L"HKCR\\CLSID", HKEY_CLASSES_ROOT, L"HKCR", L"CLSID"},
    };
    for (const Case& c : cases) {
        RegistryKey key(c.path, Gathrix::System::View64);
        EXPECT_EQ(c.root, key.GetRootKey()) << Gathrix::Utils::ToUtf8(c.path);
        EXPECT_EQ(c.rootName, key.GetRootName());
        EXPECT_EQ(c.subPath, key.GetSubPath());
    }
}

TEST(RegistryKey, UnknownOrMissingRootCannotOpen) {
    for (const wchar_t* path : {L"HKLM", L"HKXX\\Software", L"\\Software"}) {
        DWORD errorCode = 0;
        EXPECT_FALSE(RegistryKey::Exists(path, Gathrix::System::View32, errorCode));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), errorCode);
        try {
            RegistryKey key(path, Gathrix::System::View32);
            ADD_FAILURE() << "constructed " << Gathrix::Utils::ToUtf8(path);
        } catch (const ErrorCodeException& e) {
            EXPECT_EQ(static_cast<std::uint32_t>(ERROR_INVALID_HANDLE), e.GetErrorCode());
        }
    }
}

TEST(RegistryKey, ViewsSeeTheirOwnKeys) {
    ScratchKey scratch(L"views");
    HKEY native = scratch.Create(KEY_WOW64_64KEY, L"only64");
    HKEY redirected = scratch.Create(KEY_WOW64_32KEY, L"only32");
    SetRaw(native, L"bits", REG_SZ, Utf16Bytes(std::wstring(L"64\0", 3)));
    SetRaw(redirected, L"bits", REG_SZ, Utf16Bytes(std::wstring(L"32\0", 3)));

    RegistryKey view32(scratch.Path(), Gathrix::System::View32);
    RegistryKey view64(scratch.Path(), Gathrix::System::View64);
    EXPECT_EQ(std::vector<std::wstring>{L"only32"}, view32.GetSubKeyNames());
    EXPECT_EQ(std::vector<std::wstring>{L"only64"}, view64.GetSubKeyNames());
    EXPECT_EQ(std::vector<std::wstring>{scratch.Path() + L"\\only32"}, view32.GetSubKeyPaths());

    std::vector<RegistryKey> subKeys = view32.GetSubKeys();
    ASSERT_EQ(1u, subKeys.size());
    EXPECT_EQ(Gathrix::System::View32, subKeys[0].GetView());
    DWORD type = 0;
    EXPECT_EQ(L"32", subKeys[0].GetValue(L"bits", type));
    EXPECT_EQ(L"64", RegistryKey(scratch.Path() + L"\\only64", Gathrix::System::View64).GetValue(L"bits", type));

    DWORD errorCode = 0;
    EXPECT_TRUE(RegistryKey::Exists(scratch.Path() + L"\\only32", Gathrix::System::View32, errorCode));
    EXPECT_EQ(0u, errorCode);
    EXPECT_FALSE(RegistryKey::Exists(scratch.Path() + L"\\only32", Gathrix::System::View64, errorCode));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), errorCode);
    // A view number that is neither opens the 64-bit view.
    EXPECT_TRUE(RegistryKey::Exists(scratch.Path() + L"\\only64", static_cast<RegistryView>(7), errorCode));
}

// Windows allows value names of up to 16,383 characters and key names of up to 255: each is
// listed whole, however long.
TEST(RegistryKey, EnumerationListsNamesOfEveryLength) {
    LogCapture& log = LogCapture::Start();
    ScratchKey scratch(L"names");
    HKEY key = scratch.Create(KEY_WOW64_64KEY);
    const std::vector<std::wstring> valueNames = {L"a", std::wstring(259, L'n'), std::wstring(260, L't'),
                                                  std::wstring(16000, L'v'), std::wstring(16383, L'w')};
    for (const std::wstring& name : valueNames)
        SetRaw(key, name, REG_DWORD, {1, 0, 0, 0});
    const std::wstring longestKey(255, L'k');
    scratch.Create(KEY_WOW64_64KEY, L"sub1");
    scratch.Create(KEY_WOW64_64KEY, longestKey);

    RegistryKey registryKey(scratch.Path(), Gathrix::System::View64);
    EXPECT_EQ(Sorted(valueNames), Sorted(registryKey.GetValueNames()));
    EXPECT_EQ(Sorted({L"sub1", longestKey}), Sorted(registryKey.GetSubKeyNames()));
    DWORD type = 0;
    EXPECT_EQ(L"1", registryKey.GetValue(std::wstring(16000, L'v'), type));
    EXPECT_TRUE(log.entries.empty());
}

// A link at the end of a path opens its target, unless the key is opened as the link itself;
// either way the key tells what the link names.
TEST(RegistryKey, LinksAreFollowedOrOpenedAsThemselvesAndNameTheirTarget) {
    ScratchKey scratch(L"links");
    HKEY top = scratch.Create(KEY_WOW64_64KEY);
    SetRaw(top, L"top", REG_DWORD, {1, 0, 0, 0});
    HKEY child = scratch.Create(KEY_WOW64_64KEY, L"child");
    Gathrix::Testing::RegistryLink link(child, L"up", top);
    ASSERT_TRUE(link.Made()) << "this registry cannot make links";

    const std::wstring linkPath = scratch.Path() + L"\\child\\up";
    RegistryKey followed(linkPath, Gathrix::System::View64);
    EXPECT_EQ(std::vector<std::wstring>{L"top"}, followed.GetValueNames());
    EXPECT_EQ(std::vector<std::wstring>{L"child"}, followed.GetSubKeyNames());
    RegistryKey itself(linkPath, Gathrix::System::View64, Gathrix::System::RegistryLinks::OpenItself);
    EXPECT_EQ(std::vector<std::wstring>{L"SymbolicLinkValue"}, itself.GetValueNames());
    EXPECT_TRUE(itself.GetSubKeyNames().empty());

    EXPECT_EQ(link.Target(), itself.GetLinkTarget());
    EXPECT_EQ(link.Target(), followed.GetLinkTarget());
    EXPECT_NE(std::wstring::npos, link.Target().find(L"\\GathrixTests-links-")) << Gathrix::Utils::ToUtf8(link.Target());
    // A key that merely holds a value of that name as text is no link.
    SetRaw(child, L"SymbolicLinkValue", REG_SZ, Utf16Bytes(std::wstring(L"\\REGISTRY") + L'\0'));
    EXPECT_EQ(L"", RegistryKey(scratch.Path() + L"\\child", Gathrix::System::View64).GetLinkTarget());
    EXPECT_EQ(L"", RegistryKey(scratch.Path(), Gathrix::System::View64).GetLinkTarget());
}
