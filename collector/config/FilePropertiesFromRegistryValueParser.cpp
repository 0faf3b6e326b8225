#include "collector/config/FilePropertiesFromRegistryValueParser.h"

#include "collector/collectors/files/FilePropertiesFromRegistryValue.h"
#include "collector/config/ValidationResult.h"
#include "collector/platform/Variables.h"
#include "common/Registry.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap FilePropertiesFromRegistryValueParser::GetDelegates() {
    DelegateMap delegates;
    delegates["FilePropertiesFromRegistryValue"] =
        MakeJobItemsDelegate(this, &FilePropertiesFromRegistryValueParser::Validate,
                             &FilePropertiesFromRegistryValueParser::ParseToJobItems);
    return delegates;
}

bool FilePropertiesFromRegistryValueParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* key = element->FirstChildElement();
    if (key == nullptr) {
        result.SetMissingElement("RegistryKey");
        return result.valid;
    }
    if (key->ValueStr() != "RegistryKey") {
        result.SetUnexpectedElement(key, "RegistryKey");
        return result.valid;
    }
    const TiXmlElement* valueName = key->NextSiblingElement();
    if (valueName == nullptr)
        result.SetMissingElement("RegistryValueName");
    else if (valueName->ValueStr() != "RegistryValueName")
        result.SetUnexpectedElement(valueName, "RegistryValueName");
    else if (const TiXmlElement* third = valueName->NextSiblingElement())
        result.SetUnexpectedElement(third);
    else
        result.SetValid();
    return result.valid;
}

void FilePropertiesFromRegistryValueParser::ParseToJobItems(const TiXmlElement* element,
                                                            IJobItemContainer& container,
                                                            const std::string& /*name*/) {
    const TiXmlElement* key = element->FirstChildElement();
    const std::wstring keyText = ElementWideText(key);
    // An empty "RegistryValueName" names the key's default value.
    const std::wstring valueName = ElementWideText(key ? key->NextSiblingElement() : nullptr);

    int added = 0;
    for (const std::wstring& candidate : System::Variables::Instance().Expand(keyText)) {
        for (System::RegistryView view : {System::View32, System::View64}) {
            DWORD errorCode = 0;
            if (System::RegistryKey::Exists(candidate, view, errorCode)) {
                container.AddJobItem(
                    std::make_unique<FilePropertiesFromRegistryValue>(candidate, valueName, view).release());
                ++added;
            }
        }
    }
    if (added == 0)
        container.AddJobItem(
            std::make_unique<TreeElementLeaf>(keyText + L"\\" + valueName, L"regkeywithvalue").release());
}

} // namespace Gathrix::ConfigParsing
