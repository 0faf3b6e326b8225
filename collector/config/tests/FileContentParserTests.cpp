#include "collector/collectors/files/FileContent.h"
#include "collector/config/FileContentParser.h"
#include "collector/config/tests/ConfigTestSupport.h"
#include "common/tests/support/TestSupport.h"

#include <windows.h>

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;

struct ContentJob {
    std::wstring path, filter;
    bool readSubFolders;
    std::vector<std::wstring> excluded;
    bool operator==(const ContentJob& other) const {
        return path == other.path && filter == other.filter && readSubFolders == other.readSubFolders &&
               excluded == other.excluded;
    }
};

void PrintTo(const ContentJob& job, std::ostream* out) {
    *out << "{" << Utils::ToUtf8(job.path) << ", " << Utils::ToUtf8(job.filter) << ", " << job.readSubFolders << ", [";
    for (const auto& text : job.excluded)
        *out << Utils::ToUtf8(text) << ";";
    *out << "]}";
}

std::vector<ContentJob> ContentJobs(const TreeElementGroup& container) {
    std::vector<ContentJob> jobs;
    for (FileContent* job : JobsOf<FileContent>(container))
        jobs.push_back({job->GetPath(), job->GetFilter(), job->GetReadSubFolders(), job->GetExcludedFolders()});
    return jobs;
}

const std::wstring kAt = L"XML element 'FileContent' (row 1, column 1): ";

// An environment variable set for the test's time.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name, nullptr); }

private:
    const wchar_t* name;
};

} // namespace

TEST_F(ConfigTest, FileContentElementsBecomeOneJobEach) {
    Gathrix::Testing::ScratchFolder folder(L"config-content");
    ScopedVariable dumps(L"GATHRIX_TEST_DUMPS", folder.Path());
    ScopedVariable nowhere(L"GATHRIX_TEST_NOWHERE", folder / L"missing");

    struct Case {
        std::string xml;
        std::vector<LogLine> lines;  // WARNING and above
        std::vector<ContentJob> jobs;
    } cases[] = {
        {"<FileContent readSubFolders=\"true\">\n  <Path>%windir%\\Minidump</Path>\n  <Filter>*.dmp</Filter>\n"
         "</FileContent>",
         {},
         {{L"%windir%\\Minidump", L"*.dmp", true, {}}}},
        {"<FileContent readSubFolders=\"True\">\n  <Path>C:\\A</Path>\n  <Filter>*</Filter>\n</FileContent>",
         {},
         {{L"C:\\A", L"*", false, {}}}},
        // Another attribute is reported and then ignored.
        {"<FileContent level=\"2\">\n  <Path>C:\\A</Path>\n  <Filter>*</Filter>\n</FileContent>",
         {{W, kAt + L"Unexpected XML Attribute 'level' (row 1, column 14)."}},
         {{L"C:\\A", L"*", false, {}}}},
        // The exclusions: the children of the third element, in document order, whatever their
        // names; a fourth element is not read.
        {"<FileContent>\n  <Path>C:\\A</Path>\n  <Filter>*.log</Filter>\n  <Exclude>\n    <Folder>C:\\A\\x</Folder>\n"
         "    <!-- a comment -->\n    <Dir>C:\\A\\y</Dir>\n  </Exclude>\n  <More><Folder>C:\\A\\z</Folder></More>\n"
         "</FileContent>",
         {},
         {{L"C:\\A", L"*.log", false, {L"C:\\A\\x", L"C:\\A\\y"}}}},
        // A variable at the start that names an existing folder is replaced; empty exclusions
        // are dropped (as a prefix they would exclude everything); one whose expansion fails is
        // kept as written and the rest are still read.
        {"<FileContent>\n  <Path>C:\\A</Path>\n  <Filter>*.dmp</Filter>\n  <Exclusions>\n"
         "    <Folder>%GATHRIX_TEST_DUMPS%\\old</Folder>\n    <Folder/>\n    <Folder>   </Folder>\n"
         "    <Folder>%GATHRIX_TEST_UNSET%\\x</Folder>\n    <Folder>%GATHRIX_TEST_NOWHERE%\\y</Folder>\n"
         "    <Folder>C:\\Dumps</Folder>\n  </Exclusions>\n</FileContent>",
         {},
         {{L"C:\\A", L"*.dmp", false,
           {folder / L"old", L"%GATHRIX_TEST_UNSET%\\x", L"%GATHRIX_TEST_NOWHERE%\\y", L"C:\\Dumps"}}}},
        {"<FileContent>\n  <Path>C:\\A</Path>\n  <Filter>*</Filter>\n  <Exclusions/>\n</FileContent>",
         {},
         {{L"C:\\A", L"*", false, {}}}},
        {"<FileContent/>", {{W, kAt + L"Missing XML element 'Path'."}}, {}},
        {"<FileContent>\n  <Path>C:\\A</Path>\n</FileContent>", {{W, kAt + L"Missing XML element 'Filter'."}}, {}},
        {"<FileContent>\n  <Filter>*</Filter>\n  <Path>C:\\A</Path>\n</FileContent>",
         {{W, kAt + L"Unexpected XML element 'Filter' (row 2, column 3). Expected was an XML element 'Path'."}},
         {}},
        {"<FileContent>\n  <Path>C:\\A</Path>\n  <Filters>*</Filters>\n</FileContent>",
         {{W, kAt + L"Unexpected XML element 'Filters' (row 3, column 3). Expected was an XML element 'Filter'."}},
         {}},
    };
    FileContentParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(!c.jobs.empty(), ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.jobs, ContentJobs(container));
    }
}

TEST(FileContentParser, ExpandEnvironmentVariableReplacesOneReference) {
    Gathrix::Testing::ScratchFolder folder(L"config-expand");
    ScopedVariable dumps(L"GATHRIX_TEST_DUMPS", folder.Path());
    ScopedVariable nowhere(L"GATHRIX_TEST_NOWHERE", folder / L"missing");
    ScopedVariable user(L"GATHRIX_TEST_USER", L"jane");
    struct Case {
        std::wstring text;
        int result;
        std::wstring after;
    } cases[] = {
        {L"%GATHRIX_TEST_DUMPS%\\old", 0, folder / L"old"},
        {L"%GATHRIX_TEST_DUMPS%", 0, folder.Path()},
        // Texts without a reference stay as they are.
        {L"C:\\Dumps", 0, L"C:\\Dumps"},
        {L"", 0, L""},
        {L"%", 0, L"%"},
        {L"%%", 0, L"%%"},
        {L"a%", 0, L"a%"},
        // A reference whose variable is unset, or whose value names nothing, fails unchanged.
        {L"%GATHRIX_TEST_UNSET%\\x", 1, L"%GATHRIX_TEST_UNSET%\\x"},
        {L"%GATHRIX_TEST_NOWHERE%\\y", 2, L"%GATHRIX_TEST_NOWHERE%\\y"},
        // Further on in the text, the variable is a part of a path: it only has to be set.
        {L"C:\\Users\\%GATHRIX_TEST_USER%\\Dumps", 0, L"C:\\Users\\jane\\Dumps"},
        {L"C:\\Users\\%GATHRIX_TEST_UNSET%\\Dumps", 1, L"C:\\Users\\%GATHRIX_TEST_UNSET%\\Dumps"},
        {L"C:\\100%", 0, L"C:\\100%"},
    };
    for (const auto& c : cases) {
        std::wstring text = c.text;
        EXPECT_EQ(c.result, FileContentParser::ExpandEnvironmentVariable(text)) << Utils::ToUtf8(c.text);
        EXPECT_EQ(c.after, text) << Utils::ToUtf8(c.text);
    }
}

TEST_F(ConfigTest, FileContentIsRegisteredWithTheReader) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <FileContent readSubFolders=\"true\"><Path>%windir%</Path><Filter>*.log</Filter>"
        "<Exclude><F>C:\\x</F></Exclude></FileContent>\n");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(1u, entities[0]->GetJobItems().size());
    auto* job = dynamic_cast<FileContent*>(entities[0]->GetJobItems()[0].get());
    ASSERT_NE(nullptr, job);
    EXPECT_EQ((ContentJob{L"%windir%", L"*.log", true, {L"C:\\x"}}),
              (ContentJob{job->GetPath(), job->GetFilter(), job->GetReadSubFolders(), job->GetExcludedFolders()}));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
