#pragma once
// Reads back what a job wrote into a result file: the elements below its "ResultSet" as plain
// records, for the tests of every job family.

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix::Testing {

// A written element: its name, attributes, the "Value" text (UTF-8) with its link attributes,
// and its child elements other than "Value". A missing "showNumOfChildren" or "type" reads "?".
struct Written {
    std::string name, showNumOfChildren, type, value, externalLink, embeddedObjectLink;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Written> children;
};

inline Written ReadWritten(const TiXmlElement* node) {
    auto attribute = [](const TiXmlElement* element, const char* name, const char* missing) {
        const char* text = element ? element->Attribute(name) : nullptr;
        return std::string(text ? text : missing);
    };
    Written element;
    element.name = node->ValueStr();
    for (const TiXmlAttribute* a = node->FirstAttribute(); a; a = a->Next())
        element.attributes.emplace_back(a->NameTStr(), a->ValueStr());
    element.showNumOfChildren = attribute(node, "showNumOfChildren", "?");
    element.type = attribute(node, "type", "?");
    const TiXmlElement* value = node->FirstChildElement("Value");
    element.value = value && value->GetText() ? value->GetText() : "";
    element.externalLink = attribute(value, "externalLink", "");
    element.embeddedObjectLink = attribute(value, "embeddedObjectLink", "");
    for (const TiXmlElement* child = node->FirstChildElement(); child; child = child->NextSiblingElement())
        if (child->ValueStr() != "Value")
            element.children.push_back(ReadWritten(child));
    return element;
}

inline std::vector<std::string> ValuesOf(const std::vector<Written>& elements) {
    std::vector<std::string> values;
    for (const auto& element : elements)
        values.push_back(element.value);
    return values;
}

// The elements below the "ResultSet" of the result file at `path`. The XML library folds runs of
// blanks in texts as it reads them, unless `keepBlanks` (captions may begin with a blank).
inline std::vector<Written> ReadResultSet(const std::wstring& path, bool keepBlanks = false) {
    std::vector<Written> elements;
    FILE* file = _wfopen(path.c_str(), L"rb");
    EXPECT_NE(nullptr, file) << "the result file is missing";
    if (!file)
        return elements;
    TiXmlDocument document;
    const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
    TiXmlBase::SetCondenseWhiteSpace(!keepBlanks);
    document.LoadFile(file);
    TiXmlBase::SetCondenseWhiteSpace(condensed);
    fclose(file);
    const TiXmlElement* resultSet =
        document.RootElement() ? document.RootElement()->FirstChildElement("ResultSet") : nullptr;
    EXPECT_NE(nullptr, resultSet) << "the result file has no ResultSet";
    for (const TiXmlElement* node = resultSet ? resultSet->FirstChildElement() : nullptr; node;
         node = node->NextSiblingElement())
        elements.push_back(ReadWritten(node));
    return elements;
}

} // namespace Gathrix::Testing
