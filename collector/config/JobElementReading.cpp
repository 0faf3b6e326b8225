#include "collector/config/JobElementReading.h"

#include "collector/config/IConfigPartParser.h"
#include "collector/config/ValidationResult.h"
#include "collector/platform/Variables.h"

#include <tinyxml.h>

namespace Gathrix::ConfigParsing {

bool ValidateChildSequence(const TiXmlElement* element, const std::vector<std::string>& names, bool furtherAllowed,
                           ValidationResult& result) {
    const TiXmlElement* child = element->FirstChildElement();
    for (const std::string& name : names) {
        if (child == nullptr) {
            result.SetMissingElement(name);
            return result.valid;
        }
        if (child->ValueStr() != name) {
            result.SetUnexpectedElement(child, name);
            return result.valid;
        }
        child = child->NextSiblingElement();
    }
    if (!furtherAllowed && child != nullptr)
        result.SetUnexpectedElement(child);
    else
        result.SetValid();
    return result.valid;
}

void ReportAttributesOtherThanReadSubFolders(const TiXmlElement* element, ValidationResult& result) {
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() != "readSubFolders")
            result.SetUnexpectedAttribute(attribute);
}

bool ReadsSubFolders(const TiXmlElement* element) {
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() == "readSubFolders" && attribute->ValueStr() == "true")
            return true;
    return false;
}

PathAndFilter ReadPathAndFilter(const TiXmlElement* element) {
    PathAndFilter read;
    read.readSubFolders = ReadsSubFolders(element);
    const TiXmlElement* path = element->FirstChildElement();
    const TiXmlElement* filter = path ? path->NextSiblingElement() : nullptr;
    read.path = ElementWideText(path);
    read.filter = ElementWideText(filter);
    read.next = filter ? filter->NextSiblingElement() : nullptr;
    return read;
}

int AddJobPerExistingKey(const std::wstring& keyText, IJobItemContainer& container, const RegistryJobMaker& makeJob) {
    int added = 0;
    for (const std::wstring& candidate : System::Variables::Instance().Expand(keyText)) {
        for (System::RegistryView view : {System::View32, System::View64}) {
            DWORD errorCode = 0;
            if (System::RegistryKey::Exists(candidate, view, errorCode)) {
                container.AddJobItem(makeJob(candidate, view).release());
                ++added;
            }
        }
    }
    return added;
}

} // namespace Gathrix::ConfigParsing
