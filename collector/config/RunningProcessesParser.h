#pragma once
// The "RunningProcesses" job element: no child elements, one required attribute "type", "32" for
// the 32-bit processes or "64" for the 64-bit ones. It becomes one running-processes job; any
// other "type" value passes validation and silently yields no job.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class RunningProcessesParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
