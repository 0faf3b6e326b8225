// A program that outlives its time-out while the collector packs and delivers, run end to end.

#include "collector/archive/tests/ArchiveListing.h"
#include "collector/core/e2e/tests/CollectorProcess.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "tools/tests/StandIn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace Gathrix::Testing;
using Gathrix::Utils::ToUtf8;

bool Holds(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string ModeFile(const std::wstring& program, const std::string& parameters, const std::string& output) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Config>\n"
           "  <Mode><Name lang=\"en-us\">Programs</Name></Mode>\n"
           "  <Level1><Name>Programs</Name><Jobs>\n"
           "    <ExternalProgram><Executable>" + ToUtf8(program) + "</Executable>"
           "<StartParameter>" + parameters + "</StartParameter><OutputFilename>" + output + "</OutputFilename>"
           "</ExternalProgram>\n"
           "  </Jobs></Level1>\n"
           "</Config>\n";
}

} // namespace

TEST(CollectorExternalProgram, ProgramPastItsTimeOutNeitherBlocksDeliveryNorTheNextRun) {
    ScratchFolder scratch(L"slow");
    const std::wstring program = scratch / L"slow.exe";
    ASSERT_TRUE(PlaceStandIn(program));
    // Runs until the test lets it go (at most five minutes, far past the 60 s time-out); a child it
    // starts holds the output file 95 s. First it counts the handles it holds to pipes this test
    // made: the collector's output is one.
    const std::wstring go = scratch / L"go";
    const std::string pipesOfTheTest = "pipesof:" + std::to_string(GetCurrentProcessId());
    WriteFileBytes(scratch / L"Slow.xml", ModeFile(program, "out:started " + pipesOfTheTest + " spawn:95000 await:" +
                                                                Gathrix::Utils::ToUtf8(go),
                                                   "slow.txt"));
    WriteFileBytes(scratch / L"Quick.xml", ModeFile(program, "out:quick", "quick.txt"));
    WriteFileBytes(scratch / L"Again.xml", ModeFile(program, "out:again", "slow.txt"));
    const std::wstring work = scratch / L"work";
    const std::wstring out = scratch / L"out";
    CreateDirectoryW(out.c_str(), nullptr);
    auto run = [&](const wchar_t* modeFile) {
        return RunGathrix(L"-s " + Quote(scratch / modeFile) + L" -t " + Quote(work) + L" -o " + Quote(out));
    };

    const DWORD start = GetTickCount();
    const ProcessResult slow = run(L"Slow.xml");
    const DWORD took = GetTickCount() - start;
    ASSERT_EQ(0u, slow.exitCode) << slow.output;
    // The collector's output ends with the collector, not with the program it left running.
    EXPECT_LT(took, 280000u) << "the run waited for the program that was left running";
    // Nor can it: the program left running holds none of the collector's output pipe. The harness
    // reads only until the collector has ended (under Wine the desktop process may hold the
    // collector's handles), so the program counts what it inherited; handed the pipe, it sees it.
    const std::string none = "pipes of " + std::to_string(GetCurrentProcessId()) + ": 0";
    EXPECT_EQ("started" + none, ReadFileBytes(work + L"\\data\\ProgramLogs\\slow.txt"));
    EXPECT_EQ("pipes of " + std::to_string(GetCurrentProcessId()) + ": 1",
              RunProcess(Quote(program) + L" " + Gathrix::Utils::FromUtf8(pipesOfTheTest)).output);
    WriteFileBytes(go, "");  // the program ends; the child it started still holds the file
    EXPECT_TRUE(Holds(ArchiveNames(out + L"\\GATHRINF.7z"), L"data\\ProgramLogs\\slow.txt"));
    std::string log = ReadFileBytes(work + L"\\data\\logfile.log");
    EXPECT_NE(std::string::npos, log.find("' timed out. Time out was 60000 milliseconds.")) << log;

    // The program still runs and writes its file: the next collection is not refused as a second
    // instance, and its archive holds nothing of the earlier run.
    const ProcessResult next = run(L"Quick.xml");
    EXPECT_EQ(0u, next.exitCode) << next.output;
    std::vector<std::wstring> packed = ArchiveNames(out + L"\\GATHRINF.7z");
    EXPECT_TRUE(Holds(packed, L"data\\ProgramLogs\\quick.txt"));
    EXPECT_FALSE(Holds(packed, L"data\\ProgramLogs\\slow.txt")) << "the earlier run's output was packed";
    log = ReadFileBytes(work + L"\\data\\logfile.log");
    EXPECT_EQ(std::string::npos, log.find("left by an earlier run")) << log;

    // A job of the same output name gets a file of its own while the program still runs.
    const ProcessResult again = run(L"Again.xml");
    EXPECT_EQ(0u, again.exitCode) << again.output;
    EXPECT_TRUE(Holds(ArchiveNames(out + L"\\GATHRINF.7z"), L"data\\ProgramLogs\\slow.txt"));
    log = ReadFileBytes(work + L"\\data\\logfile.log");
    EXPECT_EQ(std::string::npos, log.find("Could not open outputfile")) << log;
    EXPECT_EQ("again", ReadFileBytes(work + L"\\data\\ProgramLogs\\slow.txt"));
}

// A file of an earlier run that a program still holds without letting it be deleted (as programs
// started by earlier versions hold their output) stays in the working folder: it is named in a
// WARNING and left out of the archive, and the run goes on.
TEST(CollectorExternalProgram, AnUndeletableLeftoverIsNamedInAWarningAndNotPacked) {
    ScratchFolder scratch(L"leftover");
    const std::wstring program = scratch / L"quick.exe";
    ASSERT_TRUE(PlaceStandIn(program));
    WriteFileBytes(scratch / L"Quick.xml", ModeFile(program, "out:quick", "quick.txt"));
    const std::wstring work = scratch / L"work";
    const std::wstring out = scratch / L"out";
    CreateDirectoryW(out.c_str(), nullptr);
    // An earlier run's working folder.
    for (const wchar_t* folder : {L"", L"\\data", L"\\data\\stylesheet", L"\\data\\ProgramLogs"})
        ASSERT_TRUE(CreateDirectoryW((work + folder).c_str(), nullptr));
    const std::wstring held = work + L"\\data\\ProgramLogs\\held.txt";
    WriteFileBytes(held, "earlier output");
    WriteFileBytes(work + L"\\data\\ProgramLogs\\done.txt", "earlier output");
    Gathrix::UniqueHandle holder(CreateFileW(held.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.IsValid());

    const ProcessResult result =
        RunGathrix(L"-s " + Quote(scratch / L"Quick.xml") + L" -t " + Quote(work) + L" -o " + Quote(out));
    holder.Reset();
    ASSERT_EQ(0u, result.exitCode) << result.output;
    const std::vector<std::wstring> packed = ArchiveNames(out + L"\\GATHRINF.7z");
    EXPECT_TRUE(Holds(packed, L"data\\ProgramLogs\\quick.txt"));
    EXPECT_FALSE(Holds(packed, L"data\\ProgramLogs\\held.txt"));
    EXPECT_FALSE(Holds(packed, L"data\\ProgramLogs\\done.txt"));
    const std::string log = ReadFileBytes(work + L"\\data\\logfile.log");
    const std::string warning = "[WARNING]";
    const std::string named = ToUtf8(L"'" + held + L"', left by an earlier run, cannot be deleted and is left out of the archive: " +
                                     Gathrix::System::GetErrorText(ERROR_SHARING_VIOLATION));
    const std::size_t at = log.find(named);
    ASSERT_NE(std::string::npos, at) << log;
    const std::size_t lineStart = log.rfind('\n', at);
    EXPECT_NE(std::string::npos, log.substr(lineStart + 1, at - lineStart).find(warning)) << log;
}

// An earlier run's output made read-only since is deleted like any other leftover: the run writes
// its own file of that name, and the archive holds it (the report links to it).
TEST(CollectorExternalProgram, AReadOnlyLeftoverIsDeletedAndTheRunsOwnFileIsPacked) {
    ScratchFolder scratch(L"readonly");
    const std::wstring program = scratch / L"quick.exe";
    ASSERT_TRUE(PlaceStandIn(program));
    WriteFileBytes(scratch / L"Quick.xml", ModeFile(program, "out:quick", "quick.txt"));
    const std::wstring work = scratch / L"work";
    const std::wstring out = scratch / L"out";
    CreateDirectoryW(out.c_str(), nullptr);
    for (const wchar_t* folder : {L"", L"\\data", L"\\data\\stylesheet", L"\\data\\ProgramLogs"})
        ASSERT_TRUE(CreateDirectoryW((work + folder).c_str(), nullptr));
    const std::wstring copy = work + L"\\data\\ProgramLogs\\quick.txt";
    WriteFileBytes(copy, "earlier output");
    ASSERT_TRUE(SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_READONLY));

    const ProcessResult result =
        RunGathrix(L"-s " + Quote(scratch / L"Quick.xml") + L" -t " + Quote(work) + L" -o " + Quote(out));
    ASSERT_EQ(0u, result.exitCode) << result.output;
    EXPECT_TRUE(Holds(ArchiveNames(out + L"\\GATHRINF.7z"), L"data\\ProgramLogs\\quick.txt"));
    EXPECT_EQ("quick", ReadFileBytes(copy));
    const std::string log = ReadFileBytes(work + L"\\data\\logfile.log");
    EXPECT_EQ(std::string::npos, log.find("left by an earlier run")) << log;
    EXPECT_EQ(std::string::npos, log.find("Could not open outputfile")) << log;
}
