#include "collector/config/DirectoryInfosParser.h"

#include "collector/collectors/files/DirectoryInfos.h"
#include "collector/config/JobElementReading.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap DirectoryInfosParser::GetDelegates() {
    DelegateMap delegates;
    delegates["DirectoryInfos"] =
        MakeJobItemsDelegate(this, &DirectoryInfosParser::Validate, &DirectoryInfosParser::ParseToJobItems);
    return delegates;
}

bool DirectoryInfosParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    ReportAttributesOtherThanReadSubFolders(element, result);
    return ValidateChildSequence(element, {"Path"}, false, result);
}

void DirectoryInfosParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                           const std::string& /*name*/) {
    // An empty "Path" gives an empty path, which names no folder.
    container.AddJobItem(std::make_unique<DirectoryInfos>(ElementWideText(element->FirstChildElement()),
                                                          ReadsSubFolders(element))
                             .release());
}

} // namespace Gathrix::ConfigParsing
