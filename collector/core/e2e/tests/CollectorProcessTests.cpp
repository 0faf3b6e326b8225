// The collector started as a process, the way the wizard starts it: exit codes, console texts
// and what happens to the working folder.

#include "collector/core/CollectorEntry.h"
#include "collector/core/CommandLine.h"
#include "collector/core/ConsoleStatus.h"
#include "collector/core/QXMutex.h"
#include "collector/core/e2e/tests/CollectorProcess.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Gathrix::Testing;

TEST(CollectorProcess, CommandLineErrorsEndWith1AndTheComposedText) {
    const std::vector<std::wstring> cases = {L"", L"-x", L"-s a.xml -s b.xml", L"-n"};
    for (const std::wstring& arguments : cases) {
        // The text the command line composes for these arguments.
        std::wstring expected;
        {
            Gathrix::CommandLine::ProgramOptions options;
            std::vector<wchar_t*> values;
            std::vector<std::wstring> tokens = {L"Gathrix.exe"};
            size_t start = 0;
            while (start < arguments.size()) {
                size_t blank = arguments.find(L' ', start);
                tokens.push_back(arguments.substr(start, blank - start));
                start = blank == std::wstring::npos ? arguments.size() : blank + 1;
            }
            for (std::wstring& token : tokens)
                values.push_back(&token[0]);
            try {
                options.GetSettings(Gathrix::CommandLine::ToArgumentVector(static_cast<int>(values.size()), values.data()));
                ADD_FAILURE() << "accepted: " << arguments.c_str();
            } catch (const Gathrix::ExitException& exception) {
                expected = exception.GetMessageText();
            }
        }
        ProcessResult result = RunGathrix(arguments);
        EXPECT_EQ(result.exitCode, 1u) << arguments.c_str();
        EXPECT_EQ(result.output, Shown(expected));
    }
}

TEST(CollectorProcess, HelpPrintsTheUsageAndEndsWith0EvenWithoutAdministratorRights) {
    Gathrix::CommandLine::ProgramOptions options;
    std::wstring program = DistDir() + L"\\Gathrix.exe", help = L"-h";
    wchar_t* argv[] = {&program[0], &help[0]};
    EXPECT_EQ(options.GetSettings(Gathrix::CommandLine::ToArgumentVector(2, argv)), nullptr);
    std::wstring usage = options.GetParser().GetUsage();
    Gathrix::UniqueHandle token = NonAdministratorToken();
    for (HANDLE asUser : {static_cast<HANDLE>(nullptr), token.Get()}) {
        ProcessOptions run;
        run.token = asUser;
        ProcessResult result = RunGathrix(L"-h", run);
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(result.output, Shown(usage));
    }
}

TEST(CollectorProcess, WithoutAdministratorRightsEndsWith2BeforeTheWorkingFolderIsTouched) {
    RunFolders setup;
    Gathrix::UniqueHandle token = NonAdministratorToken();
    ProcessOptions run;
    run.token = token.Get();
    ProcessResult result = RunGathrix(setup.Arguments(), run);
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_EQ(result.output, "Permission denied.\r\nYou do not have administrator rights.");
    EXPECT_TRUE(setup.WorkUntouched());
}

TEST(CollectorProcess, MissingModeFileEndsWith4WithItsQualifiedPath) {
    RunFolders setup;
    ProcessOptions run;
    run.currentFolder = setup.scratch.Path();
    ProcessResult result = RunGathrix(L"-s missing.xml -t " + Quote(setup.work), run);
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(result.output, Shown(L"File: '" + (setup.scratch / L"missing.xml") + L"' doesn't exist."));
    EXPECT_TRUE(setup.WorkUntouched());
}

TEST(CollectorProcess, ModeFileWithoutTopLevelEntitiesEndsWith4AfterTheLogsExist) {
    RunFolders folders;
    WriteFileBytes(folders.modeFile, "<Config><Mode><Name>broken");
    DeleteFileW(folders.marker.c_str());  // an earlier run's leftovers only
    CreateDirectoryW((folders.work + L"\\data").c_str(), nullptr);
    CreateDirectoryW((folders.work + L"\\data\\stylesheet").c_str(), nullptr);
    WriteFileBytes(folders.work + L"\\data\\old.xml", "from an earlier run");
    WriteFileBytes(folders.work + L"\\index.html", "from an earlier run");
    ProcessResult result = RunGathrix(folders.Arguments());
    const std::wstring message = L"Can't read top-level entities from config file: " + folders.modeFile;
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(result.output, Shown(message));
    EXPECT_FALSE(PathExists(folders.work + L"\\data\\old.xml"));  // emptied before anything was written
    std::string log = ReadFileBytes(folders.work + L"\\data\\logfile.log");
    EXPECT_NE(log.find("log file opened"), std::string::npos);
    EXPECT_NE(log.find("Error loading config file"), std::string::npos);
    EXPECT_NE(log.find("[FATAL ERROR]    " + Gathrix::Utils::ToUtf8(message)), std::string::npos);
    EXPECT_NE(ReadFileBytes(folders.work + L"\\data\\Logfile.xml")
                  .find("<Message>Can&apos;t read top-level entities from config file: " +
                        Gathrix::Utils::ToUtf8(folders.modeFile) + "</Message>"),
              std::string::npos);
}

// Nested deeper than the stack could parse: refused as a mode file that cannot be read, with the
// reason in the log, never a crash.
TEST(CollectorProcess, ModeFileNestedTooDeeplyEndsWith4) {
    RunFolders folders;
    DeleteFileW(folders.marker.c_str());
    std::string xml = "<Config><Mode><Name>Deep</Name></Mode><Level1><Name>A</Name><Level2><Name>B</Name><Jobs>";
    for (int i = 0; i < 20000; ++i)
        xml += "<FileInfos>";
    WriteFileBytes(folders.modeFile, xml);
    ProcessResult result = RunGathrix(folders.Arguments());
    EXPECT_EQ(result.exitCode, 4u);
    EXPECT_EQ(result.output, Shown(L"Can't read top-level entities from config file: " + folders.modeFile));
    const std::string log = ReadFileBytes(folders.work + L"\\data\\logfile.log");
    EXPECT_NE(log.find("Error: elements nested more than 1000 levels deep."), std::string::npos) << log;
}

TEST(CollectorProcess, WorkingFolderThatCannotBeUsedEndsWith5AndLosesNothing) {
    RunFolders setup;
    // Anything but an earlier run's leftovers: refused, nothing deleted.
    ProcessResult result = RunGathrix(setup.Arguments());
    EXPECT_EQ(result.exitCode, 5u);
    EXPECT_EQ(result.output, Shown(L"Cannot use the temporary folder '" + setup.work + L"'."));
    EXPECT_TRUE(setup.WorkUntouched());
    EXPECT_EQ(ReadFileBytes(setup.marker), "the user's own file");

    // A folder below a file cannot be created.
    std::wstring belowFile = setup.marker + L"\\work";
    result = RunGathrix(L"-s " + Quote(setup.modeFile) + L" -t " + Quote(belowFile));
    EXPECT_EQ(result.exitCode, 5u);
    EXPECT_EQ(result.output, Shown(L"No access to temporary folder '" + belowFile + L"'."));
}

TEST(CollectorProcess, DataFoldersThatCannotBeCreatedEndWith9) {
    // An empty folder of a file system that refuses new folders even to root (sysfs).
    const std::wstring readOnly = L"Z:\\sys\\kernel\\software_nodes";
    WIN32_FIND_DATAW entry;
    Gathrix::UniqueFindHandle find(FindFirstFileW((readOnly + L"\\*").c_str(), &entry));
    bool empty = find.IsValid();
    while (empty && find.IsValid()) {
        std::wstring name = entry.cFileName;
        empty = name == L"." || name == L"..";
        if (!FindNextFileW(find.Get(), &entry))
            break;
    }
    if (!empty || CreateDirectoryW((readOnly + L"\\probe").c_str(), nullptr)) {
        RemoveDirectoryW((readOnly + L"\\probe").c_str());
        GTEST_SKIP() << "no empty read-only folder on this machine";
    }
    RunFolders folders;
    ProcessResult result = RunGathrix(L"-s " + Quote(folders.modeFile) + L" -t " + Quote(readOnly));
    EXPECT_EQ(result.exitCode, 9u);
    EXPECT_EQ(result.output, Shown(L"Can't create directories in temporary folder: " + readOnly));
}

TEST(CollectorProcess, SecondInstanceEndsWith11AndLeavesTheWorkingFolderAlone) {
    RunFolders setup;
    ostrilib::CQXMutex running(Gathrix::kRunningMutexName);
    ProcessResult result = RunGathrix(setup.Arguments());
    EXPECT_EQ(result.exitCode, 11u);
    EXPECT_EQ(result.output, "An instance of Gathrix is already running.");
    EXPECT_TRUE(setup.WorkUntouched());
}

} // namespace
