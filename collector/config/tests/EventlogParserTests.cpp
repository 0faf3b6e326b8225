#include "collector/collectors/eventlogs/EventlogInfo.h"
#include "collector/config/EventlogParser.h"
#include "collector/config/tests/ConfigTestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;

std::vector<std::wstring> LogNames(const TreeElementGroup& container) {
    std::vector<std::wstring> names;
    for (EventlogInfo* job : JobsOf<EventlogInfo>(container))
        names.push_back(job->GetLogName());
    return names;
}

const std::wstring kAt = L"XML element 'WindowsEventlog' (row 1, column 1): ";

} // namespace

TEST_F(ConfigTest, WindowsEventlogElementsBecomeOneJobEach) {
    struct Case {
        const char* xml;
        std::vector<LogLine> lines;  // WARNING and above
        std::vector<std::wstring> logs;
        bool valid;
    } cases[] = {
        {"<WindowsEventlog>\n  <EventlogProtocolName>System</EventlogProtocolName>\n</WindowsEventlog>", {}, {L"System"}, true},
        // Variables are not expanded; attributes and comments are not looked at.
        {"<WindowsEventlog x=\"1\"><!-- c --><EventlogProtocolName>%COMPUTERNAME%</EventlogProtocolName><!-- d -->"
         "</WindowsEventlog>",
         {},
         {L"%COMPUTERNAME%"},
         true},
        // A comment first in the child: the library gives no text, the name is empty.
        {"<WindowsEventlog><EventlogProtocolName><!-- c -->Application</EventlogProtocolName></WindowsEventlog>",
         {},
         {L""},
         true},
        {"<WindowsEventlog><EventlogProtocolName>Gr\xC3\xBC\xC3\x9F" "e</EventlogProtocolName></WindowsEventlog>",
         {},
         {L"Gr\u00FC\u00DFe"},
         true},
        {"<WindowsEventlog/>", {{W, kAt + L"Missing XML element 'EventlogProtocolName'."}}, {}, false},
        {"<WindowsEventlog>text only</WindowsEventlog>", {{W, kAt + L"Missing XML element 'EventlogProtocolName'."}}, {}, false},
        {"<WindowsEventlog>\n  <EventDbPluginPath>x</EventDbPluginPath>\n</WindowsEventlog>",
         {{W, kAt + L"Unexpected XML element 'EventDbPluginPath' (row 2, column 3). Expected was an XML element "
                    L"'EventlogProtocolName'."}},
         {},
         false},
        {"<WindowsEventlog>\n  <EventlogProtocolName>A</EventlogProtocolName>\n  <EventlogProtocolName>B</EventlogProtocolName>\n"
         "</WindowsEventlog>",
         {{W, kAt + L"Unexpected XML element 'EventlogProtocolName' (row 3, column 3)."}},
         {},
         false},
    };
    EventlogParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(c.valid, ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.logs, LogNames(container));
    }
}

TEST_F(ConfigTest, WindowsEventlogIsRegisteredWithTheReader) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <WindowsEventlog><EventlogProtocolName>Application</EventlogProtocolName></WindowsEventlog>\n"
        "    <WindowsEventlog><EventlogProtocolName>System</EventlogProtocolName></WindowsEventlog>\n");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(2u, entities[0]->GetJobItems().size());
    std::vector<std::wstring> names;
    for (const auto& item : entities[0]->GetJobItems()) {
        auto* job = dynamic_cast<EventlogInfo*>(item.get());
        ASSERT_NE(nullptr, job);
        names.push_back(job->GetLogName());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Application", L"System"}), names);
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
