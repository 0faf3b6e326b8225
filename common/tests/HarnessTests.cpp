// The test harness itself: exit codes above 255 and console output must reach the tests intact,
// since the collector's exit codes (1000 above all) are its interface to the wizard.
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Gathrix::Testing;

namespace {

TEST(Harness, ChildExitCodesAndOutputArriveExactly) {
    EXPECT_EQ(1000u, RunProcess(L"cmd.exe /c exit 1000").exitCode);
    EXPECT_EQ(11u, RunProcess(L"cmd.exe /c exit 11").exitCode);
    ProcessResult echo = RunProcess(L"cmd.exe /c echo harness");
    EXPECT_EQ(0u, echo.exitCode);
    EXPECT_NE(std::string::npos, echo.output.find("harness"));
}

TEST(Harness, DistHoldsTheShippedProgramsAndTheArchiveLibrary) {
    for (const wchar_t* name : {L"Gathrix.exe", L"GathrixWizard.exe", L"Provlist.exe", L"7z.dll"})
        EXPECT_TRUE(PathExists(DistDir() + L"\\" + name)) << "missing in dist: " << name;
}

} // namespace
