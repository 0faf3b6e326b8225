#pragma once
// The "Logfile" job element: attributes "grouped" (on only for "true") and "minlevel" (a decimal
// number, read as sscanf's "%d" reads it; 0 without one), no child element. It becomes one
// log-file job.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class LogfileParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
