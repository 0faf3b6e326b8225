#include "collector/config/FilePropertiesFromRegistryKeyParser.h"

#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"
#include "collector/config/ValidationResult.h"
#include "collector/platform/Variables.h"
#include "common/Registry.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap FilePropertiesFromRegistryKeyParser::GetDelegates() {
    DelegateMap delegates;
    delegates["FilePropertiesFromRegistryKey"] =
        MakeJobItemsDelegate(this, &FilePropertiesFromRegistryKeyParser::Validate,
                             &FilePropertiesFromRegistryKeyParser::ParseToJobItems);
    return delegates;
}

bool FilePropertiesFromRegistryKeyParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* key = element->FirstChildElement();
    if (key == nullptr)
        result.SetMissingElement("RegistryKey");
    else if (key->ValueStr() != "RegistryKey")
        result.SetUnexpectedElement(key, "RegistryKey");
    else if (const TiXmlElement* second = key->NextSiblingElement())
        result.SetUnexpectedElement(second);
    else
        result.SetValid();
    return result.valid;
}

void FilePropertiesFromRegistryKeyParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                                          const std::string& /*name*/) {
    // An empty "RegistryKey" names no key: it ends as the leaf below, with an empty caption.
    const std::wstring keyText = ElementWideText(element->FirstChildElement());
    const char* flag = element->Attribute("readSubkeys");
    const bool readSubkeys = flag != nullptr && std::string(flag) == "true";

    int added = 0;
    for (const std::wstring& candidate : System::Variables::Instance().Expand(keyText)) {
        for (System::RegistryView view : {System::View32, System::View64}) {
            DWORD errorCode = 0;
            if (System::RegistryKey::Exists(candidate, view, errorCode)) {
                container.AddJobItem(
                    std::make_unique<FilePropertiesFromRegistryKey>(candidate, view, readSubkeys).release());
                ++added;
            }
        }
    }
    if (added == 0)
        container.AddJobItem(std::make_unique<TreeElementLeaf>(keyText, L"regkey").release());
}

} // namespace Gathrix::ConfigParsing
