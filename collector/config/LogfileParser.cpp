#include "collector/config/LogfileParser.h"

#include "collector/collectors/files/LogFile.h"
#include "collector/config/ValidationResult.h"

#include <cstdio>
#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap LogfileParser::GetDelegates() {
    DelegateMap delegates;
    delegates["Logfile"] = MakeJobItemsDelegate(this, &LogfileParser::Validate, &LogfileParser::ParseToJobItems);
    return delegates;
}

bool LogfileParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    // Another attribute is reported; only a child element makes the element invalid.
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() != "grouped" && attribute->NameTStr() != "minlevel")
            result.SetUnexpectedAttribute(attribute);
    if (const TiXmlElement* child = element->FirstChildElement())
        result.SetUnexpectedElement(child);
    else
        result.SetValid();
    return result.valid;
}

void LogfileParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                    const std::string& /*name*/) {
    bool grouped = false;
    int minLevel = 0;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (attribute->NameTStr() == "grouped" && attribute->ValueStr() == "true")
            grouped = true;
        else if (attribute->NameTStr() == "minlevel")
            std::sscanf(attribute->Value(), "%d", &minLevel);  // "2abc" is 2; "abc" leaves the level
    }
    container.AddJobItem(std::make_unique<LogFile>(grouped, minLevel).release());
}

} // namespace Gathrix::ConfigParsing
