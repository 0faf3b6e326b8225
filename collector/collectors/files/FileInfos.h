#pragma once
// The "FileInfos" job: the file properties of every file that a folder path (variables allowed,
// a wildcard in its last part) and a file-name filter select, optionally in all sub-folders, in
// both file-system views of a 64-bit Windows.

#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class FileInfos : public ITreeElement {
public:
    FileInfos(const std::wstring& path, const std::wstring& filter, bool readSubFolders);
    ~FileInfos() override;

    // One element captioned with the folder and filter, holding one element per matching file.
    // Files are read one at a time and written at once: only the list of paths is held.
    void Collect() override;

    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"fileinfo"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override;

    const std::wstring& GetPath() const { return path; }
    const std::wstring& GetFilter() const { return filter; }
    bool GetReadSubFolders() const { return readSubFolders; }

private:
    std::wstring path;
    std::wstring filter;
    bool readSubFolders;
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
