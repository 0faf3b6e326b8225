#include "collector/config/QuellonEventDbParser.h"

#include "collector/collectors/eventdatabase/QuellonEventDatabase.h"
#include "collector/config/EventlogParser.h"
#include "collector/config/ValidationResult.h"
#include "collector/platform/Variables.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap QuellonEventDbParser::GetDelegates() {
    DelegateMap delegates;
    delegates["QuellonEventDb"] =
        MakeJobItemsDelegate(this, &QuellonEventDbParser::Validate, &QuellonEventDbParser::ParseToJobItems);
    return delegates;
}

bool QuellonEventDbParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    return ValidateSingleChildElement(element, "EventDbPluginPath", result);
}

void QuellonEventDbParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                           const std::string& /*name*/) {
    // Validation made sure the child is there; an empty one gives an empty folder, whose plug-ins
    // the job does not find.
    const TiXmlElement* child = element->FirstChildElement();
    const std::wstring folder = child ? ElementWideText(child) : std::wstring();
    for (const std::wstring& candidate : System::Variables::Instance().Expand(folder)) {
        auto job = std::make_unique<QuellonEventDatabase>(candidate);
        container.AddJobItem(job.release());
    }
}

} // namespace Gathrix::ConfigParsing
