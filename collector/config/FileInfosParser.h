#pragma once
// The "FileInfos" job element: attribute "readSubFolders", then exactly a "Path" and a "Filter".
// It becomes one file-information job; path and filter are handed on as written (the job
// resolves variables and both file-system views).

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class FileInfosParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
