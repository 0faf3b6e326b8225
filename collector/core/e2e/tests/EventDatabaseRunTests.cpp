// The event-database job in a whole run of the shipped collector (its mutex: one run at a time,
// hence this area). The plug-in fixtures come from collector/collectors/eventdatabase/tests.
#include "collector/collectors/eventdatabase/tests/PluginTestSupport.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace Gathrix {
namespace {

using Testing::PluginFixture;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The shipped collector as a process, as the wizard runs it: its build has no keys of the maker,
// so it refuses the signed stand-ins and exports through the fallback plug-in; the run goes on
// with the working folder current (the next job's result and the archive are there).
TEST(EventDatabaseRun, TheShippedCollectorExportsThroughTheFallbackPlugin) {
    Testing::ScratchFolder scratch(L"eventdb-run");
    const std::wstring plugins = PluginFixture(L"plugins\\signed-p");
    const std::wstring work = scratch / L"work";
    const std::wstring out = scratch / L"out";
    const std::wstring modeFile = scratch / L"Mode.xml";
    const std::wstring callLog = scratch / L"calls.log";
    CreateDirectoryW(out.c_str(), nullptr);
    Testing::WriteFileBytes(modeFile,
        "<Config>\n  <Mode><Name lang=\"en-us\">Event database</Name></Mode>\n"
        "  <Level1><Name>Products</Name><Level2><Name>Event database</Name><Jobs>\n"
        "    <QuellonEventDb><EventDbPluginPath>" + Utils::ToUtf8(plugins) + "</EventDbPluginPath></QuellonEventDb>\n"
        "  </Jobs></Level2></Level1>\n"
        "  <Level1><Name>Files</Name><Jobs>\n"
        "    <FileInfos><Path>" + Utils::ToUtf8(plugins) + "</Path><Filter>Trovev.dll</Filter></FileInfos>\n"
        "  </Jobs></Level1>\n</Config>\n");
    SetEnvironmentVariableW(L"GATHRIX_STANDIN_LOG", callLog.c_str());
    const Testing::ProcessResult result = Testing::RunProcess(
        L"\"" + Testing::DistDir() + L"\\Gathrix.exe\" -s \"" + modeFile + L"\" -t \"" + work + L"\" -o \"" + out + L"\"");
    SetEnvironmentVariableW(L"GATHRIX_STANDIN_LOG", nullptr);
    ASSERT_EQ(0u, result.exitCode) << result.output;
    EXPECT_TRUE(Testing::PathExists(out + L"\\GATHRINF.7z"));

    const std::wstring exported = work + L"\\data\\QuellonEventDB\\" +
                                  Utils::MakeValidFileName(plugins + L"\\Trovev.dll") + L".log";
    EXPECT_TRUE(Testing::PathExists(exported)) << Utils::ToUtf8(exported);
    const std::string products = Testing::ReadFileBytes(work + L"\\data\\Products_Eventdatabase.xml");
    EXPECT_NE(std::string::npos, products.find("type=\"plaintext\"")) << products;
    EXPECT_NE(std::string::npos, products.find("<Value>Fallback export&#x0A;Event 1: service started&#x0A;</Value>")) << products;
    const std::string files = Testing::ReadFileBytes(work + L"\\data\\Files.xml");
    EXPECT_NE(std::string::npos, files.find("Trovev.dll")) << files;
    // Neither the worker library nor the GUI plug-in was loaded: their signatures were refused.
    const std::vector<std::string> calls = SplitLines(Testing::ReadFileBytes(callLog));
    ASSERT_FALSE(calls.empty());
    for (const std::string& call : calls)
        EXPECT_EQ(0u, call.rfind("Trovev", 0)) << call;
    const std::string log = Testing::ReadFileBytes(work + L"\\data\\logfile.log");
    EXPECT_NE(std::string::npos, log.find("Could not load Trovlib: '" + Utils::ToUtf8(plugins) + "\\Trovlib.dll'."));
}

} // namespace
} // namespace Gathrix
