#pragma once
// The "EnvironmentVariables" job element: no children, no settings; one environment job each.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class EnvironmentVariablesParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
