#pragma once
// The files directly inside one folder, each as a group of its file properties with the
// version-resource properties folded into a sub-group. The "WindowsStartmenuStartup" element
// makes one per start-up folder.

#include "collector/collectors/files/Directory.h"
#include "collector/collectors/files/FileProperties.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class FileInfosFromDirectory : public ITreeElement {
public:
    // Validates the folder at once; a folder that fails (logged by the validation) leaves the
    // job without one, and it then writes only its caption. Nothing is thrown.
    explicit FileInfosFromDirectory(const std::wstring& path);
    ~FileInfosFromDirectory() override;

    // One "folder" element holding a "file" group per file, newest listed first (the reverse of
    // the listing order).
    void Collect() override;

    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"folder"; }
    // A group per file read by Collect (none before it); the job keeps them.
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    // The validated folder without trailing backslashes, or the path as passed in.
    std::wstring GetValue() const override;

    const std::wstring& GetPath() const { return path; }
    bool HasDirectory() const { return directory != nullptr; }

private:
    static std::unique_ptr<TreeElementGroup> MakeGroup(const FileProperties& file);

    std::wstring path;
    std::unique_ptr<Directory> directory;
    std::vector<std::unique_ptr<FileProperties>> files;
    mutable std::vector<std::unique_ptr<TreeElementGroup>> groups;
};

} // namespace Gathrix
