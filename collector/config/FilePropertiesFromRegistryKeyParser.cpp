#include "collector/config/FilePropertiesFromRegistryKeyParser.h"

#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"
#include "collector/config/JobElementReading.h"

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
    return ValidateChildSequence(element, {"RegistryKey"}, false, result);
}

void FilePropertiesFromRegistryKeyParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                                          const std::string& /*name*/) {
    // An empty "RegistryKey" names no key: it ends as the leaf below, with an empty caption.
    const std::wstring keyText = ElementWideText(element->FirstChildElement());
    const char* flag = element->Attribute("readSubkeys");
    const bool readSubkeys = flag != nullptr && std::string(flag) == "true";

    const auto makeJob = [&](const std::wstring& keyPath, System::RegistryView view) -> std::unique_ptr<IJobItem> {
        return std::make_unique<FilePropertiesFromRegistryKey>(keyPath, view, readSubkeys);
    };
    if (AddJobPerExistingKey(keyText, container, makeJob) == 0)
        container.AddJobItem(std::make_unique<TreeElementLeaf>(keyText, L"regkey").release());
}

} // namespace Gathrix::ConfigParsing
