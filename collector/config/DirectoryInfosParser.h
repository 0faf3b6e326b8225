#pragma once
// The "DirectoryInfos" job element: attribute "readSubFolders" (on only for "true"), exactly one
// "Path" child. It becomes one folder-information job with the path as written (the job expands
// variables).

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class DirectoryInfosParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
