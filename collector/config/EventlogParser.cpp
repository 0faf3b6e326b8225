#include "collector/config/EventlogParser.h"

#include "collector/collectors/eventlogs/EventlogInfo.h"
#include "collector/config/JobElementReading.h"

#include <memory>

namespace Gathrix::ConfigParsing {

bool ValidateSingleChildElement(const TiXmlElement* element, const std::string& childName, ValidationResult& result) {
    return ValidateChildSequence(element, {childName}, false, result);
}

DelegateMap EventlogParser::GetDelegates() {
    DelegateMap delegates;
    delegates["WindowsEventlog"] =
        MakeJobItemsDelegate(this, &EventlogParser::Validate, &EventlogParser::ParseToJobItems);
    return delegates;
}

bool EventlogParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    return ValidateSingleChildElement(element, "EventlogProtocolName", result);
}

void EventlogParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                     const std::string& /*name*/) {
    // Validation made sure the child is there; an empty one, or one that begins with a comment,
    // gives an empty name, which names no log.
    const TiXmlElement* child = element->FirstChildElement();
    auto job = std::make_unique<EventlogInfo>(child ? ElementWideText(child) : std::wstring());
    container.AddJobItem(job.release());
}

} // namespace Gathrix::ConfigParsing
