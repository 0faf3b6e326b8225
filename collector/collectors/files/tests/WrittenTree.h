#pragma once
// Reads back what a job wrote: the items are collected into a fresh result file in a scratch
// working folder (made the current folder, as it is during a run), and the elements below its
// "ResultSet" come back as plain records.

#include "collector/result/JobModel.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Text.h"

#include <gtest/gtest.h>
#include <tinyxml.h>
#include <windows.h>

#include <string>
#include <vector>

namespace Gathrix::Testing {

// A written element: its name, attributes, the "Value" text with its link attributes, and its
// child elements (other than "Value").
struct Written {
    std::string name, showNumOfChildren, type, value, externalLink, embeddedObjectLink;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Written> children;
};

inline Written ReadWritten(const TiXmlElement* node) {
    auto attribute = [](const TiXmlElement* element, const char* name) {
        const char* text = element ? element->Attribute(name) : nullptr;
        return text ? std::string(text) : std::string();
    };
    Written element;
    element.name = node->ValueStr();
    for (const TiXmlAttribute* a = node->FirstAttribute(); a; a = a->Next())
        element.attributes.emplace_back(a->NameTStr(), a->ValueStr());
    element.showNumOfChildren = attribute(node, "showNumOfChildren");
    element.type = attribute(node, "type");
    const TiXmlElement* value = node->FirstChildElement("Value");
    element.value = value && value->GetText() ? value->GetText() : "";
    element.externalLink = attribute(value, "externalLink");
    element.embeddedObjectLink = attribute(value, "embeddedObjectLink");
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

inline std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

// The scratch folder is the working folder (the current folder) while the test runs.
class WorkingFolderTest : public ResultFolderTest {
protected:
    void SetUp() override {
        wchar_t buffer[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, buffer);
        previousFolder = buffer;
        ASSERT_TRUE(SetCurrentDirectoryW(scratch.Path().c_str()));
    }
    void TearDown() override { SetCurrentDirectoryW(previousFolder.c_str()); }

    // Collects the items, in order, into one result file and returns the elements of its
    // "ResultSet".
    std::vector<Written> Collected(const std::vector<IJobItem*>& items) {
        std::vector<Written> elements;
        {
            ResultFileWriter writer(nullptr);
            writer.SetDirectory(data);
            writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
            for (IJobItem* item : items) {
                item->writer = &writer;
                item->Collect();
                EXPECT_EQ(2, writer.GetDepth()) << "the item left elements open";
            }
            writer.CloseDocument();
        }
        WellFormedBytes(L"Job.xml");
        TiXmlDocument document;
        FILE* file = _wfopen(DataFile(L"Job.xml").c_str(), L"rb");
        EXPECT_NE(nullptr, file);
        if (!file)
            return elements;
        document.LoadFile(file);
        fclose(file);
        DeleteFileW(DataFile(L"Job.xml").c_str());
        const TiXmlElement* resultSet =
            document.RootElement() ? document.RootElement()->FirstChildElement("ResultSet") : nullptr;
        EXPECT_NE(nullptr, resultSet);
        for (const TiXmlElement* node = resultSet ? resultSet->FirstChildElement() : nullptr; node;
             node = node->NextSiblingElement())
            elements.push_back(ReadWritten(node));
        return elements;
    }
    Written CollectedOne(IJobItem& item) {
        std::vector<Written> elements = Collected({&item});
        EXPECT_EQ(1u, elements.size());
        return elements.empty() ? Written{} : elements[0];
    }

    std::wstring previousFolder;
};

} // namespace Gathrix::Testing
