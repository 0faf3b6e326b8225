#pragma once
// The "QuellonEventDb" job element: exactly one child, "EventDbPluginPath", the folder of the
// maker's event-database plug-ins (variables allowed). It becomes one export job per expansion
// candidate of that folder.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class QuellonEventDbParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
