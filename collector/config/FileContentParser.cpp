#include "collector/config/FileContentParser.h"

#include "collector/collectors/files/FileContent.h"
#include "collector/config/JobElementReading.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace Gathrix::ConfigParsing {

namespace {

bool ReadEnvironmentVariable(const std::wstring& name, std::wstring& value) {
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0)
        return false;
    std::vector<wchar_t> buffer(size + 1, L'\0');
    size = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (size == 0 || size >= buffer.size())
        return false;
    value.assign(buffer.data(), size);
    return true;
}

} // namespace

DelegateMap FileContentParser::GetDelegates() {
    DelegateMap delegates;
    delegates["FileContent"] =
        MakeJobItemsDelegate(this, &FileContentParser::Validate, &FileContentParser::ParseToJobItems);
    return delegates;
}

bool FileContentParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    ReportAttributesOtherThanReadSubFolders(element, result);
    // The exclusions that may follow are not examined.
    return ValidateChildSequence(element, {"Path", "Filter"}, true, result);
}

void FileContentParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                        const std::string& /*name*/) {
    const PathAndFilter read = ReadPathAndFilter(element);
    const TiXmlElement* exclusions = read.next;

    std::vector<std::wstring> excludedFolders;
    for (const TiXmlElement* exclusion = exclusions ? exclusions->FirstChildElement() : nullptr; exclusion;
         exclusion = exclusion->NextSiblingElement()) {
        std::wstring text = ElementWideText(exclusion);
        // An empty text would be a prefix of every folder and leave the job nothing to copy.
        if (text.empty())
            continue;
        // A failed expansion leaves the text as written: it then excludes what it names literally.
        ExpandEnvironmentVariable(text);
        excludedFolders.push_back(text);
    }

    container.AddJobItem(
        std::make_unique<FileContent>(read.path, read.filter, read.readSubFolders, excludedFolders).release());
}

int FileContentParser::ExpandEnvironmentVariable(std::wstring& text) {
    // A reference needs a name of at least one character, so its closing sign is at index 2 or
    // later.
    if (text.size() < 3 || text.find(L'%', 2) == std::wstring::npos)
        return 0;
    const std::size_t opening = text.find(L'%');
    const std::size_t closing = text.find(L'%', opening + 2);
    if (closing == std::wstring::npos)
        return 0;

    std::wstring value;
    if (!ReadEnvironmentVariable(text.substr(opening + 1, closing - opening - 1), value))
        return 1;
    // At the start the value is the folder the exclusion lies in: it must exist.
    if (opening == 0 && GetFileAttributesW(value.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 2;
    text = text.substr(0, opening) + value + text.substr(closing + 1);
    return 0;
}

} // namespace Gathrix::ConfigParsing
