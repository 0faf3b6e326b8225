#include "collector/collectors/files/DirectoryInfos.h"

#include "collector/collectors/files/FindFiles.h"
#include "collector/platform/FileAccess.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>

namespace Gathrix {

DirectoryInfo::DirectoryInfo(const std::wstring& path)
    : dateCreated{DateTime::NowUtc(), L"", false},
      dateLastModified(dateCreated),
      dateLastAccess(dateCreated),
      path(path) {
    ReadAttributes();
}

void DirectoryInfo::ReadAttributes() {
    if (attributesRead)
        return;
    attributesRead = true;

    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Utils::ReadFileAttributeData(path, data)) {
        const DWORD error = GetLastError();
        Logging::Logger::Instance().Log(Logging::Warning, L"Cannot get file attributes from directory '" + path +
                                                              L"': " + System::GetErrorText(error));
        return;
    }
    FileProperties::SetDateProperty(data.ftCreationTime, L"date created", dateCreated, path, L"directory");
    FileProperties::SetDateProperty(data.ftLastAccessTime, L"date last access", dateLastAccess, path, L"directory");
    FileProperties::SetDateProperty(data.ftLastWriteTime, L"date last modified", dateLastModified, path,
                                    L"directory");
    attributeFlags.Read(data.dwFileAttributes);
}

PropertyList DirectoryInfo::GetProperties() const {
    PropertyList list;
    for (const DateProperty* date : {&dateCreated, &dateLastModified, &dateLastAccess})
        if (date->isSet)
            list.emplace_back(date->name, date->value.ToString());
    attributeFlags.AddProperties(list);
    return list;
}

void DirectoryInfo::GetChildren(std::vector<ITreeElement*>& children) const {
    for (const auto& [name, value] : GetProperties())
        children.push_back(new TreeElementLeaf(name + L": " + value, L"fileinfo"));
}

void DirectoryInfo::Write() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());
    for (const auto& [name, value] : GetProperties())
        if (!name.empty() && !value.empty())
            FileProperties::WriteInfoLeaf(*this, name + L": " + value);
    writer->CloseNode();
}

DirectoryInfos::DirectoryInfos(const std::wstring& path, bool readSubFolders)
    : path(path), readSubFolders(readSubFolders) {}

DirectoryInfos::~DirectoryInfos() = default;

void DirectoryInfos::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void DirectoryInfos::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());
    for (auto& folder : FindDirectories(path, readSubFolders)) {
        folder.EnterView();
        DirectoryInfo info(folder.GetPath());
        folder.LeaveView();
        info.writer = writer;
        info.Write();
    }
    writer->CloseNode();
}

} // namespace Gathrix
