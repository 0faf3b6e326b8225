#pragma once
// The "DirectoryInfos" job: for every folder a path names (variables allowed, a wildcard in its
// last part), optionally with every folder below it, in both file-system views of a 64-bit
// Windows, the folder's three times and its attribute flags. Each folder is a DirectoryInfo, the
// folder counterpart of a file's properties, written with the same leaves.

#include "collector/collectors/files/FileProperties.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class DirectoryInfo : public ITreeElement {
public:
    // Reads the folder's times and flags at once, in the view the caller has entered.
    explicit DirectoryInfo(const std::wstring& path);

    // Written by its owner through Write.
    void Collect() override {}
    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override { return L"directoryinfo"; }
    // New "fileinfo" leaves, one per property, owned by the caller.
    void GetChildren(std::vector<ITreeElement*>& children) const override;
    std::wstring GetValue() const override { return path; }

    // Reads once. A folder whose attributes can't be read is logged as a WARNING and gets no
    // property; a time the date type refuses is logged and left out.
    void ReadAttributes();
    // The dates (created, last modified, last access) that were read, then "attributes" and
    // "extended attributes".
    PropertyList GetProperties() const;
    // One "directoryinfo" element captioned with the path, holding one leaf per property.
    void Write();

private:
    DateProperty dateCreated, dateLastModified, dateLastAccess;
    AttributeFlags attributeFlags;
    std::wstring path;
    bool attributesRead = false;
};

class DirectoryInfos : public ITreeElement {
public:
    DirectoryInfos(const std::wstring& path, bool readSubFolders);
    ~DirectoryInfos() override;

    // One element captioned with the path as written, holding one element per folder found.
    void Collect() override;

    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"directoryinfo"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    // "found directory information of " + the path as configured (nothing expanded).
    std::wstring GetValue() const override { return L"found directory information of " + path; }

    const std::wstring& GetPath() const { return path; }
    bool GetReadSubFolders() const { return readSubFolders; }

private:
    std::wstring path;
    bool readSubFolders;
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
