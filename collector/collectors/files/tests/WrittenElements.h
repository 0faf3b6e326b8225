#pragma once
// Runs one job into a fresh result file and reads back the "TreeElement" trees it wrote, for the
// tests of the registry, COM and environment jobs.

#include "collector/result/JobModel.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Text.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <string>
#include <vector>

namespace Gathrix::Testing {

// A written "TreeElement": its attributes, caption (wide) and child elements.
struct WrittenElement {
    std::string showNumOfChildren, type;
    std::wstring value;
    std::vector<WrittenElement> children;

    std::vector<std::wstring> ChildValues() const {
        std::vector<std::wstring> values;
        for (const auto& child : children)
            values.push_back(child.value);
        return values;
    }
    std::vector<std::string> ChildTypes() const {
        std::vector<std::string> types;
        for (const auto& child : children)
            types.push_back(child.type);
        return types;
    }
};

inline WrittenElement ReadWrittenElement(const TiXmlElement* node) {
    WrittenElement element;
    element.showNumOfChildren = node->Attribute("showNumOfChildren") ? node->Attribute("showNumOfChildren") : "?";
    element.type = node->Attribute("type") ? node->Attribute("type") : "?";
    const TiXmlElement* value = node->FirstChildElement("Value");
    element.value = value && value->GetText() ? Utils::FromUtf8(value->GetText()) : L"";
    for (const TiXmlElement* child = node->FirstChildElement("TreeElement"); child;
         child = child->NextSiblingElement("TreeElement"))
        element.children.push_back(ReadWrittenElement(child));
    return element;
}

class WrittenJobTest : public ResultFolderTest {
protected:
    // Collects the items, one after the other, into one result file and returns the elements of
    // its "ResultSet"; every item must close what it opened.
    std::vector<WrittenElement> Written(std::initializer_list<ITreeElement*> items) {
        std::vector<WrittenElement> elements;
        {
            ResultFileWriter writer(nullptr);
            writer.SetDirectory(data);
            writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
            for (ITreeElement* item : items) {
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
        // Captions may begin with a blank (the default value's " = ..."): read them as written.
        const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
        TiXmlBase::SetCondenseWhiteSpace(false);
        document.LoadFile(file);
        TiXmlBase::SetCondenseWhiteSpace(condensed);
        fclose(file);
        DeleteFileW(DataFile(L"Job.xml").c_str());
        const TiXmlElement* resultSet =
            document.RootElement() ? document.RootElement()->FirstChildElement("ResultSet") : nullptr;
        EXPECT_NE(nullptr, resultSet);
        for (const TiXmlElement* node = resultSet ? resultSet->FirstChildElement("TreeElement") : nullptr; node;
             node = node->NextSiblingElement("TreeElement"))
            elements.push_back(ReadWrittenElement(node));
        return elements;
    }
    std::vector<WrittenElement> Written(ITreeElement& item) { return Written({&item}); }
};

} // namespace Gathrix::Testing
