#include "collector/core/Application.h"

#include "collector/core/CollectorEntry.h"
#include "collector/core/ConsoleStatus.h"
#include "collector/result/JobModel.h"
#include "collector/result/ResultFileRecords.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/FileWrites.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Text.h"
#include "common/XmlFiles.h"
#include "common/tests/support/BlockedTarget.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Gathrix;
using Gathrix::Testing::PathExists;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::StdoutCapture;

// Keeps every entry logged while it is registered (the logger cannot drop a handler).
class CapturingLog : public Logging::ILogHandler {
public:
    CapturingLog() : ILogHandler(Logging::Debug) {}
    void Write(int level, std::wstring message, DateTime) override {
        if (active)
            entries.emplace_back(level, message);
    }
    void Reset() override {}
    void Flush() override {}
    bool active = false;
    std::vector<std::pair<int, std::wstring>> entries;
};

CapturingLog& Log() {
    static CapturingLog* log = [] {
        static CapturingLog handler;
        Logging::Logger::AddHandler(&handler);
        return &handler;
    }();
    return *log;
}

// A job that gets half-way through its elements and then fails.
class FailingJob : public IJobItem {
public:
    FailingJob(int kind) : kind(kind) {}
    void Collect() override {
        writer->OpenNode(L"TreeElement");
        writer->AddAttribute(L"type", L"half");
        writer->OpenNode(L"TreeElement");
        if (kind == 0)
            throw MessageException(L"disk on fire");
        if (kind == 1)
            throw std::runtime_error("out of \xc3\xa4pples");
        if (kind == 2)
            throw 42;
        throw ExitException(L"stop everything", 6);
    }
    std::wstring GetElementName() const override { return L"FailingJob"; }
    int kind;
};

class ResultFilesInScratch : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryW(MAX_PATH, saved);
        SetCurrentDirectoryW(scratch.Path().c_str());
        CreateDirectoryW(L"data", nullptr);
        CreateDirectoryW(L"data\\stylesheet", nullptr);
        Testing::WriteFileBytes(scratch / L"data\\stylesheet\\stylesheet.xslt", "<xsl:stylesheet/>");
        navigation = std::make_unique<NavigationWriter>();
    }
    void TearDown() override {
        navigation.reset();
        SetCurrentDirectoryW(saved);
    }
    std::unique_ptr<TopLevelEntity> Entity(const wchar_t* level1, const wchar_t* level2, std::vector<IJobItem*> jobs) {
        auto entity = std::make_unique<TopLevelEntity>(ActiveNavigation(level1, level2, L""));
        for (IJobItem* job : jobs)
            entity->AddJobItem(job);
        return entity;
    }
    // Runs the entities' jobs into their result files; the progress lines, or a failure when the
    // run ended with an exception.
    std::string WriteAll(TopLevelEntityList& entities, std::uint32_t& total) {
        StdoutCapture output;
        try {
            Application::WriteResultFiles(entities, *navigation, total);
        } catch (const MessageException& exception) {
            output.Take();
            ADD_FAILURE() << "the run ended: " << Utils::ToUtf8(exception.GetMessageText());
            return "";
        }
        return output.Take();
    }
    // The type words of the elements directly below `parent`, with the value of each leaf.
    static std::vector<std::string> Children(const TiXmlElement* parent) {
        std::vector<std::string> found;
        for (const TiXmlElement* child = parent->FirstChildElement(); child; child = child->NextSiblingElement()) {
            std::string entry = child->Value();
            if (const char* type = child->Attribute("type"))
                entry += std::string(":") + type;
            if (const TiXmlElement* value = child->FirstChildElement("Value"))
                entry += std::string("=") + (value->GetText() ? value->GetText() : "");
            found.push_back(entry);
        }
        return found;
    }

    ScratchFolder scratch{L"run"};
    wchar_t saved[MAX_PATH];
    std::unique_ptr<NavigationWriter> navigation;
};

TEST_F(ResultFilesInScratch, UnexpectedJobFailuresBecomeErrorLeavesAndTheRunGoesOn) {
    Log().active = true;
    Log().entries.clear();
    TopLevelEntityList entities;
    entities.push_back(Entity(L"System", L"Event logs",
                              {new TreeElementLeaf(L"first", L"info"), new FailingJob(0), new FailingJob(1),
                               new FailingJob(2), new TreeElementLeaf(L"last", L"info")}));
    entities.push_back(Entity(L"General", L"General Information", {new TreeElementLeaf(L"general", L"info")}));
    std::uint32_t total = 0;
    std::string progress = WriteAll(entities, total);
    Log().active = false;

    EXPECT_EQ(total, 7u);
    EXPECT_TRUE(entities.empty());
    EXPECT_EQ(progress, "1/7: System -> Event logs...\r\n2/7: System -> Event logs...\r\n"
                        "3/7: System -> Event logs...\r\n4/7: System -> Event logs...\r\n"
                        "5/7: System -> Event logs...\r\n6/7: General -> General Information...\r\n");

    TiXmlDocument system;
    ASSERT_TRUE(Utils::LoadXmlFile(system, scratch / L"data\\System_Eventlogs.xml"));
    const TiXmlElement* tree = system.RootElement()->FirstChildElement("ResultSet")->FirstChildElement("Tree");
    ASSERT_NE(tree, nullptr);
    // What a failed job wrote stays; its error leaf follows at the depth where the job began.
    EXPECT_EQ(Children(tree), (std::vector<std::string>{
                                  "TreeElement:info=first", "TreeElement:half", "TreeElement:lvlerror=disk on fire",
                                  "TreeElement:half", "TreeElement:lvlerror=out of \xc3\xa4pples", "TreeElement:half",
                                  "TreeElement:lvlerror=unknown error", "TreeElement:info=last"}));

    TiXmlDocument general;
    ASSERT_TRUE(Utils::LoadXmlFile(general, scratch / L"data\\General_GeneralInformation.xml"));
    EXPECT_EQ(Children(general.RootElement()->FirstChildElement("ResultSet")),
              std::vector<std::string>{"TreeElement:info=general"});
    EXPECT_TRUE(PathExists(scratch / L"data\\Navigation.xml"));

    std::vector<std::pair<int, std::wstring>> errors;
    for (const auto& entry : Log().entries)
        if (entry.first == Logging::Error)
            errors.push_back(entry);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_NE(errors[0].second.find(L"disk on fire"), std::wstring::npos);
}

// Jobs whose failure comes out of the writer's split, half-way through it.
class SplitFailingJob : public IJobItem {
public:
    enum Kind { BranchDetached, NextPartRefused };
    explicit SplitFailingJob(Kind kind) : kind(kind) {}
    void Collect() override {
        writer->OpenNode(L"TreeElement");
        writer->AddAttribute(L"type", L"flood");
        if (kind == BranchDetached) {
            writer->OpenNode(L"TreeElement");
            // The split's first step takes the open branch out of the document, leaving no
            // current node; the step after it fails.
            writer->MarkStartingPoint(L"ResultSet");
            throw MessageException(L"split failed after detaching");
        }
        // The next part cannot be opened once its stylesheet is gone: the split closes this
        // part and throws with no part open.
        DeleteFileW(L"data\\stylesheet\\stylesheet.xslt");
        for (int i = 0; i < ResultFileWriter::ElementLimit; ++i) {
            writer->OpenNode(L"TreeElement");
            writer->CloseNode();
        }
    }
    std::wstring GetElementName() const override { return L"SplitFailingJob"; }
    Kind kind;
};

TEST_F(ResultFilesInScratch, AJobFailingInsideTheSplitStillGetsItsLeafOrIsLoggedAndTheRunGoesOn) {
    Log().active = true;
    Log().entries.clear();
    TopLevelEntityList entities;
    entities.push_back(Entity(L"System", L"Detached",
                              {new TreeElementLeaf(L"first", L"info"),
                               new SplitFailingJob(SplitFailingJob::BranchDetached),
                               new TreeElementLeaf(L"after", L"info")}));
    entities.push_back(Entity(L"System", L"Refused",
                              {new TreeElementLeaf(L"first", L"info"),
                               new SplitFailingJob(SplitFailingJob::NextPartRefused),
                               new TreeElementLeaf(L"after", L"info")}));
    std::uint32_t total = 0;
    WriteAll(entities, total);
    Log().active = false;
    ASSERT_FALSE(HasFailure());

    // The detached branch is given up with the job; the error leaf and the next job follow at
    // the depth where the job began.
    TiXmlDocument detached;
    ASSERT_TRUE(Utils::LoadXmlFile(detached, scratch / L"data\\System_Detached.xml"));
    const TiXmlElement* tree = detached.RootElement()->FirstChildElement("ResultSet")->FirstChildElement("Tree");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(Children(tree), (std::vector<std::string>{"TreeElement:info=first",
                                                        "TreeElement:lvlerror=split failed after detaching",
                                                        "TreeElement:info=after"}));

    // No part is open after the refused split: what was written before it is kept in part 1,
    // the failure is logged, and the run reaches the navigation.
    TiXmlDocument refused;
    ASSERT_TRUE(Utils::LoadXmlFile(refused, scratch / L"data\\System_Refused_1.xml"));
    EXPECT_FALSE(PathExists(scratch / L"data\\System_Refused_2.xml"));
    EXPECT_TRUE(PathExists(scratch / L"data\\Navigation.xml"));
    std::vector<std::wstring> errors;
    for (const auto& entry : Log().entries)
        if (entry.first == Logging::Error)
            errors.push_back(entry.second);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0], L"A job failed unexpectedly: split failed after detaching");
    EXPECT_EQ(errors[1], L"A job failed unexpectedly: Given style sheet file does not exist");
    EXPECT_EQ(errors[2], L"The failure could not be written to the result file System_Refused_2.xml: "
                         L"Given style sheet file does not exist");
    EXPECT_EQ(errors[3], L"The result file System_Refused.xml could not be finished.");
}

// A job after which its own result file is held by another program (a virus scanner, say) until
// the file is saved.
class FileGrabbingJob : public IJobItem {
public:
    void Collect() override {
        TreeElementLeaf leaf(L"grabbed", L"info");
        leaf.writer = writer;
        leaf.Collect();
        grab = std::make_unique<Testing::BlockedTarget>(writer->GetDirectory() + writer->GetFileName(),
                                                        Testing::Blocking::HeldOpen);
    }
    std::wstring GetElementName() const override { return L"FileGrabbingJob"; }
    std::unique_ptr<Testing::BlockedTarget> grab;  // let go with the job, after its file was closed
};

// The report renders the run's records: every file and part under its final name, the one that
// could not be written marked, and nothing of an earlier run.
TEST_F(ResultFilesInScratch, TheRecordsHoldExactlyThisRunsFilesAndTheRunGoesOnPastOneThatFailed) {
    ResultFileRecords::Instance().Saved(L"Earlier_Run.xml", 0);
    Utils::ForgetWriteFailures();
    Log().active = true;
    Log().entries.clear();
    class Flood : public IJobItem {
    public:
        void Collect() override {
            for (int i = 0; i < 15000; ++i) {
                TreeElementLeaf leaf(L"leaf", L"file");
                leaf.writer = writer;
                leaf.Collect();
            }
        }
        std::wstring GetElementName() const override { return L"Flood"; }
    };
    TopLevelEntityList entities;
    entities.push_back(Entity(L"System", L"Grabbed", {new FileGrabbingJob()}));
    entities.push_back(Entity(L"System", L"Big", {new Flood()}));
    entities.push_back(Entity(L"General", L"Info", {new TreeElementLeaf(L"general", L"info")}));
    std::uint32_t total = 0;
    WriteAll(entities, total);
    Log().active = false;

    std::vector<std::string> records;
    for (const ResultFileRecord& record : ResultFileRecords::Instance().All())
        records.push_back(Utils::ToUtf8(record.name) + (record.writeError == 0 ? "=ok" : "=failed"));
    EXPECT_EQ(records, (std::vector<std::string>{"System_Grabbed.xml=failed", "System_Big_1.xml=ok",
                                                 "System_Big_2.xml=ok", "General_Info.xml=ok"}));
    std::vector<std::wstring> errors;
    for (const auto& entry : Log().entries)
        if (entry.first == Logging::Error)
            errors.push_back(entry.second);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].find(L"The file 'data\\System_Grabbed.xml' could not be written: "), 0u)
        << Utils::ToUtf8(errors[0]);
    EXPECT_EQ(errors[0], Utils::FirstWriteFailure());
    TiXmlDocument general;
    EXPECT_TRUE(Utils::LoadXmlFile(general, scratch / L"data\\General_Info.xml"));
    EXPECT_TRUE(PathExists(scratch / L"data\\Navigation.xml"));
    ResultFileRecords::Instance().Clear();
    Utils::ForgetWriteFailures();
}

// The text that ends the collector stays its last line; the first file that could not be
// written stands right before it.
TEST(CollectorEnd, TheFinalTextFollowsTheFirstFileThatCouldNotBeWritten) {
    Utils::ForgetWriteFailures();
    {
        StdoutCapture output;
        ReportFatal(L"Can't create zip file");
        EXPECT_EQ(output.Take(), "Can't create zip file");
    }
    Utils::ReportWriteFailure(L"data\\System_Processes_2.xml", ERROR_DISK_FULL);
    Utils::ReportWriteFailure(L"data\\Logfile.xml", ERROR_DISK_FULL);
    {
        StdoutCapture output;
        ReportFatal(L"Can't create zip file");
        EXPECT_EQ(output.Take(), EncodeForPipe(L"The file 'data\\System_Processes_2.xml' could not be written: " +
                                               System::GetErrorText(ERROR_DISK_FULL) + L"\nCan't create zip file"));
    }
    Utils::ForgetWriteFailures();
}

TEST_F(ResultFilesInScratch, ExitExceptionsFromAJobStillEndTheRun) {
    TopLevelEntityList entities;
    entities.push_back(Entity(L"System", L"", {new FailingJob(3), new TreeElementLeaf(L"never", L"info")}));
    std::uint32_t total = 0;
    StdoutCapture output;
    try {
        Application::WriteResultFiles(entities, *navigation, total);
        ADD_FAILURE() << "exit exception swallowed";
    } catch (const ExitException& exception) {
        EXPECT_EQ(exception.GetExitCode(), 6);
    }
    EXPECT_EQ(output.Take(), "1/3: System...\r\n");
    EXPECT_FALSE(PathExists(scratch / L"data\\Navigation.xml"));
}

} // namespace

namespace {

TEST(ApplicationReading, WmiFailureWhileReadingTheModeFileEndsWith8AndIsLoggedFatal) {
    using namespace Gathrix;
    Log().active = true;
    Log().entries.clear();
    const std::wstring wmiText = WMIObjectException(WMIObjectException::CannotConnect).GetMessageText();
    try {
        Application::ReadGuardingWmi([]() -> TopLevelEntityList { throw WMIObjectException(WMIObjectException::CannotConnect); });
        ADD_FAILURE() << "WMI failure swallowed";
    } catch (const ExitException& exception) {
        EXPECT_EQ(exception.GetExitCode(), 8);
        EXPECT_EQ(exception.GetMessageText(), wmiText + L"\nApplication will exit");
    }
    Log().active = false;
    ASSERT_EQ(Log().entries.size(), 1u);
    EXPECT_EQ(Log().entries[0].first, Logging::FatalError);
    EXPECT_EQ(Log().entries[0].second, wmiText);

    // Anything else passes through untouched.
    TopLevelEntityList read = Application::ReadGuardingWmi([] {
        TopLevelEntityList entities;
        entities.push_back(std::make_unique<TopLevelEntity>(ActiveNavigation(L"A", L"", L"")));
        return entities;
    });
    EXPECT_EQ(read.size(), 1u);
    EXPECT_THROW(Application::ReadGuardingWmi([]() -> TopLevelEntityList { throw MessageException(L"x"); }),
                 MessageException);
}

} // namespace
