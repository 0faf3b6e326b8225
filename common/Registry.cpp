#include "common/Registry.h"

#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <algorithm>

namespace Gathrix::System {

namespace {

using Logging::Logger;

// Windows allows value names of 16,383 characters and key names of 255. The name buffer is sized
// from what the key reports and grows only for a name added since, up to LargestNameBuffer.
constexpr DWORD LongestKeyName = 255;
constexpr DWORD LongestValueName = 16383;
constexpr DWORD LargestNameBuffer = 32767;

// The name of the value that holds a registry link's target.
constexpr wchar_t LinkValueName[] = L"SymbolicLinkValue";

bool IsWindows2000() {
    return OperatingSystem::IsVersion(5, 0);
}

DWORD ViewFlag(RegistryView view) {
    if (IsWindows2000())
        return 0;
    return view == View32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

std::wstring RootNameOf(const std::wstring& path) {
    size_t separator = path.find(L'\\');
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring SubPathOf(const std::wstring& path) {
    size_t separator = path.find(L'\\');
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

HKEY RootKeyOf(const std::wstring& path) {
    const std::wstring root = RootNameOf(path);
    struct RootName {
        const wchar_t* shortName;
        const wchar_t* longName;
        HKEY key;
    };
    static const RootName roots[] = {
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKU", L"HKEY_USERS", HKEY_USERS},
    };
    for (const RootName& candidate : roots) {
        if (Utils::EqualsNoCase(root, candidate.shortName) || Utils::EqualsNoCase(root, candidate.longName))
            return candidate.key;
    }
    return nullptr;
}

LSTATUS OpenKey(const std::wstring& path, DWORD accessFlag, DWORD options, UniqueRegKey& key) {
    HKEY root = RootKeyOf(path);
    if (root == nullptr)
        return ERROR_INVALID_HANDLE;
    return RegOpenKeyExW(root, SubPathOf(path).c_str(), options, KEY_READ | accessFlag, key.Put());
}

DWORD OpenOptions(RegistryLinks links) {
    return links == RegistryLinks::OpenItself ? REG_OPTION_OPEN_LINK : 0;
}

std::wstring HexBytes(const std::uint8_t* data, size_t size) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    text.reserve(size * 5);
    for (size_t i = 0; i < size; ++i) {
        if (i > 0)
            text.push_back(L' ');
        text += L"0x";
        text.push_back(digits[data[i] >> 4]);
        text.push_back(digits[data[i] & 0x0F]);
    }
    return text;
}

// The data as UTF-16 units; an odd last byte becomes a whole unit with a zero high byte.
std::wstring Units(const std::uint8_t* data, size_t size) {
    std::wstring units((size + 1) / 2, L'\0');
    for (size_t i = 0; i < size; ++i)
        units[i / 2] = static_cast<wchar_t>(units[i / 2] | (static_cast<unsigned>(data[i]) << (8 * (i % 2))));
    return units;
}

std::wstring FormatValue(DWORD type, const std::uint8_t* data, size_t size) {
    if (data == nullptr || size == 0 || type > REG_QWORD)
        return std::wstring();
    switch (type) {
    case REG_NONE:
    case REG_BINARY:
        return HexBytes(data, size);
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK: {
        std::wstring units = Units(data, size);
        return units.substr(0, units.find(L'\0'));
    }
    case REG_MULTI_SZ: {
        // Only strings that a NUL ends are shown; what follows the last NUL is no part of the list.
        std::wstring units = Units(data, size);
        std::wstring text;
        size_t start = 0;
        for (size_t end = units.find(L'\0'); end != std::wstring::npos; end = units.find(L'\0', start)) {
            if (end > start) {
                if (!text.empty())
                    text += L"; ";
                text.append(units, start, end - start);
            }
            start = end + 1;
        }
        return text;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        if (size < 4)
            return HexBytes(data, size);
        std::uint32_t number = 0;
        for (int i = 0; i < 4; ++i) {
            int shift = type == REG_DWORD_BIG_ENDIAN ? 8 * (3 - i) : 8 * i;
            number |= static_cast<std::uint32_t>(data[i]) << shift;
        }
        return std::to_wstring(number);
    }
    case REG_QWORD: {
        if (size < 8)
            return HexBytes(data, size);
        std::uint64_t number = 0;
        for (int i = 0; i < 8; ++i)
            number |= static_cast<std::uint64_t>(data[i]) << (8 * i);
        return std::to_wstring(number);
    }
    default:  // the resource lists
        return std::wstring();
    }
}

void LogCannotOpen(const std::wstring& path, LSTATUS result) {
    Logger::Instance().Log(Logging::LogLevel::Error, L"Cannot open registry key '" + path + L"': " +
                                                         GetErrorText(static_cast<std::uint32_t>(result)));
}

enum class NameKind { SubKey, Value };

// The names of the key's sub-keys or values, each whole. A name that cannot be read is named
// by a WARNING with its key, and the enumeration goes on with the next.
std::vector<std::wstring> EnumerateNames(const std::wstring& path, DWORD accessFlag, DWORD options, NameKind kind) {
    std::vector<std::wstring> names;
    UniqueRegKey key;
    LSTATUS opened = OpenKey(path, accessFlag, options, key);
    if (opened != ERROR_SUCCESS) {
        LogCannotOpen(path, opened);
        return names;
    }
    const wchar_t* const what = kind == NameKind::SubKey ? L"sub-key" : L"value";
    DWORD longestSubKey = 0, longestValue = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, &longestSubKey, nullptr, nullptr,
                         &longestValue, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        longestSubKey = LongestKeyName;
        longestValue = LongestValueName;
    }
    const std::uint64_t reported = kind == NameKind::SubKey ? longestSubKey : longestValue;
    std::vector<wchar_t> name(
        static_cast<std::size_t>(std::clamp<std::uint64_t>(reported + 1, LongestKeyName + 1, LargestNameBuffer)));
    DWORD index = 0;
    for (;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        LSTATUS result = kind == NameKind::SubKey
                             ? RegEnumKeyExW(key.Get(), index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr)
                             : RegEnumValueW(key.Get(), index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA && name.size() < LargestNameBuffer) {
            // Longer than the key reported: added since. The same index again, with room for it.
            name.resize(std::min<std::size_t>(LargestNameBuffer, name.size() * 2));
            continue;
        }
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS) {
            names.emplace_back(name.data(), nameLength);
        } else {
            Logger::Instance().Log(Logging::Warning, std::wstring(L"A ") + what + L" name of the registry key '" +
                                                         path + L"' cannot be read: " +
                                                         GetErrorText(static_cast<std::uint32_t>(result)));
            if (result != ERROR_MORE_DATA)
                break;  // the key itself went away: every further index would fail alike
        }
        ++index;
    }
    return names;
}

bool KeyExists(const std::wstring& path, RegistryView view, DWORD options, DWORD& errorCode) {
    errorCode = 0;
    if (view == View64 && (IsWindows2000() || !OperatingSystem::Is64BitOperatingSystem()))
        return false;
    UniqueRegKey key;
    LSTATUS opened = OpenKey(path, ViewFlag(view), options, key);
    errorCode = static_cast<DWORD>(opened);
    return opened == ERROR_SUCCESS;
}

} // namespace

RegistryKey::RegistryKey(const std::wstring& path, RegistryView view, RegistryLinks links)
    : path(path), accessFlag(0), openOptions(OpenOptions(links)), view(view) {
    DWORD errorCode = 0;
    if (!KeyExists(path, view, openOptions, errorCode))
        throw ErrorCodeException(errorCode);
    accessFlag = ViewFlag(view);
}

bool RegistryKey::Exists(const std::wstring& path, RegistryView view, DWORD& errorCode) {
    return KeyExists(path, view, 0, errorCode);
}

HKEY RegistryKey::GetRootKey() const {
    return RootKeyOf(path);
}

std::wstring RegistryKey::GetRootName() const {
    return RootNameOf(path);
}

std::wstring RegistryKey::GetSubPath() const {
    return SubPathOf(path);
}

std::vector<std::wstring> RegistryKey::GetSubKeyNames() const {
    return EnumerateNames(path, accessFlag, openOptions, NameKind::SubKey);
}

std::vector<std::wstring> RegistryKey::GetSubKeyPaths() const {
    std::vector<std::wstring> paths;
    for (const std::wstring& name : GetSubKeyNames())
        paths.push_back(path + L"\\" + name);
    return paths;
}

std::vector<RegistryKey> RegistryKey::GetSubKeys() const {
    std::vector<RegistryKey> keys;
    for (const std::wstring& name : GetSubKeyNames())
        keys.emplace_back(path + L"\\" + name, view);
    return keys;
}

std::vector<std::wstring> RegistryKey::GetValueNames() const {
    return EnumerateNames(path, accessFlag, openOptions, NameKind::Value);
}

std::wstring RegistryKey::GetLinkTarget() const {
    UniqueRegKey link;
    if (OpenKey(path, accessFlag, REG_OPTION_OPEN_LINK, link) != ERROR_SUCCESS)
        return std::wstring();
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExW(link.Get(), LinkValueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_LINK)
        return std::wstring();
    std::vector<std::uint8_t> data(size);
    if (RegQueryValueExW(link.Get(), LinkValueName, nullptr, &type, data.empty() ? nullptr : data.data(), &size) !=
            ERROR_SUCCESS ||
        type != REG_LINK)
        return std::wstring();
    return FormatValue(REG_LINK, data.data(), std::min<size_t>(size, data.size()));
}

std::wstring RegistryKey::GetValue(const std::wstring& name, DWORD& type) const {
    UniqueRegKey key;
    LSTATUS result = OpenKey(path, accessFlag, openOptions, key);
    if (result != ERROR_SUCCESS) {
        LogCannotOpen(path, result);
        throw ErrorCodeException(static_cast<std::uint32_t>(result));
    }
    const std::wstring valueText = L"Cannot open registry value '" + name + L"' of the key '" + path + L"': ";

    DWORD size = 0;
    result = RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, &size);
    if (result != ERROR_SUCCESS) {
        // A missing value is an everyday answer; callers catch the exception as "not present".
        Logger::Instance().Log(Logging::LogLevel::Debug, valueText + GetErrorText(static_cast<std::uint32_t>(result)));
        throw ErrorCodeException(static_cast<std::uint32_t>(result));
    }
    std::vector<std::uint8_t> data(size);
    DWORD valueType = REG_NONE;
    result = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &valueType, data.empty() ? nullptr : data.data(), &size);
    if (result != ERROR_SUCCESS) {
        Logger::Instance().Log(Logging::LogLevel::Error, valueText + GetErrorText(static_cast<std::uint32_t>(result)));
        throw ErrorCodeException(static_cast<std::uint32_t>(result));
    }
    type = valueType;
    return FormatValue(valueType, data.data(), std::min<size_t>(size, data.size()));
}

} // namespace Gathrix::System
