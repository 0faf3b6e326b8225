#include "collector/config/JobParser.h"

#include "collector/config/ValidationResult.h"
#include "collector/result/JobModel.h"

#include <algorithm>

namespace Gathrix::ConfigParsing {

const std::vector<std::string>& JobElementNames() {
    static const std::vector<std::string> names{
        "JobGroup", "GeneralInformation", "FilePropertiesFromRegistryKey", "RegistryValues",
        "WindowsStartmenuStartup", "ComObjects", "IEExtensions", "FilePropertiesFromRegistryValue",
        "WindowsEventlog", "ExternalProgram", "Logfile", "FileContent", "FileInfos", "WindowsEventlog",
        "QuellonEventDb", "Services", "LogicalDisks", "DiskDrives", "CdRomDrives", "EnvironmentVariables",
        "InstalledDrivers", "RunningProcesses", "MsInfo32Report", "DirectoryInfos", "Minidump", "FullMemoryDump",
        "DrWatsonLogfile"};
    return names;
}

DelegateMap JobParser::GetDelegates() {
    DelegateMap map;
    map.emplace("Jobs", std::make_unique<ConfigParserDelegate_T<JobParser>>(
                            this, &JobParser::ValidateJobs, &JobParser::ParseJobsToTopLevelEntity, nullptr,
                            &JobParser::ParseJobsToJobItems));
    map.emplace("JobGroup",
                MakeJobItemsDelegate(this, &JobParser::ValidateJobGroup, &JobParser::ParseJobGroupToJobItems));
    return map;
}

bool JobParser::ValidateJobs(const TiXmlElement* element, ValidationResult& result) {
    const std::vector<std::string>& accepted = JobElementNames();
    const TiXmlElement* child = element->FirstChildElement();
    if (child == nullptr) {
        result.SetMissingElement(accepted);
        return result.valid;
    }
    for (; child != nullptr; child = child->NextSiblingElement()) {
        if (std::find(accepted.begin(), accepted.end(), child->ValueStr()) == accepted.end()) {
            result.SetUnexpectedElement(child, accepted);
            return result.valid;
        }
    }
    result.SetValid();
    return result.valid;
}

bool JobParser::ValidateJobGroup(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* name = element->FirstChildElement();
    const TiXmlElement* jobs = name != nullptr ? name->NextSiblingElement() : nullptr;
    const TiXmlElement* extra = jobs != nullptr ? jobs->NextSiblingElement() : nullptr;
    if (name == nullptr)
        result.SetMissingElement("Name");
    else if (name->ValueStr() != "Name")
        result.SetUnexpectedElement(name, "Name");
    else if (jobs == nullptr)
        result.SetMissingElement("Jobs");
    else if (jobs->ValueStr() != "Jobs")
        result.SetUnexpectedElement(jobs, "Jobs");
    else if (extra != nullptr)
        result.SetUnexpectedElement(extra);
    else
        result.SetValid();
    return result.valid;
}

TopLevelEntityPtr JobParser::ParseJobsToTopLevelEntity(const TiXmlElement* element,
                                                       const ActiveNavigation& navigation, const std::string&) {
    auto entity = std::make_unique<TopLevelEntity>(navigation);
    ParseJobsToJobItems(element, *entity, element->ValueStr());
    if (entity->GetJobItemCount() == 0)
        return nullptr;
    return entity;
}

void JobParser::ParseJobsToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string&) {
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
        DelegateParseToJobItems(child, container, child->ValueStr());
}

void JobParser::ParseJobGroupToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                        const std::string&) {
    const TiXmlElement* name = element->FirstChildElement();
    const TiXmlElement* jobs = name->NextSiblingElement();
    // The type names the group's icon and is written as an attribute, which may not be empty:
    // an empty type is read like a missing one.
    const char* type = element->Attribute("type");
    auto group = std::make_unique<TreeElementGroup>(
        ElementWideText(name), type != nullptr && *type != '\0' ? Utils::FromUtf8(type) : L"unspecified", true);
    DelegateParseToJobItems(jobs, *group, jobs->ValueStr());
    container.AddJobItem(group.release());
}

} // namespace Gathrix::ConfigParsing
