#include "collector/config/EnvironmentVariablesParser.h"

#include "collector/collectors/processes/EnvironmentVariables.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap EnvironmentVariablesParser::GetDelegates() {
    DelegateMap delegates;
    delegates["EnvironmentVariables"] =
        MakeJobItemsDelegate(this, &EnvironmentVariablesParser::ValidateNoChildElements,
                             &EnvironmentVariablesParser::ParseToJobItems);
    return delegates;
}

void EnvironmentVariablesParser::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                                 const std::string& /*name*/) {
    container.AddJobItem(std::make_unique<EnvironmentVariables>().release());
}

} // namespace Gathrix::ConfigParsing
