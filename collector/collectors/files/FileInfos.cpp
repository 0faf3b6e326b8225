#include "collector/collectors/files/FileInfos.h"

#include "collector/collectors/files/FileProperties.h"
#include "collector/collectors/files/FindFiles.h"
#include "collector/platform/Variables.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Text.h"

namespace Gathrix {

FileInfos::FileInfos(const std::wstring& path, const std::wstring& filter, bool readSubFolders)
    : path(path), filter(filter), readSubFolders(readSubFolders) {}

FileInfos::~FileInfos() = default;

void FileInfos::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

std::wstring FileInfos::GetValue() const {
    std::wstring folder = System::Variables::Instance().ExpandDirectory(path);
    if (folder.empty())
        folder = path;
    Utils::NormalizeBackslashes(folder);
    return L"found file information of " + folder + filter;
}

void FileInfos::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());

    for (auto& file : FindFiles(path, filter, readSubFolders)) {
        file.EnterView();
        FileProperties properties(file.GetPath(), path);
        file.LeaveView();
        properties.writer = writer;
        properties.Write();
    }

    writer->CloseNode();
}

} // namespace Gathrix
