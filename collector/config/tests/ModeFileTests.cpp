#include "collector/config/tests/ConfigTestSupport.h"

#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;
constexpr int E = Logging::Error;

const std::wstring kJobNames =
    L"  'JobGroup' 'GeneralInformation' 'FilePropertiesFromRegistryKey' 'RegistryValues' 'WindowsStartmenuStartup' "
    L"'ComObjects' 'IEExtensions' 'FilePropertiesFromRegistryValue' 'WindowsEventlog' 'ExternalProgram' 'Logfile' "
    L"'FileContent' 'FileInfos' 'WindowsEventlog' 'QuellonEventDb' 'Services' 'LogicalDisks' 'DiskDrives' "
    L"'CdRomDrives' 'EnvironmentVariables' 'InstalledDrivers' 'RunningProcesses' 'MsInfo32Report' "
    L"'DirectoryInfos' 'Minidump' 'FullMemoryDump' 'DrWatsonLogfile'.";

const std::wstring kLevel1Seconds =
    L"  'Level2' 'Jobs' 'QuellonBerex' 'QuellonAlvar' 'QuellonDornik' 'QuellonCavon' 'QuellonEskarAgent' "
    L"'QuellonEskarServer' 'QuellonEskarFrontend' 'QuellonFenrid' 'QuellonGolva' 'QuellonHestrel' 'QuellonJuvent' "
    L"'QuellonIvrane' 'QuellonKaldor' 'QuellonLumbra' 'QuellonMirell' 'QuellonNoviset' 'QuellonNovisetHost' "
    L"'QuellonPerrin' 'QuellonPerrinBelowV6' 'QuellonRastel' 'MarventRastel' 'QuellonQuorvel' 'QuellonSovrin' "
    L"'QuellonOrvane'.";

struct ModeFileCase {
    const char* what;
    const char* xml;
    std::vector<LogLine> lines;  // WARNING and above, "{path}" standing for the file's path
    std::vector<std::wstring> entities;
};

class ModeFileTest : public ConfigTest {
protected:
    TopLevelEntityList Parse(const std::string& xml, const std::wstring& fileName = L"mode.xml") {
        path = folder / fileName;
        Gathrix::Testing::WriteFileBytes(path, xml);
        ConfigFileParser reader(Utils::ToUtf8(path));
        RegisterTestParsers(reader);
        return reader.ParseConfigFile();
    }

    void Check(const ModeFileCase& c) {
        SCOPED_TRACE(c.what);
        log.lines.clear();
        const TopLevelEntityList entities = Parse(c.xml);
        std::vector<LogLine> expected = c.lines;
        for (LogLine& line : expected)
            line.text = WithPath(line.text, path);
        EXPECT_EQ(expected, Lines());
        EXPECT_EQ(c.entities, Describe(entities));
    }

    Gathrix::Testing::ScratchFolder folder{L"config-mode"};
    std::wstring path;
};

TEST_F(ModeFileTest, LoadErrorsNameTheFileAndTheLibrarysPosition) {
    const ModeFileCase cases[] = {
        {"empty file", "", {{E, L"Error loading config file '{path}': Error document empty. (row 0, column 0)"}}, {}},
        {"mismatched end tag", "<Config>\n  <Mode></Mod>\n</Config>\n",
         {{E, L"Error loading config file '{path}': Error reading end tag. (row 2, column 9)"}}, {}},
        {"only a comment", "<!-- nothing here -->\n",
         {{E, L"Error loading config file '{path}': There is no root element."}}, {}},
    };
    for (const ModeFileCase& c : cases)
        Check(c);
}

// The library parses one call chain per level of nesting: a file nested too deeply for the
// stack is refused at the first element past the bound, before it could overflow.
TEST_F(ModeFileTest, NestingPastTheBoundIsRefusedWhereItGoesTooDeep) {
    const std::string opening = "<Config><Mode><Name>M</Name></Mode><Level1><Name>A</Name><Jobs>";
    for (int levels : {1000, 20000}) {
        SCOPED_TRACE(levels);
        std::string xml = opening;
        for (int i = 0; i < levels; ++i)
            xml += "<e>";
        log.lines.clear();
        EXPECT_TRUE(Parse(xml).empty());
        // Config, Level1 and Jobs are three levels; the element past 1000 begins here.
        const std::size_t column = opening.size() + 3 * (1000 - 3) + 1;
        EXPECT_EQ(std::vector<LogLine>({{E, L"Error loading config file '" + path +
                                                L"': Error: elements nested more than 1000 levels deep. (row 1, column " +
                                                std::to_wstring(column) + L")"}}),
                  Lines());
    }
    // At the bound the file is read: the stray elements are the usual complaint.
    std::string xml = opening;
    for (int i = 0; i < 1000 - 3; ++i)
        xml += "<e>";
    for (int i = 0; i < 1000 - 3; ++i)
        xml += "</e>";
    log.lines.clear();
    EXPECT_TRUE(Parse(xml + "</Jobs></Level1></Config>").empty());
    const std::vector<LogLine> lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::wstring::npos, lines.front().text.find(L"Error loading config file")) << Utils::ToUtf8(lines.front().text);
}

// UTF-16 text stops at its first NUL byte for the library, which would call it empty.
TEST_F(ModeFileTest, AUtf16FileIsToldToBeUtf8) {
    const std::string text = "<Config><Mode><Name>M</Name></Mode></Config>";
    std::string littleEndian, bigEndian;
    for (char c : text) {
        littleEndian += std::string{c, '\0'};
        bigEndian += std::string{'\0', c};
    }
    const std::pair<const char*, std::string> cases[] = {
        {"with byte-order mark", "\xFF\xFE" + littleEndian},
        {"big-endian with byte-order mark", "\xFE\xFF" + bigEndian},
        {"without byte-order mark", littleEndian},
        {"big-endian without byte-order mark", bigEndian},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        log.lines.clear();
        EXPECT_TRUE(Parse(bytes).empty());
        EXPECT_EQ(std::vector<LogLine>({{E, L"Error loading config file '" + path +
                                                L"': The file is in UTF-16; a mode file must be UTF-8."}}),
                  Lines());
    }
}

TEST_F(ModeFileTest, AFileThatCannotBeOpenedIsReportedWithoutPosition) {
    const std::wstring expected = L"Error loading config file '{path}': Failed to open file (row 0, column 0)";
    {
        SCOPED_TRACE("missing");
        path = folder / L"missing.xml";
        ConfigFileParser reader(Utils::ToUtf8(path));
        RegisterTestParsers(reader);
        EXPECT_TRUE(reader.ParseConfigFile().empty());
        EXPECT_EQ(std::vector<LogLine>({{E, WithPath(expected, path)}}), Lines());
    }
    {
        SCOPED_TRACE("locked");
        log.lines.clear();
        path = folder / L"locked.xml";
        Gathrix::Testing::WriteFileBytes(path, "<Config/>");
        UniqueHandle lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.IsValid());
        ConfigFileParser reader(Utils::ToUtf8(path));
        RegisterTestParsers(reader);
        EXPECT_TRUE(reader.ParseConfigFile().empty());
        EXPECT_EQ(std::vector<LogLine>({{E, WithPath(expected, path)}}), Lines());
    }
}

TEST_F(ModeFileTest, ConfigAndModeReports) {
    const ModeFileCase cases[] = {
        {"no child", "<Config/>", {{W, L"XML element 'Config' (row 1, column 1): Missing XML element 'Mode'."}}, {}},
        {"Level1 first", "<Config>\n  <Level1/>\n</Config>",
         {{W, L"XML element 'Config' (row 1, column 1): Unexpected XML element 'Level1' (row 2, column 3). "
              L"Expected was an XML element 'Mode'."}},
         {}},
        {"Mode alone", "<Config>\n  <Mode><Name>M</Name></Mode>\n</Config>",
         {{W, L"XML element 'Config' (row 1, column 1): Missing XML element 'Level1'."}}, {}},
        {"Level2 after Level1",
         "<Config>\n  <Mode><Name>M</Name></Mode>\n  <Level1><Name>A</Name><Jobs><Services/></Jobs></Level1>\n"
         "  <Level2/>\n</Config>",
         {{W, L"XML element 'Config' (row 1, column 1): Unexpected XML element 'Level2' (row 4, column 3). "
              L"Expected was an XML element 'Level1'."}},
         {}},
        {"Mode without child",
         "<Config>\n  <Mode/>\n  <Level1><Name>A</Name><Jobs><Services/></Jobs></Level1>\n</Config>",
         {{W, L"XML element 'Mode' (row 2, column 3): Missing XML element 'Name'."}}, {L"A: Services"}},
        {"Mode with another first child",
         "<Config>\n  <Mode><Title/><Name>M</Name></Mode>\n  <Level1><Name>A</Name><Jobs><Services/></Jobs></Level1>\n"
         "</Config>",
         {{W, L"XML element 'Mode' (row 2, column 3): Unexpected XML element 'Title' (row 2, column 9). "
              L"Expected was an XML element 'Name'."}},
         {L"A: Services"}},
    };
    for (const ModeFileCase& c : cases)
        Check(c);
}

// Each case is one Level1 (row 3) after Mode, and a valid Level1 "Z" after it, which shows
// that a skipped element never stops its siblings.
std::string InFrame(const std::string& level1) {
    return "<Config>\n  <Mode><Name>M</Name></Mode>\n  " + level1 +
           "\n  <Level1><Name>Z</Name><Jobs><Services/></Jobs></Level1>\n</Config>";
}

TEST_F(ModeFileTest, NavigationLevelReports) {
    const std::string frames[] = {
        InFrame("<Level1/>"),
        InFrame("<Level1><Jobs><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><Services/></Jobs><Level2/></Level1>"),
        InFrame("<Level1><Name>A</Name><Other/><Level2><Name>B</Name><Jobs><Services/></Jobs></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><QuellonBerex/><QuellonBerex/></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Jobs/></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Services/></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Level3><Name>C</Name><Jobs><Services/></Jobs></Level3>"
                "<Jobs/></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Jobs><Services/></Jobs><Jobs/></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Level3><Name>C</Name></Level3></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Level3><Name>C</Name><Services/></Level3></Level2>"
                "</Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Level3><Name>C</Name><Jobs><Services/></Jobs><Jobs/>"
                "</Level3></Level2></Level1>"),
    };
    const ModeFileCase cases[] = {
        {"Level1 without child", frames[0].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): Missing XML element 'Name'."}}, {L"Z: Services"}},
        {"Level1 without Name first", frames[1].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): Unexpected XML element 'Jobs' (row 3, column 11). "
              L"Expected was an XML element 'Name'."}},
         {L"Z: Services"}},
        {"Level1 with Name alone", frames[2].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): Missing one of these XML elements:" + kLevel1Seconds}},
         {L"Z: Services"}},
        {"Level1 with Jobs and then Level2", frames[3].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): Unexpected XML element 'Level2' (row 3, column 49)."}},
         {L"Z: Services"}},
        {"Level1 with a stray element before a valid Level2", frames[4].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): Unexpected XML element 'Other' (row 3, column 25)."}},
         {L"Z: Services"}},
        {"the same product twice", frames[5].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): Unexpected XML element 'QuellonBerex' (row 3, column 40)."}},
         {L"Z: Services"}},
        {"Level2 without Name first", frames[6].c_str(),
         {{W, L"XML element 'Level2' (row 3, column 25): Unexpected XML element 'Jobs' (row 3, column 33). "
              L"Expected was an XML element 'Name'."}},
         {L"Z: Services"}},
        {"Level2 with Name alone", frames[7].c_str(),
         {{W, L"XML element 'Level2' (row 3, column 25): Missing one of these XML elements:  'Level3' 'Jobs'."}},
         {L"Z: Services"}},
        {"Level2 with a job element after Name", frames[8].c_str(),
         {{W, L"XML element 'Level2' (row 3, column 25): Missing one of these XML elements:  'Level3' 'Jobs'."}},
         {L"Z: Services"}},
        {"Level2 with Level3 and then Jobs", frames[9].c_str(),
         {{W, L"XML element 'Level2' (row 3, column 25): Unexpected XML element 'Jobs' (row 3, column 102). "
              L"Expected was an XML element 'Level3'."}},
         {L"Z: Services"}},
        {"Level2 with two Jobs", frames[10].c_str(),
         {{W, L"XML element 'Level2' (row 3, column 25): Unexpected XML element 'Jobs' (row 3, column 71)."}},
         {L"Z: Services"}},
        {"Level3 with Name alone: Level2 stays valid but yields nothing", frames[11].c_str(),
         {{W, L"XML element 'Level3' (row 3, column 47): Missing XML element 'Jobs'."}}, {L"Z: Services"}},
        {"Level3 with a job element after Name", frames[12].c_str(),
         {{W, L"XML element 'Level3' (row 3, column 47): Unexpected XML element 'Services' (row 3, column 69). "
              L"Expected was an XML element 'Jobs'."}},
         {L"Z: Services"}},
        {"Level3 with two Jobs", frames[13].c_str(),
         {{W, L"XML element 'Level3' (row 3, column 47): Unexpected XML element 'Jobs' (row 3, column 93)."}},
         {L"Z: Services"}},
    };
    for (const ModeFileCase& c : cases)
        Check(c);
}

TEST_F(ModeFileTest, JobsJobGroupAndJobElementReports) {
    const std::string frames[] = {
        InFrame("<Level1><Name>A</Name><Jobs/></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><Services/><Registryvalues/><LogicalDisks/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><RegistryValues/><Services/><IEExtensions/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><RegistryValues/><IEExtensions/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><JobGroup/><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><JobGroup><Jobs/></JobGroup><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><JobGroup><Name>G</Name></JobGroup><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><JobGroup><Name>G</Name><Job/></JobGroup><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><JobGroup><Name>G</Name><Jobs><Services/></Jobs><Jobs/></JobGroup>"
                "<Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><DiskDrives><Drive/></DiskDrives><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Jobs><JobGroup><Name>G</Name><Jobs><IEExtensions/></Jobs></JobGroup>"
                "</Jobs></Level1>"),
    };
    const ModeFileCase cases[] = {
        {"Jobs without child", frames[0].c_str(),
         {{W, L"XML element 'Jobs' (row 3, column 25): Missing one of these XML elements:" + kJobNames}},
         {L"Z: Services"}},
        {"Jobs with a misspelt job element", frames[1].c_str(),
         {{W, L"XML element 'Jobs' (row 3, column 25): Unexpected XML element 'Registryvalues' (row 3, column 42). "
              L"Expected was one of these XML elements:" + kJobNames}},
         {L"Z: Services"}},
        {"job elements without handler", frames[2].c_str(),
         {{E, L"No handler found for XML element 'RegistryValues' (row 3, column 31)"},
          {E, L"No handler found for XML element 'IEExtensions' (row 3, column 59)"}},
         {L"A: Services", L"Z: Services"}},
        {"only job elements without handler", frames[3].c_str(),
         {{E, L"No handler found for XML element 'RegistryValues' (row 3, column 31)"},
          {E, L"No handler found for XML element 'IEExtensions' (row 3, column 48)"}},
         {L"Z: Services"}},
        {"JobGroup without child", frames[4].c_str(),
         {{W, L"XML element 'JobGroup' (row 3, column 31): Missing XML element 'Name'."}},
         {L"A: Services", L"Z: Services"}},
        {"JobGroup without Name first", frames[5].c_str(),
         {{W, L"XML element 'JobGroup' (row 3, column 31): Unexpected XML element 'Jobs' (row 3, column 41). "
              L"Expected was an XML element 'Name'."}},
         {L"A: Services", L"Z: Services"}},
        {"JobGroup with Name alone", frames[6].c_str(),
         {{W, L"XML element 'JobGroup' (row 3, column 31): Missing XML element 'Jobs'."}},
         {L"A: Services", L"Z: Services"}},
        {"JobGroup with a misspelt Jobs", frames[7].c_str(),
         {{W, L"XML element 'JobGroup' (row 3, column 31): Unexpected XML element 'Job' (row 3, column 55). "
              L"Expected was an XML element 'Jobs'."}},
         {L"A: Services", L"Z: Services"}},
        {"JobGroup with two Jobs", frames[8].c_str(),
         {{W, L"XML element 'JobGroup' (row 3, column 31): Unexpected XML element 'Jobs' (row 3, column 79)."}},
         {L"A: Services", L"Z: Services"}},
        {"a job element that takes no child, with one", frames[9].c_str(),
         {{W, L"XML element 'DiskDrives' (row 3, column 31): Unexpected XML element 'Drive' (row 3, column 43)."}},
         {L"A: Services", L"Z: Services"}},
        {"a JobGroup whose jobs all lack a handler is kept, empty", frames[10].c_str(),
         {{E, L"No handler found for XML element 'IEExtensions' (row 3, column 61)"}},
         {L"A: G(unspecified)[]", L"Z: Services"}},
    };
    for (const ModeFileCase& c : cases)
        Check(c);
}

TEST_F(ModeFileTest, RootElementsOtherThanConfig) {
    const ModeFileCase cases[] = {
        {"unknown root", "<Settings><Mode/></Settings>",
         {{E, L"No handler found for XML element 'Settings' (row 1, column 1), method DelegateParseToTopLevelEntities"}},
         {}},
        {"lower-case root", "\n  <config/>",
         {{E, L"No handler found for XML element 'config' (row 2, column 3), method DelegateParseToTopLevelEntities"}},
         {}},
        {"Jobs as root", "<Jobs><Services/></Jobs>", {{E, L"ParseToTopLevelEntities method for Jobs is nullptr."}},
         {}},
        {"Level3 as root", "<Level3><Name>C</Name><Jobs><Services/></Jobs></Level3>",
         {{E, L"ParseToTopLevelEntities method for Level3 is nullptr."}}, {}},
        // A level below Level1 with nothing above it would give a leaf without a place in the report.
        {"Level2 as root", "<Level2><Name>B</Name><Jobs><Services/></Jobs></Level2>",
         {{W, L"XML element 'Level2' (row 1, column 1): There is no named level above it. The level is skipped."}},
         {}},
    };
    for (const ModeFileCase& c : cases)
        Check(c);
}

// The library has no text for an empty or blank element or one whose first node is a comment.
TEST_F(ModeFileTest, LevelNamesWithoutTextSkipTheirLevel) {
    const std::string frames[] = {
        InFrame("<Level1><Name></Name><Jobs><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>   </Name><Jobs><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name><!-- later -->A</Name><Jobs><Services/></Jobs></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name/><Jobs><Services/></Jobs></Level2>"
                "<Level2><Name>B</Name><Jobs><LogicalDisks/></Jobs></Level2></Level1>"),
        InFrame("<Level1><Name>A</Name><Level2><Name>B</Name><Level3><Name/><Jobs><Services/></Jobs></Level3>"
                "<Level3><Name>C</Name><Jobs><LogicalDisks/></Jobs></Level3></Level2></Level1>"),
    };
    const ModeFileCase cases[] = {
        {"empty Level1 name", frames[0].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): The XML element 'Name' (row 3, column 11) has no text. "
              L"The level is skipped."}},
         {L"Z: Services"}},
        {"blank Level1 name", frames[1].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): The XML element 'Name' (row 3, column 11) has no text. "
              L"The level is skipped."}},
         {L"Z: Services"}},
        {"Level1 name behind a comment", frames[2].c_str(),
         {{W, L"XML element 'Level1' (row 3, column 3): The XML element 'Name' (row 3, column 11) has no text. "
              L"The level is skipped."}},
         {L"Z: Services"}},
        {"empty Level2 name", frames[3].c_str(),
         {{W, L"XML element 'Level2' (row 3, column 25): The XML element 'Name' (row 3, column 33) has no text. "
              L"The level is skipped."}},
         {L"A / B: LogicalDisks", L"Z: Services"}},
        {"empty Level3 name", frames[4].c_str(),
         {{W, L"XML element 'Level3' (row 3, column 47): The XML element 'Name' (row 3, column 55) has no text. "
              L"The level is skipped."}},
         {L"A / B / C: LogicalDisks", L"Z: Services"}},
    };
    for (const ModeFileCase& c : cases)
        Check(c);
}

TEST_F(ModeFileTest, AJobElementTakingNoChildIgnoresTextCommentsAndAttributes) {
    const std::string xml = InFrame(
        "<Level1><Name>A</Name><Jobs><Services/><Services id=\"2\">  </Services><Services id=\"3\"><!-- c -->"
        "</Services><Services id=\"4\">text</Services></Jobs></Level1>");
    const ModeFileCase c{"", xml.c_str(), {}, {L"A: Services, Services#2, Services#3, Services#4", L"Z: Services"}};
    Check(c);
}

TEST_F(ModeFileTest, JobGroupTypeAndCaption) {
    const std::string xml = InFrame(
        "<Level1><Name>A</Name><Jobs>"
        "<JobGroup><Name>none</Name><Jobs><Services/></Jobs></JobGroup>"
        "<JobGroup type=\"\"><Name>empty</Name><Jobs><Services/></Jobs></JobGroup>"
        "<JobGroup type=\"disk\"><Name>disk</Name><Jobs><Services/></Jobs></JobGroup>"
        "<JobGroup type=\"x\"><Name/><Jobs><Services/></Jobs></JobGroup>"
        "</Jobs></Level1>");
    const ModeFileCase c{"",
                         xml.c_str(),
                         {},
                         {L"A: none(unspecified)[Services], empty(unspecified)[Services], disk(disk)[Services], "
                          L"(x)[Services]",
                          L"Z: Services"}};
    Check(c);
}

TEST_F(ModeFileTest, AWholeFileGivesItsLeavesInDocumentOrder) {
    const char* xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- a mode file as a support engineer writes it -->
<Config version="3">
  <Mode>
    <Name lang="de-de">Standard</Name>
    <Name lang="en-us">Default</Name>
  </Mode>
  <Level1 id="x">
    <Name>General</Name>
    <Jobs>
      <GeneralInformation />
    </Jobs>
  </Level1>
  <Level1>
    <Name>System  über  alles</Name>
    <Level2>
      <Name>Hardware</Name>
      <Level3>
        <Name>Disks</Name>
        <Jobs>
          <LogicalDisks />
          <DiskDrives />
        </Jobs>
      </Level3>
      <Level3 lang="en">
        <Name>Drivers</Name>
        <Jobs>
          <InstalledDrivers />
        </Jobs>
      </Level3>
    </Level2>
    <Level2>
      <Name>Software</Name>
      <Jobs>
        <Services id="1" />
        <JobGroup type="folder">
          <Name>Outer</Name>
          <Jobs>
            <EnvironmentVariables />
            <JobGroup>
              <Name>Inner</Name>
              <Jobs>
                <JobGroup type="deep">
                  <Name>Deepest</Name>
                  <Jobs><Services id="2" /></Jobs>
                </JobGroup>
                <CdRomDrives />
              </Jobs>
            </JobGroup>
          </Jobs>
        </JobGroup>
        <Services id="3" />
      </Jobs>
    </Level2>
  </Level1>
  <Level1>
    <Name><![CDATA[Crash   data]]></Name>
    <Jobs>
      <Minidump />
    </Jobs>
  </Level1>
</Config>
)";
    const TopLevelEntityList entities = Parse(xml);
    EXPECT_EQ(std::vector<LogLine>(), Lines());
    EXPECT_EQ(std::vector<std::wstring>(
                  {L"General: GeneralInformation",
                   L"System \u00fcber alles / Hardware / Disks: LogicalDisks, DiskDrives",
                   L"System \u00fcber alles / Hardware / Drivers: InstalledDrivers",
                   L"System \u00fcber alles / Software: Services#1, "
                   L"Outer(folder)[EnvironmentVariables, Inner(unspecified)[Deepest(deep)[Services#2], CdRomDrives]], "
                   L"Services#3",
                   L"Crash   data: Minidump"}),
              Describe(entities));
}

TEST_F(ModeFileTest, EveryValidElementLogsItsVerdictAtDebug) {
    const TopLevelEntityList entities =
        Parse("<Config>\n  <Mode><Name>M</Name></Mode>\n  <Level1><Name>A</Name><Jobs><Services/></Jobs></Level1>\n"
              "</Config>");
    EXPECT_EQ(std::vector<LogLine>({
                  {Logging::Debug, L"XML element 'Config' (row 1, column 1): valid."},
                  {Logging::Debug, L"XML element 'Mode' (row 2, column 3): valid."},
                  {Logging::Debug, L"XML element 'Level1' (row 3, column 3): valid."},
                  {Logging::Debug, L"XML element 'Jobs' (row 3, column 25): valid."},
                  {Logging::Debug, L"XML element 'Services' (row 3, column 31): valid."},
              }),
              Lines(Logging::Debug));
    EXPECT_EQ(1u, entities.size());
}

TEST_F(ModeFileTest, AModeFileUnderANonAsciiFolderLoads) {
    Gathrix::Testing::ScratchFolder user{L"J\u00f6rg"};
    path = user / L"Mode \u00e9t\u00e9.xml";
    Gathrix::Testing::WriteFileBytes(
        path, "<Config><Mode><Name>M</Name></Mode><Level1><Name>A</Name><Jobs><Services/></Jobs></Level1></Config>");
    ConfigFileParser reader(Utils::ToUtf8(path));
    RegisterTestParsers(reader);
    reader.ReadModeName();
    EXPECT_EQ(L"M", reader.modeName);
    EXPECT_EQ(std::vector<std::wstring>({L"A: Services"}), Describe(reader.ParseConfigFile()));

    ConfigFileParser missing(Utils::ToUtf8(user / L"gone.xml"));
    EXPECT_TRUE(missing.ParseConfigFile().empty());
    EXPECT_EQ(std::vector<LogLine>({{E, L"Error loading config file '" + (user / L"gone.xml") +
                                             L"': Failed to open file (row 0, column 0)"}}),
              Lines());
}

} // namespace
} // namespace Gathrix::ConfigParsing::Testing
