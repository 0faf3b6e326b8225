#pragma once
// Runs one job into a fresh result file and reads back the "TreeElement" trees it wrote, for the
// tests of the registry, COM and environment jobs.

#include "collector/result/JobModel.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Text.h"
#include "common/tests/support/WrittenResult.h"

#include <gtest/gtest.h>

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

// The record with its texts widened, for the tests that compare them with paths.
inline WrittenElement Widened(const Written& written) {
    WrittenElement element;
    element.showNumOfChildren = written.showNumOfChildren;
    element.type = written.type;
    element.value = Utils::FromUtf8(written.value);
    for (const auto& child : written.children)
        element.children.push_back(Widened(child));
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
        // Captions may begin with a blank (the default value's " = ..."): read them as written.
        for (const auto& element : ReadResultSet(DataFile(L"Job.xml"), true))
            elements.push_back(Widened(element));
        DeleteFileW(DataFile(L"Job.xml").c_str());
        return elements;
    }
    std::vector<WrittenElement> Written(ITreeElement& item) { return Written({&item}); }
};

} // namespace Gathrix::Testing
