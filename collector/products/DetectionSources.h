#pragma once
// Registry, build.dat, folder and version reads of the product detectors. Every expected
// absence (key, value, file, folder) becomes an empty text; nothing here ends the run.

#include <string>

namespace Gathrix::Quellon {

// Under it one key per product type ("Workstation", "Server") with one sub-key holding the
// values "Name" and "MasterKey".
extern const std::wstring CrossDetectionBaseKey;

struct VersionNumbers {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

// True only when the text holds all four numbers ("%d.%d.%d.%d"); a missing part is never
// taken as 0.
bool ParseVersion(const std::wstring& text, VersionNumbers& numbers);
// Negative, zero or positive as a is below, equal to or above b; major number first.
int CompareVersions(const VersionNumbers& a, const VersionNumbers& b);
// "%d.%d.%d.%d"; so "15.00.9.0" reads back as "15.0.9.0".
std::wstring FormatVersion(int major, int minor, int build, int revision);

// Versions from this one on are reported by QuellonAlvar, older ones by QuellonBerex.
extern const VersionNumbers MinimumNewVersion;

// A value of a key found in the 32-bit view, else in the 64-bit view; empty when the key is in
// neither or the value can't be read (logged at DEBUG).
std::wstring ReadRegistryString(const std::wstring& keyPath, const std::wstring& valueName);
// The key opens in the 32-bit view or, failing that, in the 64-bit view.
bool RegistryKeyExists(const std::wstring& keyPath);
// The key opens in the 32-bit view alone.
bool RegistryKeyExists32(const std::wstring& keyPath);

// The first expansion candidate of the pattern that is an existing folder, else empty.
std::wstring FirstExistingDirectory(const std::wstring& pattern);
// The first expansion candidate of the pattern, used as it is (not tested).
std::wstring FirstCandidate(const std::wstring& pattern);
bool IsExistingDirectory(const std::wstring& path);
// A shell folder's default location (SHGFP_TYPE_DEFAULT); empty when the shell can't say.
std::wstring ShellFolder(int csidl);
// Removes exactly one trailing "\".
std::wstring WithoutTrailingSeparator(std::wstring path);

// build.dat in the folder, section "BUILD". An empty folder gives empty text silently; a missing
// file, section or key or an empty value logs a WARNING and gives empty text.
std::wstring ReadBuildDat(std::wstring folder, const std::wstring& section, const std::wstring& key);
std::wstring ReadBuildDatProductVersion(const std::wstring& folder);
std::wstring ReadBuildDatLanguage(const std::wstring& folder);

// The four parts of the file version of a file; 0.0.0.0 for a file without one.
VersionNumbers ReadFileVersionNumbers(const std::wstring& path);

// A product's own registry key, read in the 32-bit view.
class ProductRegistryKey {
public:
    explicit ProductRegistryKey(const std::wstring& keyPath);

    // Empty text, with a DEBUG line, when the key or the value can't be read.
    std::wstring ReadValue(const std::wstring& valueName) const;

    std::wstring keyPath;
    std::wstring installDirValueName = L"Path";
    std::wstring appDataValueName = L"AppDataDirectory";
};

// One product type's key under CrossDetectionBaseKey, read in the 32-bit view. Name and master
// key are read once and remembered, failures too.
class CrossDetectionKey {
public:
    explicit CrossDetectionKey(const std::wstring& productType);

    // The value of the first sub-key; empty text, with a DEBUG line, when there is none or it
    // can't be read; a WARNING when there are several.
    std::wstring ReadValue(const std::wstring& valueName) const;
    // "HKLM\" + the "MasterKey" value, or empty text when that is empty.
    std::wstring MasterKey();
    std::wstring Name();

    const std::wstring& KeyPath() const { return keyPath; }

private:
    std::wstring keyPath;
    std::wstring masterKey;
    bool masterKeyRead = false;
    std::wstring name;
    bool nameRead = false;
};

} // namespace Gathrix::Quellon
