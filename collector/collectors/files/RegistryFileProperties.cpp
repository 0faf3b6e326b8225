#include "collector/collectors/files/RegistryFileProperties.h"

#include "collector/collectors/files/FileProperties.h"

#include <memory>
#include <vector>

namespace Gathrix {

void WriteFilePropertiesNamedBy(const std::wstring& pathText, ResultFileWriter* writer) {
    std::vector<std::unique_ptr<FileProperties>> files;
    for (FileProperties* file : FileProperties::CreateForPath(pathText, std::wstring()))
        files.emplace_back(file);
    for (auto& file : files) {
        file->writer = writer;
        file->Write();
    }
}

} // namespace Gathrix
