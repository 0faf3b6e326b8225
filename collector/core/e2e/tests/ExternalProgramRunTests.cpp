// A program that outlives its time-out while the collector packs and delivers, run end to end.

#include "collector/archive/tests/ArchiveListing.h"
#include "collector/core/e2e/tests/CollectorProcess.h"
#include "common/Text.h"
#include "tools/tests/StandIn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace Gathrix::Testing;
using Gathrix::Utils::ToUtf8;

std::string ModeFile(const std::wstring& program, const std::string& parameters) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Config>\n"
           "  <Mode><Name lang=\"en-us\">Programs</Name></Mode>\n"
           "  <Level1><Name>Programs</Name><Jobs>\n"
           "    <ExternalProgram><Executable>" + ToUtf8(program) + "</Executable>"
           "<StartParameter>" + parameters + "</StartParameter><OutputFilename>slow.txt</OutputFilename>"
           "</ExternalProgram>\n"
           "  </Jobs></Level1>\n"
           "</Config>\n";
}

} // namespace

TEST(CollectorExternalProgram, ProgramPastItsTimeOutNeitherBlocksDeliveryNorTheNextRun) {
    ScratchFolder scratch(L"slow");
    const std::wstring program = scratch / L"slow.exe";
    ASSERT_TRUE(PlaceStandIn(program));
    // Runs 90 s (past the 60 s time-out); a child it starts holds the output file 95 s.
    WriteFileBytes(scratch / L"Slow.xml", ModeFile(program, "out:started spawn:95000 sleep:90000"));
    WriteFileBytes(scratch / L"Quick.xml", ModeFile(program, "out:quick"));
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
    EXPECT_LT(took, 85000u) << "the run waited for the program that was left running";
    const std::vector<std::wstring> packed = ArchiveNames(out + L"\\GATHRINF.7z");
    EXPECT_NE(std::find(packed.begin(), packed.end(), L"data\\ProgramLogs\\slow.txt"), packed.end());
    const std::string log = ReadFileBytes(work + L"\\data\\logfile.log");
    EXPECT_NE(std::string::npos, log.find("' timed out. Time out was 60000 milliseconds.")) << log;

    // The program still runs: the next collection is not refused as a second instance.
    const ProcessResult next = run(L"Quick.xml");
    EXPECT_EQ(0u, next.exitCode) << next.output;
}
