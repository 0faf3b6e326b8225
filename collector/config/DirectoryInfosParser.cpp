#include "collector/config/DirectoryInfosParser.h"

#include "collector/collectors/files/DirectoryInfos.h"
#include "collector/config/ValidationResult.h"

#include <memory>

namespace Gathrix::ConfigParsing {

DelegateMap DirectoryInfosParser::GetDelegates() {
    DelegateMap delegates;
    delegates["DirectoryInfos"] =
        MakeJobItemsDelegate(this, &DirectoryInfosParser::Validate, &DirectoryInfosParser::ParseToJobItems);
    return delegates;
}

bool DirectoryInfosParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    // Another attribute is reported; only the children decide the verdict.
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() != "readSubFolders")
            result.SetUnexpectedAttribute(attribute);

    const TiXmlElement* path = element->FirstChildElement();
    if (path == nullptr)
        result.SetMissingElement("Path");
    else if (path->ValueStr() != "Path")
        result.SetUnexpectedElement(path, "Path");
    else if (const TiXmlElement* further = path->NextSiblingElement())
        result.SetUnexpectedElement(further);
    else
        result.SetValid();
    return result.valid;
}

void DirectoryInfosParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                           const std::string& /*name*/) {
    bool readSubFolders = false;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next())
        if (attribute->NameTStr() == "readSubFolders" && attribute->ValueStr() == "true")
            readSubFolders = true;
    // An empty "Path" gives an empty path, which names no folder.
    container.AddJobItem(
        std::make_unique<DirectoryInfos>(ElementWideText(element->FirstChildElement()), readSubFolders).release());
}

} // namespace Gathrix::ConfigParsing
