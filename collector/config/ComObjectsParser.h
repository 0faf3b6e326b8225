#pragma once
// The "ComObjects" job element: attributes "clsidSource" and "captionSource" (one of three fixed
// pairs) and exactly one "RegistryKey", used as written. It becomes two COM-class lists of the
// key, the 32-bit registry view's first.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class ComObjectsParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
