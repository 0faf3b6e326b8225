#include "collector/config/FilePropertiesFromRegistryValueParser.h"

#include "collector/collectors/files/FilePropertiesFromRegistryValue.h"
#include "collector/config/JobElementReading.h"

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
    return ValidateChildSequence(element, {"RegistryKey", "RegistryValueName"}, false, result);
}

void FilePropertiesFromRegistryValueParser::ParseToJobItems(const TiXmlElement* element,
                                                            IJobItemContainer& container,
                                                            const std::string& /*name*/) {
    const TiXmlElement* key = element->FirstChildElement();
    const std::wstring keyText = ElementWideText(key);
    // An empty "RegistryValueName" names the key's default value.
    const std::wstring valueName = ElementWideText(key ? key->NextSiblingElement() : nullptr);

    const auto makeJob = [&](const std::wstring& keyPath, System::RegistryView view) -> std::unique_ptr<IJobItem> {
        return std::make_unique<FilePropertiesFromRegistryValue>(keyPath, valueName, view);
    };
    if (AddJobPerExistingKey(keyText, container, makeJob) == 0)
        container.AddJobItem(
            std::make_unique<TreeElementLeaf>(keyText + L"\\" + valueName, L"regkeywithvalue").release());
}

} // namespace Gathrix::ConfigParsing
