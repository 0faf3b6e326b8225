// A result file that another program holds (a virus scanner, an indexer) while the collector
// writes it, run end to end.

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

bool Holds(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Level(const std::string& name, const std::wstring& program, const std::string& parameters,
                  const std::string& output) {
    return "  <Level1><Name>" + name + "</Name><Jobs>\n"
           "    <ExternalProgram><Executable>" + ToUtf8(program) + "</Executable>"
           "<StartParameter>" + parameters + "</StartParameter><OutputFilename>" + output + "</OutputFilename>"
           "</ExternalProgram>\n"
           "  </Jobs></Level1>\n";
}

} // namespace

// The program of the first entity leaves a copy of itself holding that entity's result file,
// which the collector writes once the entity's jobs are done: the log names the file with the
// reason, and the rest of the report is delivered.
TEST(CollectorWriteFailure, AResultFileHeldByAnotherProgramIsNamedAndTheRestIsDelivered) {
    ScratchFolder scratch(L"held");
    const std::wstring program = scratch / L"scanner.exe";
    ASSERT_TRUE(PlaceStandIn(program));
    const std::wstring work = scratch / L"work";
    const std::wstring out = scratch / L"out";
    CreateDirectoryW(out.c_str(), nullptr);
    const std::wstring held = work + L"\\data\\Held.xml";
    const std::wstring go = scratch / L"go";
    WriteFileBytes(scratch / L"Mode.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n"
                   "  <Mode><Name lang=\"en-us\">Held</Name></Mode>\n" +
                       Level("Held", program,
                             "detach:hold:" + ToUtf8(held) + ";await:" + ToUtf8(go) + " await:" + ToUtf8(held) +
                                 " out:held",
                             "held.txt") +
                       Level("Other", program, "out:other", "other.txt") + "</Config>\n");

    const ProcessResult result =
        RunGathrix(L"-s " + Quote(scratch / L"Mode.xml") + L" -t " + Quote(work) + L" -o " + Quote(out));
    WriteFileBytes(go, "");  // the holder ends
    ASSERT_EQ(0u, result.exitCode) << result.output;

    const std::string named =
        "The file 'data\\Held.xml' could not be written: " + ToUtf8(Gathrix::System::GetErrorText(ERROR_SHARING_VIOLATION));
    const std::string log = ReadFileBytes(work + L"\\data\\logfile.log");
    const std::size_t at = log.find(named);
    ASSERT_NE(std::string::npos, at) << log;
    EXPECT_NE(std::string::npos, log.substr(log.rfind('\n', at) + 1, at - log.rfind('\n', at)).find("[ERROR]")) << log;
    std::string escaped = named;  // as the XML log prints it
    for (std::size_t quote; (quote = escaped.find('\'')) != std::string::npos;)
        escaped.replace(quote, 1, "&apos;");
    EXPECT_NE(std::string::npos, ReadFileBytes(work + L"\\data\\Logfile.xml").find(escaped));

    const std::vector<std::wstring> packed = ArchiveNames(out + L"\\GATHRINF.7z");
    for (const wchar_t* name : {L"index.html", L"data\\Other.xml", L"data\\Navigation.xml", L"data\\Logfile.xml",
                                L"data\\logfile.log", L"data\\ProgramLogs\\held.txt", L"data\\ProgramLogs\\other.txt"})
        EXPECT_TRUE(Holds(packed, name)) << ToUtf8(name);
    EXPECT_NE(std::string::npos, result.output.find(Shown(L"Finished! You can find the result here: ("))) << result.output;

    // The holder lets go before the scratch folder is removed.
    for (int tick = 0; tick < 200 && !DeleteFileW(held.c_str()); ++tick)
        Sleep(50);
}
