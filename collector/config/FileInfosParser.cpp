#include "collector/config/FileInfosParser.h"

#include "collector/collectors/files/FileInfos.h"
#include "collector/config/ValidationResult.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap FileInfosParser::GetDelegates() {
    DelegateMap delegates;
    delegates["FileInfos"] = MakeJobItemsDelegate(this, &FileInfosParser::Validate, &FileInfosParser::ParseToJobItems);
    return delegates;
}

bool FileInfosParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    // Another attribute is reported, yet the checks below always make the final report.
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() != "readSubFolders")
            result.SetUnexpectedAttribute(attribute);

    const TiXmlElement* path = element->FirstChildElement();
    if (path == nullptr) {
        result.SetMissingElement("Path");
        return result.valid;
    }
    if (path->ValueStr() != "Path") {
        result.SetUnexpectedElement(path, "Path");
        return result.valid;
    }
    const TiXmlElement* filter = path->NextSiblingElement();
    if (filter == nullptr) {
        result.SetMissingElement("Filter");
        return result.valid;
    }
    if (filter->ValueStr() != "Filter") {
        result.SetUnexpectedElement(filter, "Filter");
        return result.valid;
    }
    if (const TiXmlElement* third = filter->NextSiblingElement())
        result.SetUnexpectedElement(third);
    else
        result.SetValid();
    return result.valid;
}

void FileInfosParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                      const std::string& /*name*/) {
    bool readSubFolders = false;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() == "readSubFolders" && attribute->ValueStr() == "true")
            readSubFolders = true;

    // Validation made sure both elements are there; an empty one gives an empty text, which
    // selects no file.
    const TiXmlElement* path = element->FirstChildElement();
    const TiXmlElement* filter = path ? path->NextSiblingElement() : nullptr;
    auto job = std::make_unique<FileInfos>(path ? ElementWideText(path) : std::wstring(),
                                           filter ? ElementWideText(filter) : std::wstring(), readSubFolders);
    container.AddJobItem(job.release());
}

} // namespace Gathrix::ConfigParsing
