#pragma once
// "Jobs" holds the job elements of one navigation leaf and becomes one top-level entity;
// "JobGroup" gathers job elements under a caption of its own and becomes a tree-element group
// inside that entity. The job elements themselves go to their own part parsers by name.

#include "collector/config/IConfigPartParser.h"

#include <string>
#include <vector>

namespace Gathrix::ConfigParsing {

// The names "Jobs" accepts, in the order its reports list them ("WindowsEventlog" twice).
const std::vector<std::string>& JobElementNames();

class JobParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool ValidateJobs(const TiXmlElement* element, ValidationResult& result);
    bool ValidateJobGroup(const TiXmlElement* element, ValidationResult& result);

    // Null when no job element yields a job item.
    TopLevelEntityPtr ParseJobsToTopLevelEntity(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                const std::string& name);
    void ParseJobsToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
    void ParseJobGroupToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
