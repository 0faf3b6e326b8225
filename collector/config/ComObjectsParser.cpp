#include "collector/config/ComObjectsParser.h"

#include "collector/collectors/files/ComObjects.h"
#include "collector/config/ValidationResult.h"
#include "common/Registry.h"

#include <tinyxml.h>

#include <memory>

namespace Gathrix::ConfigParsing {

namespace {

struct SourcePair {
    const char* clsidSource;
    const char* captionSource;
    ComObjectList::ClsidSource mode;
};

const SourcePair sourcePairs[] = {
    {"regValueName", "regValueData", ComObjectList::ValueNames},
    {"regSubkeyName", "regDefaultValueDataOfSubkey", ComObjectList::SubkeyNames},
    {"regValueDataOfValueNamedClsidOfSubkey", "regSubkeyName", ComObjectList::ClsidValuesOfSubkeys},
};

const SourcePair* FindPair(const std::string& clsidSource) {
    for (const SourcePair& pair : sourcePairs)
        if (clsidSource == pair.clsidSource)
            return &pair;
    return nullptr;
}

struct SourceAttributes {
    const TiXmlAttribute* clsidSource = nullptr;
    const TiXmlAttribute* captionSource = nullptr;
};

SourceAttributes ReadSourceAttributes(const TiXmlElement* element) {
    SourceAttributes found;
    for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute; attribute = attribute->Next()) {
        if (attribute->NameTStr() == "clsidSource")
            found.clsidSource = attribute;
        else if (attribute->NameTStr() == "captionSource")
            found.captionSource = attribute;
    }
    return found;
}

} // namespace

DelegateMap ComObjectsParser::GetDelegates() {
    DelegateMap delegates;
    delegates["ComObjects"] =
        MakeJobItemsDelegate(this, &ComObjectsParser::Validate, &ComObjectsParser::ParseToJobItems);
    return delegates;
}

bool ComObjectsParser::Validate(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* key = element->FirstChildElement();
    if (key == nullptr) {
        result.SetMissingElement("RegistryKey");
        return result.valid;
    }
    if (key->ValueStr() != "RegistryKey") {
        result.SetUnexpectedElement(key, "RegistryKey");
        return result.valid;
    }
    if (const TiXmlElement* second = key->NextSiblingElement()) {
        result.SetUnexpectedElement(second);
        return result.valid;
    }

    const SourceAttributes attributes = ReadSourceAttributes(element);
    if (attributes.clsidSource == nullptr) {
        result.SetMissingAttribute("clsidSource");
        return result.valid;
    }
    if (attributes.captionSource == nullptr) {
        result.SetMissingAttribute("captionSource");
        return result.valid;
    }
    const SourcePair* pair = FindPair(attributes.clsidSource->ValueStr());
    if (pair == nullptr)
        result.SetWrongAttributeValue(attributes.clsidSource,
                                      std::vector<std::string>{"regValueName", "regSubkeyName",
                                                               "regValueDataOfValueNamedClsidOfSubkey"});
    else if (attributes.captionSource->ValueStr() != pair->captionSource)
        result.SetWrongAttributeValue(attributes.captionSource, std::string(pair->captionSource));
    else
        result.SetValid();
    return result.valid;
}

void ComObjectsParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                       const std::string& /*name*/) {
    const std::wstring keyPath = ElementWideText(element->FirstChildElement());
    const SourceAttributes attributes = ReadSourceAttributes(element);
    if (attributes.clsidSource == nullptr || attributes.captionSource == nullptr)
        return;
    const SourcePair* pair = FindPair(attributes.clsidSource->ValueStr());
    if (pair == nullptr || attributes.captionSource->ValueStr() != pair->captionSource)
        return;
    // Both views on every Windows: where there is no 64-bit view, its list shows its caption only.
    container.AddJobItem(std::make_unique<ComObjectList>(keyPath, pair->mode, System::View32).release());
    container.AddJobItem(std::make_unique<ComObjectList>(keyPath, pair->mode, System::View64).release());
}

} // namespace Gathrix::ConfigParsing
