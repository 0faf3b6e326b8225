#pragma once
// The "WindowsEventlog" job element: exactly one child, "EventlogProtocolName", naming the log
// (System, Application, ...). It becomes one event-log job; the name is handed on as written,
// without variables expanded.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

// Valid when the element's only child element is `childName`; text, comments and attributes are
// not examined. Shared by the job elements that name their source in one child element.
bool ValidateSingleChildElement(const TiXmlElement* element, const std::string& childName, ValidationResult& result);

class EventlogParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
