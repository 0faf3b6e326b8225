#include "collector/collectors/files/DirectoryInfos.h"
#include "collector/collectors/files/FileInfosFromDirectory.h"
#include "collector/collectors/files/LogFile.h"
#include "collector/config/DirectoryInfosParser.h"
#include "collector/config/LogfileParser.h"
#include "collector/config/WindowsStartmenuStartup.h"
#include "collector/config/tests/ConfigTestSupport.h"

#include <windows.h>
#include <shlobj.h>

#include <map>

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;

// The log jobs of a container (not tree elements, so read from its job-item side).
class LogJobs : public IJobItemContainer {
public:
    void AddJobItem(IJobItem* item) override { items.emplace_back(item); }
    int GetJobItemCount() const override { return static_cast<int>(items.size()); }
    std::vector<std::unique_ptr<IJobItem>> items;
};

// Start-up folders for the tests: CSIDL to path; a CSIDL not in the map is not named.
std::map<int, std::wstring>& Shell() {
    static std::map<int, std::wstring> folders;
    return folders;
}
bool LookUp(int csidl, std::wstring& path) {
    auto found = Shell().find(csidl);
    if (found == Shell().end())
        return false;
    path = found->second;
    return true;
}

class StartupTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        Shell().clear();
        WindowsStartmenuStartup::SetFolderLookup(&LookUp);
    }
    void TearDown() override {
        WindowsStartmenuStartup::SetFolderLookup(nullptr);
        ConfigTest::TearDown();
    }
};

} // namespace

TEST_F(ConfigTest, LogfileElementsBecomeOneLogJob) {
    const std::wstring at = L"XML element 'Logfile' (row 1, column 1): ";
    struct Case {
        std::string xml;
        std::vector<LogLine> lines;
        bool valid, grouped;
        int minLevel;
    } cases[] = {
        {"<Logfile grouped=\"true\" minlevel=\"3\"/>", {}, true, true, 3},
        {"<Logfile/>", {}, true, false, 0},
        {"<Logfile grouped=\"True\" minlevel=\"2abc\"/>", {}, true, false, 2},
        {"<Logfile minlevel=\"abc\"/>", {}, true, false, 0},
        {"<Logfile minlevel=\"-1\"/>", {}, true, false, -1},
        {"<Logfile minlevel=\" +4\"/>", {}, true, false, 4},
        {"<Logfile grouped=\"false\" minlevel=\"\"/>", {}, true, false, 0},
        // Another attribute is reported; the element stays valid and takes the defaults.
        {"<Logfile level=\"4\"/>", {{W, at + L"Unexpected XML Attribute 'level' (row 1, column 10)."}}, true, false, 0},
        // A child element (text and comments aside) makes it invalid.
        {"<Logfile minlevel=\"1\">\n  <!-- c -->\n  text\n  <Entry/>\n</Logfile>",
         {{W, at + L"Unexpected XML element 'Entry' (row 4, column 3)."}},
         false, false, 0},
    };
    LogfileParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        LogJobs container;
        EXPECT_EQ(c.valid, ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        ASSERT_EQ(c.valid ? 1u : 0u, container.items.size());
        if (!c.valid)
            continue;
        auto* job = dynamic_cast<LogFile*>(container.items[0].get());
        ASSERT_NE(nullptr, job);
        EXPECT_EQ(c.grouped, job->IsGrouped());
        EXPECT_EQ(c.minLevel, job->GetMinLevel());
    }
}

TEST_F(ConfigTest, DirectoryInfosElementsBecomeOneFolderJob) {
    const std::wstring at = L"XML element 'DirectoryInfos' (row 1, column 1): ";
    struct Case {
        std::string xml;
        std::vector<LogLine> lines;
        std::vector<std::pair<std::wstring, bool>> jobs;
    } cases[] = {
        {"<DirectoryInfos readSubFolders=\"true\"><Path>%windir%\\Temp</Path></DirectoryInfos>",
         {},
         {{L"%windir%\\Temp", true}}},
        {"<DirectoryInfos readSubFolders=\"yes\"><Path>C:\\A\\*</Path></DirectoryInfos>", {}, {{L"C:\\A\\*", false}}},
        {"<DirectoryInfos other=\"1\"><Path>C:\\A</Path></DirectoryInfos>",
         {{W, at + L"Unexpected XML Attribute 'other' (row 1, column 17)."}},
         {{L"C:\\A", false}}},
        {"<DirectoryInfos><Path/></DirectoryInfos>", {}, {{L"", false}}},
        {"<DirectoryInfos readSubFolders=\"true\"/>", {{W, at + L"Missing XML element 'Path'."}}, {}},
        {"<DirectoryInfos>\n<Folder>C:\\A</Folder></DirectoryInfos>",
         {{W, at + L"Unexpected XML element 'Folder' (row 2, column 1). Expected was an XML element 'Path'."}},
         {}},
        {"<DirectoryInfos>\n<Path>C:\\A</Path><Path>C:\\B</Path></DirectoryInfos>",
         {{W, at + L"Unexpected XML element 'Path' (row 2, column 18)."}},
         {}},
    };
    DirectoryInfosParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        const bool valid = ParseSnippet(parser, c.xml, container);
        EXPECT_EQ(!c.jobs.empty(), valid);
        EXPECT_EQ(c.lines, Lines());
        std::vector<std::pair<std::wstring, bool>> jobs;
        for (auto* job : JobsOf<DirectoryInfos>(container))
            jobs.emplace_back(job->GetPath(), job->GetReadSubFolders());
        EXPECT_EQ(c.jobs, jobs);
    }
}

TEST_F(StartupTest, OneFolderJobPerStartupFolderEqualAlternatesTakenOnce) {
    struct Case {
        std::map<int, std::wstring> shell;
        std::vector<std::wstring> folders;
    } cases[] = {
        {{{CSIDL_STARTUP, L"C:\\U\\Startup"},
          {CSIDL_ALTSTARTUP, L"C:\\U\\AltStartup"},
          {CSIDL_COMMON_STARTUP, L"C:\\All\\Startup"},
          {CSIDL_COMMON_ALTSTARTUP, L"C:\\All\\AltStartup"}},
         {L"C:\\U\\Startup", L"C:\\U\\AltStartup", L"C:\\All\\Startup", L"C:\\All\\AltStartup"}},
        // An alternate that is the same folder in another case is taken once.
        {{{CSIDL_STARTUP, L"C:\\U\\Startup"},
          {CSIDL_ALTSTARTUP, L"c:\\u\\STARTUP"},
          {CSIDL_COMMON_STARTUP, L"C:\\All\\Startup"},
          {CSIDL_COMMON_ALTSTARTUP, L"C:\\ALL\\startup"}},
         {L"C:\\U\\Startup", L"C:\\All\\Startup"}},
        // Without its folder the alternate is not taken, even when the shell names it.
        {{{CSIDL_ALTSTARTUP, L"C:\\U\\AltStartup"}, {CSIDL_COMMON_STARTUP, L"C:\\All\\Startup"}},
         {L"C:\\All\\Startup"}},
        // As under Wine: no alternate folders.
        {{{CSIDL_STARTUP, L"C:\\U\\Startup"}, {CSIDL_COMMON_STARTUP, L"C:\\All\\Startup"}},
         {L"C:\\U\\Startup", L"C:\\All\\Startup"}},
        {{}, {}},
    };
    WindowsStartmenuStartup parser;
    for (const auto& c : cases) {
        Shell() = c.shell;
        TreeElementGroup container(L"jobs", L"folder", false);
        // Attributes are ignored.
        ASSERT_TRUE(ParseSnippet(parser, "<WindowsStartmenuStartup any=\"1\"/>", container));
        std::vector<std::wstring> folders;
        for (auto* job : JobsOf<FileInfosFromDirectory>(container))
            folders.push_back(job->GetPath());
        EXPECT_EQ(c.folders, folders);
        // Folders that do not exist are logged by nobody: the jobs show their captions alone.
        EXPECT_EQ(std::vector<LogLine>{}, Lines());
    }

    TreeElementGroup container(L"jobs", L"folder", false);
    EXPECT_FALSE(ParseSnippet(parser, "<WindowsStartmenuStartup><Folder/></WindowsStartmenuStartup>", container));
}

TEST_F(ConfigTest, TheShellNamesTheStartupFoldersWineHas) {
    // Wine names the user's and the common start-up folder, not the alternate ones.
    const std::vector<std::wstring> folders = WindowsStartmenuStartup::GetStartupFolders();
    ASSERT_EQ(2u, folders.size());
    wchar_t user[MAX_PATH] = {}, common[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, user, CSIDL_STARTUP, FALSE));
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_STARTUP, FALSE));
    EXPECT_EQ(std::vector<std::wstring>({user, common}), folders);
}

TEST_F(ConfigTest, FolderAndLogElementsAreRegisteredWithTheReader) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <Logfile grouped=\"true\" minlevel=\"2\"/>\n"
        "    <DirectoryInfos><Path>%windir%</Path></DirectoryInfos>\n"
        "    <WindowsStartmenuStartup/>\n");
    ASSERT_EQ(1u, entities.size());
    const auto& items = entities[0]->GetJobItems();
    ASSERT_GE(items.size(), 2u);
    EXPECT_NE(nullptr, dynamic_cast<LogFile*>(items[0].get()));
    EXPECT_NE(nullptr, dynamic_cast<DirectoryInfos*>(items[1].get()));
    const std::size_t startupJobs = WindowsStartmenuStartup::GetStartupFolders().size();
    ASSERT_EQ(2u + startupJobs, items.size());
    for (std::size_t i = 2; i < items.size(); ++i)
        EXPECT_NE(nullptr, dynamic_cast<FileInfosFromDirectory*>(items[i].get()));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
