#include "collector/collectors/processes/RunningProcesses.h"
#include "collector/config/RunningProcessesParser.h"
#include "collector/config/tests/ConfigTestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;
const std::wstring kAt = L"XML element 'RunningProcesses' (row 1, column 1): ";

// The 64-bit flag of every job the container holds, in order.
std::vector<int> Bitness(const TreeElementGroup& container) {
    std::vector<int> flags;
    for (RunningProcesses* job : JobsOf<RunningProcesses>(container))
        flags.push_back(job->GetIs64Bit());
    return flags;
}

} // namespace

TEST_F(ConfigTest, RunningProcessesElementsBecomeOneJobOfTheirBitness) {
    struct Case {
        const char* xml;
        bool valid;
        std::vector<LogLine> lines;  // WARNING and above
        std::vector<int> jobs;
    } cases[] = {
        {"<RunningProcesses type=\"32\"/>", true, {}, {0}},
        {"<RunningProcesses type=\"64\"></RunningProcesses>", true, {}, {1}},
        // Text is not examined.
        {"<RunningProcesses type=\"64\">text</RunningProcesses>", true, {}, {1}},
        // Any other value passes validation and yields nothing, silently.
        {"<RunningProcesses type=\"86\"/>", true, {}, {}},
        {"<RunningProcesses type=\"\"/>", true, {}, {}},
        {"<RunningProcesses/>", false, {{W, kAt + L"Missing XML Attribute 'type'."}}, {}},
        // A stray attribute stands as the verdict; the missing "type" is then not reported.
        {"<RunningProcesses bits=\"32\"/>", false,
         {{W, kAt + L"Unexpected XML Attribute 'bits' (row 1, column 19)."}}, {}},
        {"<RunningProcesses type=\"32\" extra=\"1\"/>", false,
         {{W, kAt + L"Unexpected XML Attribute 'extra' (row 1, column 29)."}}, {}},
        {"<RunningProcesses type=\"32\">\n  <Child/>\n</RunningProcesses>", false,
         {{W, kAt + L"Unexpected XML element 'Child' (row 2, column 3)."}}, {}},
    };
    RunningProcessesParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(c.valid, ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.jobs, Bitness(container));
    }
}

TEST_F(ConfigTest, RunningProcessesIsRegisteredAndNeverLoggedValid) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <RunningProcesses type=\"32\"/>\n    <RunningProcesses type=\"64\"/>\n");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(2u, entities[0]->GetJobItems().size());
    auto* first = dynamic_cast<RunningProcesses*>(entities[0]->GetJobItems()[0].get());
    auto* second = dynamic_cast<RunningProcesses*>(entities[0]->GetJobItems()[1].get());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(0, first->GetIs64Bit());
    EXPECT_EQ(1, second->GetIs64Bit());
    for (const auto& line : Lines(Logging::Debug))
        EXPECT_FALSE(line.text.find(L"'RunningProcesses'") != std::wstring::npos &&
                     line.text.find(L"valid.") != std::wstring::npos)
            << Utils::ToUtf8(line.text);
}

} // namespace Gathrix::ConfigParsing::Testing
