#pragma once
// The "ExternalProgram" job element: "Executable" (variables allowed), "StartParameter" and
// "OutputFilename", in this order. The executable expands into its candidate paths, and each
// becomes one external-program job with a time-out of one minute.

#include "collector/config/IConfigPartParser.h"

#include <cstdint>
#include <string>

namespace Gathrix::ConfigParsing {

class ExternalProgramParser : public IConfigPartParser {
public:
    static constexpr std::uint32_t Timeout = 60000;

    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
