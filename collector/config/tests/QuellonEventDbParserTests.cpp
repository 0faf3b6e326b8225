#include "collector/collectors/eventdatabase/QuellonEventDatabase.h"
#include "collector/config/QuellonEventDbParser.h"
#include "collector/config/tests/ConfigTestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;

std::vector<std::wstring> Folders(const TreeElementGroup& container) {
    std::vector<std::wstring> folders;
    for (QuellonEventDatabase* job : JobsOf<QuellonEventDatabase>(container)) {
        folders.push_back(job->GetPluginFolder());
        EXPECT_EQ(L"", job->GetValue());
        EXPECT_EQ(nullptr, job->writer);
    }
    return folders;
}

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

const std::wstring kAt = L"XML element 'QuellonEventDb' (row 1, column 1): ";

} // namespace

TEST_F(ConfigTest, QuellonEventDbElementsBecomeOneJobPerCandidateFolder) {
    struct Case {
        const char* xml;
        std::vector<LogLine> lines;  // WARNING and above
        std::vector<std::wstring> folders;
        bool valid;
    } cases[] = {
        {"<QuellonEventDb>\n  <EventDbPluginPath>C:\\Quellon\\Plugins</EventDbPluginPath>\n</QuellonEventDb>",
         {}, {L"C:\\Quellon\\Plugins"}, true},
        // A program-files folder gives a second job for its 64-bit twin, after the first.
        {"<QuellonEventDb><EventDbPluginPath>%ProgramFiles%\\Quellon</EventDbPluginPath></QuellonEventDb>",
         {}, {Environment(L"ProgramFiles") + L"\\Quellon", Environment(L"ProgramW6432") + L"\\Quellon"}, true},
        {"<QuellonEventDb>\n  <!-- the plug-ins -->\n  <EventDbPluginPath>D:\\P</EventDbPluginPath>\n  <!-- end -->\n</QuellonEventDb>",
         {}, {L"D:\\P"}, true},
        // An empty child, or one that begins with a comment, gives an empty folder.
        {"<QuellonEventDb><EventDbPluginPath/></QuellonEventDb>", {}, {L""}, true},
        {"<QuellonEventDb><EventDbPluginPath><!-- x -->D:\\P</EventDbPluginPath></QuellonEventDb>", {}, {L""}, true},
        // Attributes are not examined.
        {"<QuellonEventDb any=\"1\"><EventDbPluginPath lang=\"x\">D:\\P</EventDbPluginPath></QuellonEventDb>",
         {}, {L"D:\\P"}, true},
        {"<QuellonEventDb/>", {{W, kAt + L"Missing XML element 'EventDbPluginPath'."}}, {}, false},
        {"<QuellonEventDb>\n  <EventlogProtocolName>System</EventlogProtocolName>\n</QuellonEventDb>",
         {{W, kAt + L"Unexpected XML element 'EventlogProtocolName' (row 2, column 3). Expected was an XML element 'EventDbPluginPath'."}},
         {}, false},
        {"<QuellonEventDb>\n  <EventDbPluginPath>A</EventDbPluginPath>\n  <EventDbPluginPath>B</EventDbPluginPath>\n</QuellonEventDb>",
         {{W, kAt + L"Unexpected XML element 'EventDbPluginPath' (row 3, column 3)."}}, {}, false},
    };
    QuellonEventDbParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(c.valid, ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.folders, Folders(container));
    }
}

TEST_F(ConfigTest, QuellonEventDbIsRegisteredWithTheReader) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <QuellonEventDb><EventDbPluginPath>C:\\Q</EventDbPluginPath></QuellonEventDb>\n");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(1u, entities[0]->GetJobItems().size());
    auto* job = dynamic_cast<QuellonEventDatabase*>(entities[0]->GetJobItems()[0].get());
    ASSERT_NE(nullptr, job);
    EXPECT_EQ(L"C:\\Q", job->GetPluginFolder());
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
