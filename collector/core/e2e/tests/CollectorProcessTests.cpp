// The collector started as a process, the way the wizard starts it: exit codes, console texts
// and what happens to the working folder.

#include "collector/core/CollectorEntry.h"
#include "collector/core/CommandLine.h"
#include "collector/core/ConsoleStatus.h"
#include "collector/core/QXMutex.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Gathrix::Testing;

std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

ProcessResult RunGathrix(const std::wstring& arguments, const ProcessOptions& options = {}) {
    return RunProcess(Quote(DistDir() + L"\\Gathrix.exe") + L" " + arguments, options);
}

// What the collector shows for a text, as bytes on its output pipe.
std::string Shown(const std::wstring& text) { return Gathrix::EncodeForPipe(text); }

// The primary token of this process with the Administrators group for deny only.
Gathrix::UniqueHandle NonAdministratorToken() {
    Gathrix::UniqueHandle own, restricted;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, own.Put()));
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    EXPECT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                         0, 0, 0, 0, &administrators));
    SID_AND_ATTRIBUTES denyOnly{administrators, 0};
    EXPECT_TRUE(CreateRestrictedToken(own.Get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, restricted.Put()));
    FreeSid(administrators);
    return restricted;
}

// A folder with a mode file and a working folder that already holds a file of the user's.
struct RunFolders {
    ScratchFolder scratch{L"e2e"};
    std::wstring modeFile = scratch / L"Mode.xml";
    std::wstring work = scratch / L"work";
    std::wstring marker = work + L"\\keep.txt";

    RunFolders() {
        WriteFileBytes(modeFile, "<Config />");
        CreateDirectoryW(work.c_str(), nullptr);
        WriteFileBytes(marker, "the user's own file");
    }
    std::wstring Arguments() const { return L"-s " + Quote(modeFile) + L" -t " + Quote(work); }
    bool WorkUntouched() const { return PathExists(marker) && !PathExists(work + L"\\data"); }
};

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
