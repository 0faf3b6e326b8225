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

TEST_F(NavigationTest, FileExistingAlreadyIsRefused) {
    NavigationWriter navigation(data);
    Testing::WriteFileBytes(DataFile(L"Navigation.xml"), "old");
    navigation.AddEntry(L"A", L"", L"", L"", L"A.xml");
    EXPECT_THROW(navigation.Write(), MessageException);
    EXPECT_EQ("old", Testing::ReadFileBytes(DataFile(L"Navigation.xml")));
}
