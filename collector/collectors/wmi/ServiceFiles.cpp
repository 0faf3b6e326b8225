#include "collector/collectors/wmi/ServiceFiles.h"

#include "collector/collectors/files/FileProperties.h"
#include "collector/collectors/wmi/WmiJob.h"

#include <memory>
#include <vector>

namespace Gathrix {

void WriteServiceFiles(ResultFileWriter& writer, const std::wstring& pathText) {
    std::vector<std::unique_ptr<FileProperties>> files;
    for (FileProperties* file : FileProperties::CreateForPath(pathText, std::wstring()))
        files.emplace_back(file);
    if (files.empty()) {
        WriteLeaf(writer, L"Path: " + pathText, L"serviceinfo");
        return;
    }
    for (const auto& file : files) {
        file->writer = &writer;
        file->Write();
    }
}

} // namespace Gathrix
