#pragma once
// The "FilePropertiesFromRegistryKey" job element: attribute "readSubkeys" ("true" reads the
// sub-keys too) and exactly one "RegistryKey" whose text may hold variables. It becomes one job
// per candidate key and registry view in which the key exists, the 32-bit view's first, or a
// "regkey" leaf naming the key as written when it exists nowhere.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class FilePropertiesFromRegistryKeyParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
