#include "collector/config/FileInfosParser.h"

#include "collector/collectors/files/FileInfos.h"
#include "collector/config/JobElementReading.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap FileInfosParser::GetDelegates() {
    DelegateMap delegates;
    delegates["FileInfos"] = MakeJobItemsDelegate(this, &FileInfosParser::Validate, &FileInfosParser::ParseToJobItems);
    return delegates;
}

bool FileInfosParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    ReportAttributesOtherThanReadSubFolders(element, result);
    return ValidateChildSequence(element, {"Path", "Filter"}, false, result);
}

void FileInfosParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                      const std::string& /*name*/) {
    const PathAndFilter read = ReadPathAndFilter(element);
    container.AddJobItem(std::make_unique<FileInfos>(read.path, read.filter, read.readSubFolders).release());
}

} // namespace Gathrix::ConfigParsing
