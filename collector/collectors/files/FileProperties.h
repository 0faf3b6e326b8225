#pragma once
// The properties of one existing file: its three times, eleven attribute flags (reported as two
// letter strings), the MD5 digest of its content and, from its version resource, the file and
// product version, twelve version strings and the language. Everything is read once, when the
// object is made; the jobs that report files write it as one tree element.

#include "collector/collectors/files/Version.h"
#include "collector/result/JobModel.h"
#include "common/DateTime.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace Gathrix {

template <class T>
struct NamedProperty {
    T value;
    std::wstring name;  // the label written before the value; empty until read
    bool isSet = false;
};

using FileAttributeFlag = NamedProperty<bool>;
using DateProperty = NamedProperty<DateTime>;
using TextProperty = NamedProperty<std::wstring>;
using VersionProperty = NamedProperty<Version>;

using PropertyList = std::vector<std::pair<std::wstring, std::wstring>>;

// The eleven attribute flags of a file or folder, in the order they are reported.
struct AttributeFlags {
    FileAttributeFlag readOnly, archive, hidden, system, encrypted, compressed, indexed, symbolicLink, offline,
        sparseFile, temporary;

    // Every flag gets its name and its value from the attribute bits.
    void Read(DWORD bits);
    // ("attributes", "[RAHS]") when the first four flags are set, then ("extended attributes",
    // "[ECILOPT]") when the other seven are; "-" stands for a flag that is off.
    void AddProperties(PropertyList& list) const;
};

class FileProperties : public ITreeElement {
public:
    // Reads everything while the caller is in the view the path is to be read in. A value that
    // can't be read is logged and left out; the object is made all the same.
    FileProperties(const std::wstring& path, const std::wstring& basePath);
    ~FileProperties() override = default;

    // One object per existing disk file and view that the path text resolves to, the 32-bit
    // view's first. The caller owns them.
    static std::vector<FileProperties*> CreateForPath(const std::wstring& pathText, const std::wstring& basePath);
    // The files (not folders) a wildcard path matches, in the order the system lists them.
    static std::vector<std::wstring> FindMatchingFiles(const std::wstring& wildcardPath);

    void Collect() override {}
    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override { return L"fileinfo"; }
    // New leaves, one per property, owned by the caller.
    void GetChildren(std::vector<ITreeElement*>& children) const override;
    std::wstring GetValue() const override { return GetCaption(); }

    // The path, less the folder the base path expands to.
    std::wstring GetCaption() const;
    PropertyList GetBasicProperties() const;
    PropertyList GetVersionProperties() const;

    const std::wstring& GetPath() const { return path; }
    VersionProperty GetFileVersion() const { return fileVersion; }

    // Writes the file's element with one leaf per known property.
    void Write();
    void WriteProperty(const std::wstring& label, const std::wstring& value);
    static void WriteInfoLeaf(ITreeElement& element, const std::wstring& text);

    // Takes a file time when both its halves are non-zero. A time the date type refuses is
    // logged as a WARNING and left out; `kind` names what the path is in that line.
    static void SetDateProperty(const FILETIME& time, const std::wstring& label, DateProperty& property,
                                const std::wstring& path, const std::wstring& kind = L"file");

private:
    void ReadAttributes();
    void ReadDigest();
    void ReadVersionInfo();

    DateProperty dateCreated, dateLastModified, dateLastAccess;
    AttributeFlags attributeFlags;
    TextProperty md5;
    VersionProperty fileVersion, productVersion;
    TextProperty language;
    TextProperty versionStrings[12];
    std::wstring path;
    bool attributesRead = false;
    bool versionInfoRead = false;
    std::wstring basePath;
    // Whether the digest saw content that cannot hold a version resource (see ReadVersionInfo).
    bool knownWithoutVersion = false;
    // Why the path's content could not be read at all (it opens a device): an error leaf.
    std::wstring readFailure;
};

} // namespace Gathrix
