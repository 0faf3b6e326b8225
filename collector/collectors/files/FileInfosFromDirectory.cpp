#include "collector/collectors/files/FileInfosFromDirectory.h"

#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"

namespace Gathrix {

FileInfosFromDirectory::FileInfosFromDirectory(const std::wstring& path)
    : path(path), directory(std::make_unique<Directory>(path)) {
    try {
        directory->Validate();
    } catch (const DirectoryException&) {
        directory.reset();
    }
}

FileInfosFromDirectory::~FileInfosFromDirectory() = default;

std::wstring FileInfosFromDirectory::GetValue() const {
    return directory ? directory->GetResolvedPath() : path;
}

std::unique_ptr<TreeElementGroup> FileInfosFromDirectory::MakeGroup(const FileProperties& file) {
    auto group = std::make_unique<TreeElementGroup>(file.GetValue(), L"file", false);
    for (const auto& [name, value] : file.GetBasicProperties())
        group->AddJobItem(new TreeElementLeaf(name + L": " + value, L"fileinfo"));
    const PropertyList version = file.GetVersionProperties();
    if (!version.empty()) {
        auto more = std::make_unique<TreeElementGroup>(L"...more infos", L"fileinfo", false);
        for (const auto& [name, value] : version)
            more->AddJobItem(new TreeElementLeaf(name + L": " + value, L"fileinfo"));
        group->AddJobItem(more.release());
    }
    return group;
}

void FileInfosFromDirectory::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& file : files) {
        groups.push_back(MakeGroup(*file));
        list.push_back(groups.back().get());
    }
}

void FileInfosFromDirectory::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());
    if (directory) {
        directory->GetFiles(files, path + L"\\*.*");
        for (const auto& file : files)
            groups.push_back(MakeGroup(*file));
        for (const auto& group : groups) {
            group->writer = writer;
            group->Collect();
        }
    }
    writer->CloseNode();
}

} // namespace Gathrix
