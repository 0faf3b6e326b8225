#pragma once
// Reads back what a job wrote: the items are collected into a fresh result file in a scratch
// working folder (made the current folder, as it is during a run), and the elements below its
// "ResultSet" come back as plain records.

#include "collector/result/JobModel.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Text.h"
#include "common/tests/support/WrittenResult.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace Gathrix::Testing {

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
        std::vector<Written> elements = ReadResultSet(DataFile(L"Job.xml"));
        DeleteFileW(DataFile(L"Job.xml").c_str());
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
