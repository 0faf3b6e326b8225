#include "collector/collectors/processes/ExternalProgram.h"
#include "collector/config/ExternalProgramParser.h"
#include "collector/config/tests/ConfigTestSupport.h"
#include "collector/platform/Variables.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;
const std::wstring kAt = L"XML element 'ExternalProgram' (row 1, column 1): ";

struct Job {
    std::wstring executable, parameters, output;
    std::uint32_t timeout;
    bool operator==(const Job& other) const {
        return executable == other.executable && parameters == other.parameters && output == other.output &&
               timeout == other.timeout;
    }
};

void PrintTo(const Job& job, std::ostream* out) {
    *out << "{" << Utils::ToUtf8(job.executable) << ", " << Utils::ToUtf8(job.parameters) << ", "
         << Utils::ToUtf8(job.output) << ", " << job.timeout << "}";
}

std::vector<Job> Jobs(const TreeElementGroup& container) {
    std::vector<Job> jobs;
    for (ExternalProgram* job : JobsOf<ExternalProgram>(container))
        jobs.push_back({job->GetExecutable(), job->GetStartParameters(), job->GetOutputFileName(), job->GetTimeout()});
    return jobs;
}

} // namespace

TEST_F(ConfigTest, ExternalProgramElementsBecomeOneJobPerCandidate) {
    const std::vector<std::wstring> programFiles = System::Variables::Instance().Expand(L"%ProgramFiles%\\Tool\\t.exe");
    std::vector<Job> programFilesJobs;
    for (const auto& candidate : programFiles)
        programFilesJobs.push_back({candidate, L"-v", L"t.log", 60000});
    ASSERT_FALSE(programFiles.empty());
    EXPECT_NE(L"%ProgramFiles%\\Tool\\t.exe", programFiles[0]);

    struct Case {
        std::string xml;
        bool valid;
        std::vector<LogLine> lines;  // WARNING and above
        std::vector<Job> jobs;
    } cases[] = {
        {"<ExternalProgram>\n  <Executable>Provlist.exe</Executable>\n  <StartParameter>/a b</StartParameter>\n"
         "  <OutputFilename>provlist.txt</OutputFilename>\n</ExternalProgram>",
         true, {}, {{L"Provlist.exe", L"/a b", L"provlist.txt", 60000}}},
        // An empty parameter element: the program runs without arguments.
        {"<ExternalProgram>\n  <Executable>C:\\x.exe</Executable>\n  <StartParameter/>\n"
         "  <OutputFilename>x.txt</OutputFilename>\n</ExternalProgram>",
         true, {}, {{L"C:\\x.exe", L"", L"x.txt", 60000}}},
        // A program-files path gives a job per candidate, in candidate order, alike otherwise.
        {"<ExternalProgram>\n  <Executable>%ProgramFiles%\\Tool\\t.exe</Executable>\n  <StartParameter>-v</StartParameter>\n"
         "  <OutputFilename>t.log</OutputFilename>\n</ExternalProgram>",
         true, {}, programFilesJobs},
        // Attributes and a fourth element change nothing.
        {"<ExternalProgram any=\"1\">\n  <Executable>C:\\x.exe</Executable>\n  <StartParameter>p</StartParameter>\n"
         "  <OutputFilename>x.txt</OutputFilename>\n  <More/>\n</ExternalProgram>",
         true, {}, {{L"C:\\x.exe", L"p", L"x.txt", 60000}}},
        {"<ExternalProgram/>", false, {{W, kAt + L"Missing XML element 'Executable'."}}, {}},
        {"<ExternalProgram>\n  <Program>C:\\x.exe</Program>\n</ExternalProgram>", false,
         {{W, kAt + L"Unexpected XML element 'Program' (row 2, column 3). Expected was an XML element 'Executable'."}}, {}},
        {"<ExternalProgram>\n  <Executable>C:\\x.exe</Executable>\n  <OutputFilename>x.txt</OutputFilename>\n"
         "  <StartParameter/>\n</ExternalProgram>",
         false,
         {{W, kAt + L"Unexpected XML element 'OutputFilename' (row 3, column 3). Expected was an XML element "
                    L"'StartParameter'."}},
         {}},
        {"<ExternalProgram>\n  <Executable>C:\\x.exe</Executable>\n</ExternalProgram>", false,
         {{W, kAt + L"Missing XML element 'StartParameter'."}}, {}},
        {"<ExternalProgram>\n  <Executable>C:\\x.exe</Executable>\n  <StartParameter/>\n</ExternalProgram>", false,
         {{W, kAt + L"Missing XML element 'OutputFilename'."}}, {}},
    };
    ExternalProgramParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(c.valid, ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.jobs, Jobs(container));
    }
}

TEST_F(ConfigTest, ExternalProgramIsRegisteredWithTheReader) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <ExternalProgram><Executable>Provlist.exe</Executable><StartParameter/>"
        "<OutputFilename>provlist.txt</OutputFilename></ExternalProgram>\n");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(1u, entities[0]->GetJobItems().size());
    auto* job = dynamic_cast<ExternalProgram*>(entities[0]->GetJobItems()[0].get());
    ASSERT_NE(nullptr, job);
    EXPECT_EQ(L"\"Provlist.exe\" ", job->GetCommandLine());
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
