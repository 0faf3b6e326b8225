#include "collector/result/NavigationWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Exceptions.h"
#include "common/XmlFiles.h"

#include <gmock/gmock.h>

using namespace Gathrix;
using Gathrix::Testing::ResultFolderTest;

namespace {

// The tree as "name>link" lines, indented by level, as Navigation.xml will hold it.
void Outline(const TiXmlElement* entry, const std::string& indent, std::vector<std::string>& lines) {
    for (; entry != nullptr; entry = entry->NextSiblingElement()) {
        const char* name = entry->FirstChildElement("Name")->GetText();
        const char* link = entry->FirstChildElement("Link")->GetText();
        lines.push_back(indent + entry->ValueStr() + " " + (name ? name : "") + ">" + (link ? link : ""));
        const TiXmlElement* child = entry->FirstChildElement("Link")->NextSiblingElement();
        Outline(child, indent + "  ", lines);
    }
}

class NavigationTest : public ResultFolderTest {
protected:
    std::vector<std::string> Written(NavigationWriter& navigation) {
        navigation.Write();
        WellFormedBytes(L"Navigation.xml");
        TiXmlDocument document;
        EXPECT_TRUE(Utils::LoadXmlFile(document, DataFile(L"Navigation.xml"), true));
        std::vector<std::string> lines;
        Outline(document.RootElement()->FirstChildElement(), "", lines);
        return lines;
    }
};

} // namespace

TEST_F(NavigationTest, EntriesKeepFirstSeenOrderAndLinkToTheirFirstSubEntry) {
    NavigationWriter navigation(data);
    // The run's entry and the writer's entry for one file: written once.
    navigation.AddEntry(L"System", L"Disks", L"", L"", L"System_Disks.xml");
    navigation.AddEntry(L"System", L"Disks", L"", L"", L"System_Disks.xml");
    navigation.AddEntry(L"System", L"Drivers", L"", L"", L"System_Drivers.xml");
    navigation.AddEntry(L"system", L"Disks", L"", L"", L"system_Disks.xml");  // case counts
    navigation.AddEntry(L"Alone", L"", L"", L"", L"Alone.xml");
    navigation.AddEntry(L"Apps", L"", L"Skipped", L"", L"Apps.xml");  // an empty level cuts the rest
    EXPECT_THAT(Written(navigation),
                ::testing::ElementsAre("Level1Entry System>System_Disks.xml",
                                       "  Level2Entry Disks>System_Disks.xml",
                                       "  Level2Entry Drivers>System_Drivers.xml",
                                       "Level1Entry system>system_Disks.xml",
                                       "  Level2Entry Disks>system_Disks.xml",
                                       "Level1Entry Alone>Alone.xml",
                                       "Level1Entry Apps>Apps.xml"));
}

TEST_F(NavigationTest, AddEntryAtDepthReportsWhetherItFollowedTheFirstChildren) {
    NavigationLevel root(L"root", L"", 0);
    EXPECT_FALSE(root.AddEntry({}, L"none"));
    EXPECT_TRUE(root.children.empty());
    EXPECT_TRUE(root.AddEntry({L"A", L"B", L"C", L""}, L"a.xml"));
    EXPECT_FALSE(root.AddEntry({L"A", L"B2", L"", L""}, L"b2.xml"));
    EXPECT_EQ(L"a.xml", root.link);
    EXPECT_TRUE(root.AddEntry({L"A", L"B", L"C", L"1"}, L"a_1.xml"));
    EXPECT_EQ(L"a_1.xml", root.link);
    EXPECT_FALSE(root.AddEntry({L"A", L"B", L"C", L"2"}, L"a_2.xml"));
    ASSERT_EQ(1u, root.children.size());
    const NavigationLevel& c = root.children[0].children[0].children[0];
    EXPECT_EQ(3, c.depth);
    ASSERT_EQ(2u, c.children.size());
    EXPECT_EQ(4, c.children[1].depth);
    EXPECT_EQ(L"a_2.xml", c.children[1].link);
    EXPECT_EQ(L"a_1.xml", c.link);
}

// The entries the result file writer makes for a file split into three parts: the file's own,
// then each part's when it is opened and when it is closed.
void EnterSplitFile(NavigationWriter& navigation, const std::wstring& level1, const std::wstring& level2,
                    const std::wstring& level3, const std::wstring& stem) {
    navigation.AddEntry(level1, level2, level3, L"", stem + L".xml");
    navigation.AddEntry(level1, level2, level3, L"", stem + L".xml");
    for (int part = 1; part <= 3; ++part) {
        const std::wstring number = std::to_wstring(part);
        if (part > 1)
            navigation.AddEntry(level1, level2, level3, number, stem + L"_" + number + L".xml");
        if (part < 3)
            navigation.AddEntry(level1, level2, level3, number, stem + L"_" + number + L".xml");
    }
}

// Every part gets its entry below the entity's last named level, and the entity links to part 1,
// whether it has one, two or three levels; a level and a part of the same name stay apart.
TEST_F(NavigationTest, EveryPartOfASplitFileHasItsEntryWhateverTheNumberOfLevels) {
    NavigationWriter navigation(data);
    EnterSplitFile(navigation, L"Many", L"", L"", L"Many");
    navigation.AddEntry(L"Many", L"1", L"", L"", L"Many_1x.xml");
    EnterSplitFile(navigation, L"System", L"Processes", L"", L"System_Processes");
    EnterSplitFile(navigation, L"Registry", L"Keys", L"HKLM", L"Registry_Keys_HKLM");
    EXPECT_THAT(Written(navigation),
                ::testing::ElementsAre("Level1Entry Many>Many_1.xml",
                                       "  Level4Entry 1>Many_1.xml",
                                       "  Level4Entry 2>Many_2.xml",
                                       "  Level4Entry 3>Many_3.xml",
                                       "  Level2Entry 1>Many_1x.xml",
                                       "Level1Entry System>System_Processes_1.xml",
                                       "  Level2Entry Processes>System_Processes_1.xml",
                                       "    Level4Entry 1>System_Processes_1.xml",
                                       "    Level4Entry 2>System_Processes_2.xml",
                                       "    Level4Entry 3>System_Processes_3.xml",
                                       "Level1Entry Registry>Registry_Keys_HKLM_1.xml",
                                       "  Level2Entry Keys>Registry_Keys_HKLM_1.xml",
                                       "    Level3Entry HKLM>Registry_Keys_HKLM_1.xml",
                                       "      Level4Entry 1>Registry_Keys_HKLM_1.xml",
                                       "      Level4Entry 2>Registry_Keys_HKLM_2.xml",
                                       "      Level4Entry 3>Registry_Keys_HKLM_3.xml"));
}

// The link's URL beside its file name, escaped as the report's file links are: what a URL
// reserves and every byte beyond ASCII. A name that needs no escape has none.
TEST_F(NavigationTest, EveryLinkCarriesItsEscapedUrl) {
    NavigationWriter navigation(data);
    navigation.AddEntry(L"C#tools", L"Page", L"", L"", L"C#tools_Page.xml");
    navigation.AddEntry(L"100%41", L"", L"", L"", L"100%41.xml");
    navigation.AddEntry(L"R&D ?;+", L"", L"", L"", L"R&D ?;+.xml");
    navigation.AddEntry(L"\u00dcber\u20ac", L"", L"", L"", L"\u00dcber\u20ac.xml");
    navigation.AddEntry(L"Plain-1.x_y~", L"", L"", L"", L"Plain-1.x_y~.xml");
    navigation.AddEntry(L"Unlinked", L"", L"", L"", L"");
    navigation.Write();
    TiXmlDocument document;
    ASSERT_TRUE(Utils::LoadXmlFile(document, DataFile(L"Navigation.xml"), true));
    std::vector<std::string> links;
    for (const TiXmlElement* entry = document.RootElement()->FirstChildElement(); entry;
         entry = entry->NextSiblingElement()) {
        for (const TiXmlElement* level = entry; level; level = level->FirstChildElement("Level2Entry")) {
            const TiXmlElement* link = level->FirstChildElement("Link");
            const char* url = link->Attribute("url");
            links.push_back(std::string(link->GetText() ? link->GetText() : "") + " " + (url ? url : "(none)"));
        }
    }
    EXPECT_THAT(links, ::testing::ElementsAre("C#tools_Page.xml C%23tools_Page.xml", "C#tools_Page.xml C%23tools_Page.xml",
                                              "100%41.xml 100%2541.xml", "R&D ?;+.xml R%26D%20%3F%3B%2B.xml",
                                              "\xc3\x9c" "ber\xe2\x82\xac.xml %C3%9Cber%E2%82%AC.xml",
                                              "Plain-1.x_y~.xml (none)", " (none)"));
}

TEST_F(NavigationTest, FileExistingAlreadyIsRefused) {
    NavigationWriter navigation(data);
    Testing::WriteFileBytes(DataFile(L"Navigation.xml"), "old");
    navigation.AddEntry(L"A", L"", L"", L"", L"A.xml");
    EXPECT_THROW(navigation.Write(), MessageException);
    EXPECT_EQ("old", Testing::ReadFileBytes(DataFile(L"Navigation.xml")));
}
