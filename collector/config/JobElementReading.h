#pragma once
// What several job elements' parsers read alike: child elements in a fixed order; the file
// elements' attribute "readSubFolders" with a "Path" and a "Filter"; and a registry key that
// becomes one job for every candidate and view in which it exists.

#include "collector/result/JobModel.h"
#include "common/Registry.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TiXmlElement;

namespace Gathrix::ConfigParsing {

class ValidationResult;

// The element's first child elements must be named `names`, in this order; without
// `furtherAllowed` none may follow them. The first fault is reported and ends the check; without
// one the result is set valid. Returns the verdict.
bool ValidateChildSequence(const TiXmlElement* element, const std::vector<std::string>& names, bool furtherAllowed,
                           ValidationResult& result);

// Reports every attribute other than "readSubFolders". The report is logged, yet the verdict
// is left to the checks of the children that follow.
void ReportAttributesOtherThanReadSubFolders(const TiXmlElement* element, ValidationResult& result);

// Only the value "true", case included, reads the sub-folders.
bool ReadsSubFolders(const TiXmlElement* element);

struct PathAndFilter {
    // Empty for an empty or missing element: such a job selects nothing.
    std::wstring path;
    std::wstring filter;
    bool readSubFolders = false;
    const TiXmlElement* next = nullptr;  // the child element after "Filter", if any
};

// The first two child elements as "Path" and "Filter", as written (variables are left to the job).
PathAndFilter ReadPathAndFilter(const TiXmlElement* element);

using RegistryJobMaker =
    std::function<std::unique_ptr<IJobItem>(const std::wstring& keyPath, System::RegistryView view)>;

// Expands the key text into its candidates and adds, per candidate, a job for each view in which
// the key exists, the 32-bit view first. Returns how many were added.
int AddJobPerExistingKey(const std::wstring& keyText, IJobItemContainer& container, const RegistryJobMaker& makeJob);

} // namespace Gathrix::ConfigParsing
