#include "collector/config/RunningProcessesParser.h"

#include "collector/collectors/processes/RunningProcesses.h"
#include "collector/config/ValidationResult.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap RunningProcessesParser::GetDelegates() {
    DelegateMap delegates;
    delegates["RunningProcesses"] =
        MakeJobItemsDelegate(this, &RunningProcessesParser::Validate, &RunningProcessesParser::ParseToJobItems);
    return delegates;
}

bool RunningProcessesParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    if (element->FirstAttribute() == nullptr) {
        result.SetMissingAttribute("type");
        return result.valid;
    }
    // Unlike most elements, a stray attribute here stands as the verdict: nothing declares the
    // element valid afterwards, and a valid one is not logged as such.
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() != "type")
            result.SetUnexpectedAttribute(attribute);
    if (const TiXmlElement* child = element->FirstChildElement())
        result.SetUnexpectedElement(child);
    return result.valid;
}

void RunningProcessesParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                             const std::string& /*name*/) {
    int bitness = 0;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (attribute->NameTStr() != "type")
            continue;
        if (attribute->ValueStr() == "32")
            bitness = 32;
        else if (attribute->ValueStr() == "64")
            bitness = 64;
        else
            bitness = 0;
    }
    if (bitness == 0)
        return;
    auto job = std::make_unique<RunningProcesses>(bitness == 64 ? 1 : 0);
    container.AddJobItem(job.release());
}

} // namespace Gathrix::ConfigParsing
