#include "collector/products/DetectionSources.h"

#include "collector/platform/Directories.h"
#include "collector/platform/Variables.h"
#include "common/Exceptions.h"
#include "common/Logging.h"
#include "common/Registry.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

namespace Gathrix::Quellon {

namespace {

using System::RegistryKey;
using System::RegistryView;

// Whether the key opens in the view; the open's error code when it does not.
bool KeyExists(const std::wstring& keyPath, RegistryView view, DWORD& errorCode) {
    return RegistryKey::Exists(keyPath, view, errorCode);
}

bool KeyExists(const std::wstring& keyPath, RegistryView view) {
    DWORD ignored = 0;
    return RegistryKey::Exists(keyPath, view, ignored);
}

std::wstring ReadValueOf(const RegistryKey& key, const std::wstring& valueName) {
    DWORD type = 0;
    return key.GetValue(valueName, type);
}

void LogDebug(const std::wstring& message) {
    Logging::Logger::Instance().Log(Logging::Debug, message);
}

VersionNumbers ParseThreshold() {
    VersionNumbers threshold;
    ParseVersion(L"15.0.9.0", threshold);
    return threshold;
}

} // namespace

const std::wstring CrossDetectionBaseKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\X-QXCSD";
const VersionNumbers MinimumNewVersion = ParseThreshold();

bool ParseVersion(const std::wstring& text, VersionNumbers& numbers) {
    VersionNumbers read;
    if (std::swscanf(text.c_str(), L"%d.%d.%d.%d", &read.major, &read.minor, &read.build, &read.revision) != 4)
        return false;
    numbers = read;
    return true;
}

int CompareVersions(const VersionNumbers& a, const VersionNumbers& b) {
    const int left[] = {a.major, a.minor, a.build, a.revision};
    const int right[] = {b.major, b.minor, b.build, b.revision};
    for (int i = 0; i < 4; ++i) {
        if (left[i] != right[i])
            return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}

std::wstring FormatVersion(int major, int minor, int build, int revision) {
    wchar_t buffer[50] = {};
    if (std::swprintf(buffer, 50, L"%d.%d.%d.%d", major, minor, build, revision) < 0)
        return {};
    return buffer;
}

std::wstring ReadRegistryString(const std::wstring& keyPath, const std::wstring& valueName) {
    RegistryView view;
    if (KeyExists(keyPath, RegistryView::View32))
        view = RegistryView::View32;
    else if (KeyExists(keyPath, RegistryView::View64))
        view = RegistryView::View64;
    else
        return {};
    // A key without the value (or one that vanishes meanwhile) means the product is not
    // (completely) there: it must not end the run.
    try {
        return ReadValueOf(RegistryKey(keyPath, view), valueName);
    } catch (const ErrorCodeException& failure) {
        LogDebug(L"The value '" + valueName + L"' could not be opened at '" + keyPath + L"': " +
                 failure.GetMessageText());
        return {};
    }
}

bool RegistryKeyExists(const std::wstring& keyPath) {
    return KeyExists(keyPath, RegistryView::View32) || KeyExists(keyPath, RegistryView::View64);
}

bool RegistryKeyExists32(const std::wstring& keyPath) {
    return KeyExists(keyPath, RegistryView::View32);
}

bool IsExistingDirectory(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring FirstExistingDirectory(const std::wstring& pattern) {
    for (const std::wstring& candidate : System::Variables::Instance().Expand(pattern)) {
        if (IsExistingDirectory(candidate))
            return candidate;
    }
    return {};
}

std::wstring FirstCandidate(const std::wstring& pattern) {
    std::vector<std::wstring> candidates = System::Variables::Instance().Expand(pattern);
    return candidates.empty() ? pattern : candidates.front();
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer)))
        return {};
    return buffer;
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring ReadBuildDat(std::wstring folder, const std::wstring& section, const std::wstring& key) {
    if (folder.empty())
        return {};
    if (folder.back() != L'\\')
        folder += L'\\';
    std::wstring file = folder + L"build.dat";
    wchar_t buffer[260] = {};
    DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 260, file.c_str());
    if (length == 0) {
        Logging::Logger::Instance().Log(Logging::Warning, L"Unable to read '" + key + L"' in section '" + section +
                                                              L"' from build.dat '" + file + L"'.");
        return {};
    }
    return buffer;
}

std::wstring ReadBuildDatProductVersion(const std::wstring& folder) {
    return ReadBuildDat(folder, L"BUILD", L"ProductVersion");
}

std::wstring ReadBuildDatLanguage(const std::wstring& folder) {
    return ReadBuildDat(folder, L"BUILD", L"Language");
}

VersionNumbers ReadFileVersionNumbers(const std::wstring& path) {
    DWORD major = 0, minor = 0, build = 0, revision = 0;
    System::GetFileVersion(path.c_str(), major, minor, build, revision);
    VersionNumbers numbers;
    numbers.major = static_cast<int>(major);
    numbers.minor = static_cast<int>(minor);
    numbers.build = static_cast<int>(build);
    numbers.revision = static_cast<int>(revision);
    return numbers;
}

ProductRegistryKey::ProductRegistryKey(const std::wstring& keyPath) : keyPath(keyPath) {}

std::wstring ProductRegistryKey::ReadValue(const std::wstring& valueName) const {
    try {
        DWORD errorCode = 0;
        if (!KeyExists(keyPath, RegistryView::View32, errorCode))
            throw ErrorCodeException(errorCode);
        return ReadValueOf(RegistryKey(keyPath, RegistryView::View32), valueName);
    } catch (const ErrorCodeException& failure) {
        LogDebug(L"The value '" + valueName + L"' could not be opened at '" + keyPath + L"': " +
                 failure.GetMessageText());
        return {};
    }
}

CrossDetectionKey::CrossDetectionKey(const std::wstring& productType)
    : keyPath(CrossDetectionBaseKey + L"\\" + productType) {}

std::wstring CrossDetectionKey::ReadValue(const std::wstring& valueName) const {
    try {
        DWORD errorCode = 0;
        if (!KeyExists(keyPath, RegistryView::View32, errorCode))
            throw ErrorCodeException(errorCode);
        // A sub-key that can't be opened is as good as none: caught below like the rest.
        std::vector<RegistryKey> subKeys = RegistryKey(keyPath, RegistryView::View32).GetSubKeys();
        if (subKeys.empty()) {
            LogDebug(L"There are no registry subkeys of '" + keyPath + L"'.");
            return {};
        }
        if (subKeys.size() > 1) {
            Logging::Logger::Instance().Log(Logging::Warning,
                                            L"There are more than one registry subkey of '" + keyPath + L"'.");
        }
        return ReadValueOf(subKeys.front(), valueName);
    } catch (const ErrorCodeException& failure) {
        LogDebug(L"The cross detection key '" + keyPath + L"' could not be opened: " + failure.GetMessageText());
        return {};
    }
}

std::wstring CrossDetectionKey::MasterKey() {
    if (!masterKeyRead) {
        std::wstring value = ReadValue(L"MasterKey");
        masterKey = value.empty() ? std::wstring() : L"HKLM\\" + value;
        masterKeyRead = true;
    }
    return masterKey;
}

std::wstring CrossDetectionKey::Name() {
    if (!nameRead) {
        nameRead = true;
        name = ReadValue(L"Name");
    }
    return name;
}

} // namespace Gathrix::Quellon
