#pragma once
// The "FileContent" job element: attribute "readSubFolders", then a "Path" and a "Filter", then
// optionally one element (of any name) whose child elements (of any name) each hold a folder to
// leave out. It becomes one file-content job; path and filter are handed on as written (the job
// resolves variables and both file-system views), the exclusions with an environment variable at
// their start already expanded.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class FileContentParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool Validate(const TiXmlElement* element, ValidationResult& result);
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);

    // Replaces one "%name%" reference in the text by the variable's value from the process
    // environment. A reference at the start must name an existing file or folder; one further on
    // only needs to be set. 0 on success (also when the text holds no reference), otherwise
    // non-zero with the text unchanged: 1 the variable is not set, 2 its value names nothing.
    static int ExpandEnvironmentVariable(std::wstring& text);
};

} // namespace Gathrix::ConfigParsing
