#pragma once
// The "FilePropertiesFromRegistryValue" job element: exactly a "RegistryKey" (variables allowed)
// and a "RegistryValueName". It becomes one job per candidate key and registry view in which the
// key exists, the 32-bit view's first, or a "regkeywithvalue" leaf naming key and value as
// written when the key exists nowhere.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class FilePropertiesFromRegistryValueParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
