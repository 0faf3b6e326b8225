// Result files, parts of a split file and the navigation file that cannot be written: each gives
// an ERROR that names the file, the writer goes on, and the records hold this run's files.

#include "collector/result/JobModel.h"
#include "collector/result/NavigationWriter.h"
#include "collector/result/ResultFileRecords.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/FileWrites.h"
#include "common/Logging.h"
#include "common/tests/support/BlockedTarget.h"
#include "common/tests/support/LogCapture.h"

#include <gmock/gmock.h>

using namespace Gathrix;
using Gathrix::Testing::BlockedTarget;
using Gathrix::Testing::BlockingCases;
using Gathrix::Testing::LogCapture;

namespace {

void WriteLeaves(ResultFileWriter& writer, int count) {
    for (int i = 0; i < count; ++i) {
        TreeElementLeaf leaf(L"leaf", L"file");
        leaf.writer = &writer;
        leaf.Collect();
    }
}

// "name=error" for each record, error 0 for a file written whole.
std::vector<std::string> Records() {
    std::vector<std::string> found;
    for (const ResultFileRecord& record : ResultFileRecords::Instance().All())
        found.push_back(Utils::ToUtf8(record.name) + (record.writeError == 0 ? "=ok" : "=failed"));
    return found;
}

std::vector<std::wstring> Errors(const LogCapture& log) {
    std::vector<std::wstring> errors;
    for (const auto& entry : log.entries)
        if (entry.level == Logging::Error)
            errors.push_back(entry.message);
    return errors;
}

class WriteFailureTest : public Testing::ResultFolderTest {
protected:
    void SetUp() override {
        ResultFileRecords::Instance().Clear();
        Utils::ForgetWriteFailures();
    }
    void TearDown() override {
        ResultFileRecords::Instance().Clear();
        Utils::ForgetWriteFailures();
    }

    std::unique_ptr<ResultFileWriter> Open(const std::wstring& name) {
        auto writer = std::make_unique<ResultFileWriter>(&navigation);
        writer->SetDirectory(data);
        writer->Open(name, L"stylesheet\\stylesheet.xslt", L"Level", L"", L"", L"");
        writer->OpenNode(L"Tree");
        return writer;
    }

    // The one ERROR expected: the file (as the writer names it, in the data folder) and a reason.
    void ExpectOneErrorNaming(const LogCapture& log, const std::wstring& name) {
        const std::vector<std::wstring> errors = Errors(log);
        ASSERT_EQ(1u, errors.size());
        const std::wstring start = L"The file '" + DataFile(name) + L"' could not be written: ";
        EXPECT_EQ(0u, errors[0].find(start)) << Utils::ToUtf8(errors[0]);
        EXPECT_GT(errors[0].size(), start.size()) << "no reason given";
    }

    NavigationWriter navigation{data};
};

} // namespace

TEST_F(WriteFailureTest, AResultFileThatCannotBeWrittenIsAnErrorAndARecordOfTheFailure) {
    for (const auto& blocking : BlockingCases) {
        SCOPED_TRACE(blocking.name);
        DeleteFileW(DataFile(L"Blocked.xml").c_str());
        DeleteFileW(DataFile(L"Next.xml").c_str());
        LogCapture& log = LogCapture::Start();
        ResultFileRecords::Instance().Clear();
        auto writer = Open(L"Blocked.xml");
        WriteLeaves(*writer, 3);
        writer->CloseNode();
        {
            BlockedTarget target(DataFile(L"Blocked.xml"), blocking.how);
            if (!target.Ready())
                continue;
            EXPECT_NE(0u, writer->CloseDocument());
        }
        ExpectOneErrorNaming(log, L"Blocked.xml");
        EXPECT_THAT(Records(), ::testing::ElementsAre("Blocked.xml=failed"));
        EXPECT_FALSE(writer->HasDocument());
        // The next file of the run is written as ever.
        auto next = Open(L"Next.xml");
        next->CloseNode();
        EXPECT_EQ(0u, next->CloseDocument());
        WellFormedBytes(L"Next.xml");
        EXPECT_THAT(Records(), ::testing::ElementsAre("Blocked.xml=failed", "Next.xml=ok"));
    }
}

// A part is written when the split after it begins; the part that cannot be written is lost and
// named, and the file goes on in the next part. The records hold every part under its final
// name, never the name the file was opened with.
TEST_F(WriteFailureTest, APartOfASplitFileThatCannotBeWrittenIsAnErrorAndTheNextPartsFollow) {
    for (const auto& blocking : BlockingCases) {
        SCOPED_TRACE(blocking.name);
        for (const wchar_t* part : {L"Split_1.xml", L"Split_2.xml", L"Split_3.xml"})
            DeleteFileW(DataFile(part).c_str());
        LogCapture& log = LogCapture::Start();
        ResultFileRecords::Instance().Clear();
        auto writer = Open(L"Split.xml");
        WriteLeaves(*writer, 15000);  // two elements each: one split
        ASSERT_EQ(2, writer->GetPartNumber());
        {
            BlockedTarget target(DataFile(L"Split_2.xml"), blocking.how);
            if (!target.Ready())
                continue;
            WriteLeaves(*writer, 15000);
            ASSERT_EQ(3, writer->GetPartNumber());
        }
        WriteLeaves(*writer, 10);
        writer->CloseNode();
        EXPECT_EQ(0u, writer->CloseDocument());

        ExpectOneErrorNaming(log, L"Split_2.xml");
        EXPECT_THAT(Records(), ::testing::ElementsAre("Split_1.xml=ok", "Split_2.xml=failed", "Split_3.xml=ok"));
        WellFormedBytes(L"Split_1.xml");
        WellFormedBytes(L"Split_3.xml");
        EXPECT_FALSE(Testing::PathExists(DataFile(L"Split.xml")));
    }
}

// The navigation file is saved by the serialisation itself (NavigationWriter::Write): its failure
// is named too, and it is no result file of the report.
TEST_F(WriteFailureTest, ANavigationFileThatCannotBeWrittenIsAnErrorButNoResultFile) {
    for (const auto& blocking : BlockingCases) {
        SCOPED_TRACE(blocking.name);
        DeleteFileW(DataFile(L"Navigation.xml").c_str());
        LogCapture& log = LogCapture::Start();
        ResultFileRecords::Instance().Clear();
        XmlSerialisation serialisation;
        serialisation.SetDirectory(data);
        serialisation.CreateDocument(L"Navigation.xml");
        serialisation.AddChildNode(L"Navigation");
        serialisation.CloseNode();
        {
            BlockedTarget target(DataFile(L"Navigation.xml"), blocking.how);
            if (!target.Ready())
                continue;
            EXPECT_NE(0u, serialisation.CloseDocument());
        }
        ExpectOneErrorNaming(log, L"Navigation.xml");
        EXPECT_TRUE(Records().empty());
    }
}
