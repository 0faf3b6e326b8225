#include "collector/config/IConfigPartParser.h"

#include "collector/config/ValidationResult.h"

namespace Gathrix::ConfigParsing {

namespace {

void LogNotRegistered(const std::string& name, const char* route) {
    Logging::Logger::Error("Delegation Parser for " + name + " is not set (" + route + ").");
}

} // namespace

TopLevelEntityPtr IConfigPartParser::DelegateParseToTopLevelEntity(const TiXmlElement* element,
                                                                   const ActiveNavigation& navigation,
                                                                   const std::string& name) {
    if (delegationParser == nullptr) {
        LogNotRegistered(name, "DelegateParseToTopLevelEntity");
        return nullptr;
    }
    return delegationParser->DelegateParseToTopLevelEntity(element, navigation, name);
}

TopLevelEntityList IConfigPartParser::DelegateParseToTopLevelEntities(const TiXmlElement* element,
                                                                      const ActiveNavigation& navigation,
                                                                      const std::string& name) {
    if (delegationParser == nullptr) {
        LogNotRegistered(name, "DelegateParseToTopLevelEntities");
        return {};
    }
    return delegationParser->DelegateParseToTopLevelEntities(element, navigation, name);
}

void IConfigPartParser::DelegateParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                                const std::string& name) {
    if (delegationParser == nullptr) {
        LogNotRegistered(name, "DelegateParseToJobItems");
        return;
    }
    delegationParser->DelegateParseToJobItems(element, container, name);
}

bool IConfigPartParser::ValidateNoChildElements(const TiXmlElement* element, ValidationResult& result) {
    return ConfigParsing::ValidateNoChildElements(element, result);
}

bool ValidateNoChildElements(const TiXmlElement* element, ValidationResult& result) {
    if (const TiXmlElement* child = element->FirstChildElement())
        result.SetUnexpectedElement(child);
    else
        result.SetValid();
    return result.valid;
}

std::string ElementText(const TiXmlElement* element) {
    const char* text = element != nullptr ? element->GetText() : nullptr;
    return text != nullptr ? std::string(text) : std::string();
}

std::wstring ElementWideText(const TiXmlElement* element) {
    return Utils::FromUtf8(ElementText(element));
}

} // namespace Gathrix::ConfigParsing
