#include "collector/collectors/processes/ExternalProgram.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Logging.h"
#include "common/Text.h"
#include "common/tests/support/Bounded.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"
#include "tools/tests/StandIn.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

constexpr int E = Logging::Error;

// The written element: "value|externalLink|embeddedObjectLink|type|showNumOfChildren".
std::string Element(const TiXmlElement* node) {
    const TiXmlElement* value = node->FirstChildElement("Value");
    auto attribute = [](const TiXmlElement* element, const char* name) {
        return std::string(element && element->Attribute(name) ? element->Attribute(name) : "-");
    };
    return std::string(value && value->GetText() ? value->GetText() : "") + "|" + attribute(value, "externalLink") + "|" +
           attribute(value, "embeddedObjectLink") + "|" + attribute(node, "type") + "|" +
           attribute(node, "showNumOfChildren") + (node->FirstChildElement("TreeElement") ? "|children" : "");
}

// The jobs run in a working folder of their own: ".\data\ProgramLogs" is relative to it.
class ExternalProgramTest : public ResultFolderTest {
protected:
    ExternalProgramTest() : log(LogCapture::Start()) {
        GetCurrentDirectoryW(MAX_PATH, previousFolder);
        SetCurrentDirectoryW(scratch.Path().c_str());
        CreateDirectoryW(programs.c_str(), nullptr);
        PlaceStandIn(program);
    }
    ~ExternalProgramTest() override { SetCurrentDirectoryW(previousFolder); }

    // Collects the job into a fresh result file and returns its element.
    std::string Collected(ExternalProgram& job) {
        ResultFileWriter writer(nullptr);
        writer.SetDirectory(data);
        const std::wstring name = L"Programs" + std::to_wstring(++files) + L".xml";
        writer.Open(name, L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
        job.writer = &writer;
        job.Collect();
        EXPECT_EQ(2, writer.GetDepth());
        writer.CloseDocument();
        lastBytes = WellFormedBytes(name);
        TiXmlDocument document;
        FILE* file = _wfopen(DataFile(name).c_str(), L"rb");
        if (!file)
            return "(no result file)";
        document.LoadFile(file);
        fclose(file);
        const TiXmlElement* element = document.RootElement()->FirstChildElement("ResultSet")->FirstChildElement("TreeElement");
        return element ? Element(element) : "(no element)";
    }

    // The output file's bytes; Wine's console host keeps it locked for a moment after the
    // program ends, so a failed open is retried.
    std::string Output(const std::wstring& name) {
        const std::wstring path = scratch / (L"data\\ProgramLogs\\" + name);
        for (int attempt = 0; attempt < 40; ++attempt) {
            UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
            if (file)
                return ReadToEnd(file.Get());
            if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
                return "(none)";
            Sleep(50);
        }
        return "(locked)";
    }

    std::vector<LogCapture::Entry> Errors() const {
        std::vector<LogCapture::Entry> errors;
        for (const auto& entry : log.entries)
            if (entry.level >= E)
                errors.push_back(entry);
        return errors;
    }

    LogCapture& log;
    wchar_t previousFolder[MAX_PATH] = {};
    std::wstring programs = scratch / L"with blank";
    std::wstring program = programs + L"\\tool.exe";
    int files = 0;
    std::string lastBytes;  // the last result file as written
};

std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

} // namespace

TEST(ExternalProgramCommandLine, QuotesTheExecutableAndKeepsTheBlank) {
    struct Case {
        std::wstring executable, parameters, commandLine;
    } cases[] = {
        {L"C:\\Program Files\\x.exe", L"-a 1", L"\"C:\\Program Files\\x.exe\" -a 1"},
        {L"C:\\x.exe", L"", L"\"C:\\x.exe\" "},
        {L"\"C:\\x y\\x.exe\"", L"/q", L"\"C:\\x y\\x.exe\" /q"},
        {L"", L"-a", L" -a"},
        {L"", L"", L" "},
    };
    for (const auto& c : cases) {
        ExternalProgram job(c.executable, c.parameters, L"out.txt", 60000);
        EXPECT_EQ(c.commandLine, job.GetCommandLine());
        EXPECT_EQ(c.commandLine, job.GetValue());
        EXPECT_EQ(L"", job.GetFileExternalLink()) << "no link before the program has run";
    }
}

TEST_F(ExternalProgramTest, OutputAndErrorGoIntoTheLinkedFile) {
    // A folder part of the output name is dropped: the file lands under ProgramLogs.
    ExternalProgram job(program, L"out:hello err:-oops exit:3", L"C:\\elsewhere\\tool.log", 60000);
    const std::string commandLine = "\"" + Narrow(program) + "\" out:hello err:-oops exit:3";
    EXPECT_EQ(commandLine + "|./ProgramLogs/tool.log|./ProgramLogs/tool.log|externalprogram|false", Collected(job));
    EXPECT_EQ("hello-oops", Output(L"tool.log"));
    EXPECT_EQ(L".\\ProgramLogs\\tool.log", job.GetOutputLink());
    EXPECT_EQ(std::vector<LogCapture::Entry>{}, Errors());
}

TEST_F(ExternalProgramTest, ProgramGetsExactlyTheCommandLine) {
    ExternalProgram job(program, L"cmdline", L"cmd.txt", 60000);
    Collected(job);
    EXPECT_EQ("\"" + Narrow(program) + "\" cmdline", Output(L"cmd.txt"));
    // Without parameters the trailing blank reaches the program too.
    ExternalProgram bare(program, L"", L"bare.txt", 60000);
    Collected(bare);
    EXPECT_NE(std::string::npos, lastBytes.find("tool.exe&quot; </Value>")) << lastBytes;
    EXPECT_EQ("", Output(L"bare.txt"));
}

TEST_F(ExternalProgramTest, TimeOutLeavesTheProgramRunningAndLinksItsFile) {
    // The program writes its second part only once the test lets it: a job that waited past its
    // time-out would return with both parts written, however fast or slow the machine is.
    const std::wstring go = scratch / L"go";
    const std::wstring arguments = L"out:early await:" + go + L" out:late";
    ExternalProgram job(program, arguments, L"slow.txt", 300);
    const std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    EXPECT_EQ(Narrow(commandLine) + "|./ProgramLogs/slow.txt|./ProgramLogs/slow.txt|externalprogram|false",
              Collected(job));
    EXPECT_EQ((std::vector<LogCapture::Entry>{
                  {E, L"Running '" + commandLine + L"' timed out. Time out was 300 milliseconds."}}),
              Errors());
    std::string output = Output(L"slow.txt");
    EXPECT_NE("earlylate", output) << "the job waited past its time-out";
    // The program goes on writing after the job has moved on.
    Gathrix::Testing::WriteFileBytes(go, "");
    for (int attempt = 0; attempt < 600 && output != "earlylate"; ++attempt) {
        Sleep(100);
        output = Output(L"slow.txt");
    }
    EXPECT_EQ("earlylate", output);
}

TEST_F(ExternalProgramTest, ProgramThatCannotStartIsReportedWithoutLinks) {
    const std::wstring missing = scratch / L"missing.exe";
    ExternalProgram job(missing, L"-x", L"missing.txt", 60000);
    EXPECT_EQ("\"" + Narrow(missing) + "\" -x|-|-|externalprogram|false", Collected(job));
    EXPECT_EQ((std::vector<LogCapture::Entry>{{E, L"Could not call command line: \"" + missing + L"\" -x"}}), Errors());
    EXPECT_EQ("(none)", Output(L"missing.txt")) << "a program that never ran leaves no file";
}

TEST_F(ExternalProgramTest, CandidateThatDoesNotExistKeepsTheOtherOutput) {
    // A program-files path expands to two candidates sharing one output name.
    const std::wstring missingProgram = scratch / L"nothere\\tool.exe";
    // The missing candidate must get as far as its failed start: an output file it could not
    // open would keep the other's output as well, without the start ever being tried.
    auto failedStart = [&](const std::wstring& arguments) {
        return std::vector<LogCapture::Entry>{{E, L"Could not call command line: \"" + missingProgram + L"\" " + arguments}};
    };
    ExternalProgram existing(program, L"out:first", L"shared.txt", 60000);
    ExternalProgram missing(missingProgram, L"out:first", L"shared.txt", 60000);
    Collected(existing);
    ASSERT_EQ("first", Output(L"shared.txt"));
    log.entries.clear();
    Collected(missing);
    EXPECT_EQ(failedStart(L"out:first"), Errors());
    EXPECT_EQ("first", Output(L"shared.txt"));
    // The other order: the missing one first, then the one that runs.
    ExternalProgram missingFirst(missingProgram, L"out:second", L"other.txt", 60000);
    ExternalProgram runsSecond(program, L"out:second", L"other.txt", 60000);
    log.entries.clear();
    Collected(missingFirst);
    EXPECT_EQ(failedStart(L"out:second"), Errors());
    Collected(runsSecond);
    EXPECT_EQ("second", Output(L"other.txt"));
    // An earlier output is emptied only when a program starts to replace it.
    WriteFileBytes(scratch / L"data\\ProgramLogs\\older.txt", "older content");
    ExternalProgram notStarted(scratch / L"nothere\\tool.exe", L"", L"older.txt", 60000);
    Collected(notStarted);
    EXPECT_EQ("older content", Output(L"older.txt"));
    ExternalProgram started(program, L"out:new", L"older.txt", 60000);
    Collected(started);
    EXPECT_EQ("new", Output(L"older.txt"));
}

TEST_F(ExternalProgramTest, OutputFileThatCannotBeOpenedStartsNothing) {
    const std::wstring tooLong(300, L'n');
    ExternalProgram job(program, L"out:x", tooLong + L".txt", 60000);
    EXPECT_EQ("\"" + Narrow(program) + "\" out:x|-|-|externalprogram|false", Collected(job));
    EXPECT_EQ((std::vector<LogCapture::Entry>{{E, L"Could not open outputfile '" + tooLong + L".txt'"}}), Errors());
}

// Output sent to a device would be lost, and a file of such a name made through the extended
// form would give the report a link that no browser or unpacker on Windows opens: every device
// name is refused alike, and the program is not started.
TEST_F(ExternalProgramTest, OutputFileNamedLikeADeviceIsRefusedAndStartsNothing) {
    for (const std::wstring name : {L"NUL", L"COM1", L"aux.txt", L"CON", L"prn.txt", L"C:\\elsewhere\\nul.log"}) {
        SCOPED_TRACE(Narrow(name));
        log.entries.clear();
        ExternalProgram job(program, L"out:x", name, 60000);
        std::string element;
        // Output sent to a serial port could wait for ever.
        RunBounded([&] { element = Collected(job); }, 120000, "an external program with a device as its output");
        EXPECT_EQ("\"" + Narrow(program) + "\" out:x|-|-|externalprogram|false", element);
        EXPECT_EQ((std::vector<LogCapture::Entry>{{E, L"Could not open outputfile '" + name + L"'"}}), Errors());
    }
    WIN32_FIND_DATAW entry;
    UniqueFindHandle made(FindFirstFileW((L"\\\\?\\" + (scratch / L"data\\ProgramLogs\\*")).c_str(), &entry));
    while (made) {
        const std::wstring found = entry.cFileName;
        EXPECT_TRUE(found == L"." || found == L"..") << "made " << Narrow(found);
        if (!FindNextFileW(made.Get(), &entry))
            break;
    }
}

TEST_F(ExternalProgramTest, ProgramWritingItsOwnReportIsLinkedWithoutRedirection) {
    // The way the system-information report runs: no output file of the job's, a link set by its
    // creator; here without a time limit.
    ExternalProgram job(program, L"exit:0", L".\\ProgramLogs\\report.txt", INFINITE);
    job.SetWriteOutputToFile(false);
    job.SetOutputLink(L".\\ProgramLogs\\report.txt");
    EXPECT_EQ("\"" + Narrow(program) + "\" exit:0|./ProgramLogs/report.txt|./ProgramLogs/report.txt|externalprogram|false",
              Collected(job));
    EXPECT_EQ("(none)", Output(L"report.txt"));
    EXPECT_EQ(std::vector<LogCapture::Entry>{}, Errors());
}

TEST_F(ExternalProgramTest, ToolPastItsBoundLeavesTheErrorLeafAndTheRunGoesOn) {
    // The system-information report's job, its bound made small: a tool that hangs past it gets
    // the error leaf inside the job's element; one that finishes in time gets none.
    struct Case {
        const wchar_t* steps;
        std::uint32_t bound;
        std::string children;  // the element's children, "type|value" each
        bool logged;
    } cases[] = {
        {L"sleep:9000", 300, "lvlerror|tool did not finish;", true},
        {L"exit:0", 60000, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.steps));
        log.entries.clear();
        ExternalProgram job(program, c.steps, L".\\ProgramLogs\\report.txt", c.bound);
        job.SetWriteOutputToFile(false);
        job.SetOutputLink(L".\\ProgramLogs\\report.txt");
        job.SetTimeoutLeaf(L"tool did not finish");
        // The time-out line shows that the wait ended at the bound, not with the tool.
        Collected(job);
        TiXmlDocument document;
        document.Parse(lastBytes.c_str());
        const TiXmlElement* element = document.RootElement()->FirstChildElement("ResultSet")->FirstChildElement("TreeElement");
        ASSERT_NE(nullptr, element);
        EXPECT_EQ("\"" + Narrow(program) + "\" " + Narrow(c.steps) + "|./ProgramLogs/report.txt|./ProgramLogs/report.txt|externalprogram|false" +
                      (c.children.empty() ? "" : "|children"),
                  Element(element));
        std::string children;
        for (const TiXmlElement* child = element->FirstChildElement("TreeElement"); child;
             child = child->NextSiblingElement("TreeElement")) {
            const TiXmlElement* value = child->FirstChildElement("Value");
            children += std::string(child->Attribute("type") ? child->Attribute("type") : "") + "|" +
                        (value && value->GetText() ? value->GetText() : "") + ";";
        }
        EXPECT_EQ(c.children, children);
        const std::wstring timedOut = L"Running '\"" + program + L"\" " + c.steps + L"' timed out. Time out was " +
                                      std::to_wstring(c.bound) + L" milliseconds.";
        std::vector<LogCapture::Entry> expected;
        if (c.logged)
            expected.push_back({E, timedOut});
        EXPECT_EQ(expected, Errors());
    }
}

TEST(ExternalProgramJob, WithoutWriterThrows) {
    ExternalProgram job(L"C:\\x.exe", L"", L"x.txt", 1);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
}
