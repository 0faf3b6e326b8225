#include "collector/config/ExternalProgramParser.h"

#include "collector/collectors/processes/ExternalProgram.h"
#include "collector/config/ValidationResult.h"
#include "collector/platform/Variables.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap ExternalProgramParser::GetDelegates() {
    DelegateMap delegates;
    delegates["ExternalProgram"] =
        MakeJobItemsDelegate(this, &ExternalProgramParser::Validate, &ExternalProgramParser::ParseToJobItems);
    return delegates;
}

bool ExternalProgramParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    // Attributes and anything after the third element are not examined.
    const TiXmlElement* child = element->FirstChildElement();
    for (const char* expected : {"Executable", "StartParameter", "OutputFilename"}) {
        if (child == nullptr) {
            result.SetMissingElement(expected);
            return result.valid;
        }
        if (child->ValueStr() != expected) {
            result.SetUnexpectedElement(child, expected);
            return result.valid;
        }
        child = child->NextSiblingElement();
    }
    result.SetValid();
    return result.valid;
}

void ExternalProgramParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                            const std::string& /*name*/) {
    // Validation made sure the three elements are there; one without text reads as empty: an
    // empty executable starts nothing (the job reports that), an empty output name gives a file
    // without a name under ProgramLogs.
    const TiXmlElement* executableElement = element->FirstChildElement();
    const TiXmlElement* parametersElement = executableElement ? executableElement->NextSiblingElement() : nullptr;
    const TiXmlElement* outputElement = parametersElement ? parametersElement->NextSiblingElement() : nullptr;
    const std::wstring executable = executableElement ? ElementWideText(executableElement) : std::wstring();
    const std::wstring parameters = parametersElement ? ElementWideText(parametersElement) : std::wstring();
    const std::wstring outputFileName = outputElement ? ElementWideText(outputElement) : std::wstring();
    for (const auto& candidate : System::Variables::Instance().Expand(executable)) {
        auto job = std::make_unique<ExternalProgram>(candidate, parameters, outputFileName, Timeout);
        container.AddJobItem(job.release());
    }
}

} // namespace Gathrix::ConfigParsing
