#include "collector/collectors/files/FileInfos.h"
#include "collector/config/FileInfosParser.h"
#include "collector/config/tests/ConfigTestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;

struct Job {
    std::wstring path, filter;
    bool readSubFolders;
    bool operator==(const Job& other) const {
        return path == other.path && filter == other.filter && readSubFolders == other.readSubFolders;
    }
};

void PrintTo(const Job& job, std::ostream* out) {
    *out << "{" << Utils::ToUtf8(job.path) << ", " << Utils::ToUtf8(job.filter) << ", " << job.readSubFolders << "}";
}

std::vector<Job> Jobs(const TreeElementGroup& container) {
    std::vector<Job> jobs;
    for (FileInfos* job : JobsOf<FileInfos>(container))
        jobs.push_back({job->GetPath(), job->GetFilter(), job->GetReadSubFolders()});
    return jobs;
}

const std::wstring kAt = L"XML element 'FileInfos' (row 1, column 1): ";

} // namespace

TEST_F(ConfigTest, FileInfosElementsBecomeOneJobEach) {
    struct Case {
        const char* xml;
        std::vector<LogLine> lines;  // WARNING and above
        std::vector<Job> jobs;
    } cases[] = {
        {"<FileInfos readSubFolders=\"true\">\n  <Path>%windir%\\Logs</Path>\n  <Filter>*.log</Filter>\n</FileInfos>",
         {},
         {{L"%windir%\\Logs", L"*.log", true}}},
        {"<FileInfos readSubFolders=\"True\">\n  <Path>C:\\A</Path>\n  <Filter>*</Filter>\n</FileInfos>",
         {},
         {{L"C:\\A", L"*", false}}},
        {"<FileInfos>\n  <Path>C:\\Daten\\\xC3\x9C" "bersicht</Path>\n  <Filter>*.\xE2\x82\xAC</Filter>\n</FileInfos>",
         {},
         {{L"C:\\Daten\\\u00DCbersicht", L"*.\u20AC", false}}},
        // Another attribute is reported and then ignored.
        {"<FileInfos other=\"1\" readSubFolders=\"true\">\n  <Path>C:\\A</Path>\n  <Filter>*</Filter>\n</FileInfos>",
         {{W, kAt + L"Unexpected XML Attribute 'other' (row 1, column 12)."}},
         {{L"C:\\A", L"*", true}}},
        // Empty elements pass; the job gets empty texts and finds nothing.
        {"<FileInfos>\n  <Path/>\n  <Filter></Filter>\n</FileInfos>", {}, {{L"", L"", false}}},
        {"<FileInfos/>", {{W, kAt + L"Missing XML element 'Path'."}}, {}},
        {"<FileInfos>\n  <Path>C:\\A</Path>\n</FileInfos>", {{W, kAt + L"Missing XML element 'Filter'."}}, {}},
        {"<FileInfos>\n  <Filter>*</Filter>\n  <Path>C:\\A</Path>\n</FileInfos>",
         {{W, kAt + L"Unexpected XML element 'Filter' (row 2, column 3). Expected was an XML element 'Path'."}},
         {}},
        {"<FileInfos>\n  <Path>C:\\A</Path>\n  <Filters>*</Filters>\n</FileInfos>",
         {{W, kAt + L"Unexpected XML element 'Filters' (row 3, column 3). Expected was an XML element 'Filter'."}},
         {}},
        {"<FileInfos>\n  <Path>C:\\A</Path>\n  <Filter>*</Filter>\n  <Exclude/>\n</FileInfos>",
         {{W, kAt + L"Unexpected XML element 'Exclude' (row 4, column 3)."}},
         {}},
    };
    FileInfosParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(!c.jobs.empty(), ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.jobs, Jobs(container));
    }
}

TEST_F(ConfigTest, FileInfosIsRegisteredWithTheReader) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <FileInfos readSubFolders=\"true\"><Path>%windir%</Path><Filter>*.log</Filter></FileInfos>\n");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(1u, entities[0]->GetJobItems().size());
    auto* job = dynamic_cast<FileInfos*>(entities[0]->GetJobItems()[0].get());
    ASSERT_NE(nullptr, job);
    EXPECT_EQ((Job{L"%windir%", L"*.log", true}), (Job{job->GetPath(), job->GetFilter(), job->GetReadSubFolders()}));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
