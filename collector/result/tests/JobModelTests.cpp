#include "collector/result/JobModel.h"
#include "common/tests/support/TestSupport.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/TopLevelEntity.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Exceptions.h"

#include <gmock/gmock.h>

#include <functional>

using namespace Gathrix;
using Gathrix::Testing::ResultFolderTest;
using Gathrix::Testing::ThrownMessage;

namespace {

// Records its deletion, and writes an element of its own when collected.
class Recorder : public IStandaloneElement {
public:
    Recorder(std::vector<std::wstring>* log, std::wstring name) : log(log), name(std::move(name)) {}
    ~Recorder() override { log->push_back(L"deleted " + name); }
    void Collect() override {
        log->push_back(L"collected " + name);
        writer->OpenNode(name);
        writer->CloseNode();
    }
    std::wstring GetElementName() const override { return name; }

private:
    std::vector<std::wstring>* log;
    std::wstring name;
};

class JobModelTest : public ResultFolderTest {
protected:
    // Collects the item into the "ResultSet" of a fresh file and returns what it wrote there.
    std::string Written(ICollectable& item) {
        ResultFileWriter writer(nullptr);
        writer.SetDirectory(data);
        writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
        item.writer = &writer;
        item.Collect();
        EXPECT_EQ(2, writer.GetDepth()) << "the item left elements open";
        writer.CloseDocument();
        const std::string bytes = WellFormedBytes(L"Job.xml");
        DeleteFileW(DataFile(L"Job.xml").c_str());
        const std::string open = "    <ResultSet>\n";
        const size_t start = bytes.find(open);
        const size_t end = bytes.find("    </ResultSet>\n");
        if (start == std::string::npos || end == std::string::npos)
            return bytes;
        return bytes.substr(start + open.size(), end - start - open.size());
    }
};

} // namespace

TEST_F(JobModelTest, LeafWritesCaptionTypeAndOnlyTheLinksItHas) {
    struct Case {
        const wchar_t* value;
        const wchar_t* externalLink;
        const wchar_t* embeddedLink;
        const char* expectedValueLine;
    } cases[] = {
        {L"caption", L"", L"", "<Value>caption</Value>"},
        {L"", L"", L"", "<Value></Value>"},
        {L"c", L"", L"./a.dmp", "<Value embeddedObjectLink=\"./a.dmp\">c</Value>"},
        {L"c", L"./x.txt", L"./y.txt",
         "<Value externalLink=\"./x.txt\" externalLinkUrl=\"./x.txt\" embeddedObjectLink=\"./y.txt\">c</Value>"},
        {L"a<b & \"c\"", L"say \"hi\"", L"",
         "<Value externalLink='say &quot;hi&quot;' externalLinkUrl=\"say%20%22hi%22\">a&lt;b &amp; &quot;c&quot;</Value>"},
        // What a URL reserves stays part of the file name; the plain path stays for readers of the file.
        {L"c", L".\\FileCopies\\C:\\a#1 b%20&c?d;e+\u00fc\u20ac.log", L"",
         "<Value externalLink=\".\\FileCopies\\C:\\a#1 b%20&amp;c?d;e+\xc3\xbc\xe2\x82\xac.log\" "
         "externalLinkUrl=\"./FileCopies/C%3A/a%231%20b%2520%26c%3Fd%3Be%2B%C3%BC%E2%82%AC.log\">c</Value>"},
    };
    for (const Case& c : cases) {
        TreeElementLeaf leaf(c.value, L"lvlerror");
        leaf.externalLink = c.externalLink;
        leaf.embeddedObjectLink = c.embeddedLink;
        EXPECT_EQ(std::string("        <TreeElement showNumOfChildren=\"false\" type=\"lvlerror\">\n            ") +
                      c.expectedValueLine + "\n        </TreeElement>\n",
                  Written(leaf));
    }
}

TEST_F(JobModelTest, GroupWritesItsChildrenInsideItselfInOrder) {
    std::vector<std::wstring> log;
    TreeElementGroup group(L"outer", L"folder", true);
    TreeElementGroup* inner = new TreeElementGroup(L"inner", L"file", false);
    inner->AddJobItem(new TreeElementLeaf(L"deep", L"fileinfo"));
    group.AddJobItem(new TreeElementLeaf(L"first", L"fileinfo"));
    group.AddJobItem(new Recorder(&log, L"Standalone"));
    group.AddJobItem(inner);
    EXPECT_EQ(3, group.GetJobItemCount());

    std::vector<ITreeElement*> children;
    group.GetChildren(children);
    ASSERT_EQ(2u, children.size());
    EXPECT_EQ(L"first", children[0]->GetValue());
    EXPECT_EQ(inner, children[1]);

    EXPECT_EQ("        <TreeElement showNumOfChildren=\"true\" type=\"folder\">\n"
              "            <Value>outer</Value>\n"
              "            <TreeElement showNumOfChildren=\"false\" type=\"fileinfo\">\n"
              "                <Value>first</Value>\n"
              "            </TreeElement>\n"
              "            <Standalone />\n"
              "            <TreeElement showNumOfChildren=\"false\" type=\"file\">\n"
              "                <Value>inner</Value>\n"
              "                <TreeElement showNumOfChildren=\"false\" type=\"fileinfo\">\n"
              "                    <Value>deep</Value>\n"
              "                </TreeElement>\n"
              "            </TreeElement>\n"
              "        </TreeElement>\n",
              Written(group));

    TreeElementGroup empty(L"none", L"folder", true);
    EXPECT_EQ("        <TreeElement showNumOfChildren=\"true\" type=\"folder\">\n"
              "            <Value>none</Value>\n"
              "        </TreeElement>\n",
              Written(empty));
}

TEST_F(JobModelTest, CollectingWithoutAWriterThrowsBeforeWriting) {
    std::vector<std::wstring> log;
    TreeElementLeaf leaf(L"x", L"t");
    TreeElementGroup group(L"g", L"t", false);
    group.AddJobItem(new Recorder(&log, L"Child"));
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { leaf.Collect(); }));
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { group.Collect(); }));
    EXPECT_TRUE(log.empty());
}

TEST(JobModel, OwnersDeleteTheirItemsInOrder) {
    std::vector<std::wstring> log;
    {
        TreeElementGroup group(L"g", L"t", false);
        group.AddJobItem(new Recorder(&log, L"a"));
        group.AddJobItem(new Recorder(&log, L"b"));
    }
    {
        TopLevelEntity entity(ActiveNavigation(L"One", L"", L""));
        entity.AddJobItem(nullptr);
        EXPECT_EQ(0, entity.GetJobItemCount());
        entity.AddJobItem(new Recorder(&log, L"c"));
        entity.AddJobItem(new Recorder(&log, L"d"));
        EXPECT_EQ(2, entity.GetJobItemCount());
        EXPECT_EQ(L"One", entity.GetLevelName(1));
        EXPECT_EQ(L"", entity.GetLevelName(2));
        EXPECT_EQ(L"", entity.GetLevelName(3));
        EXPECT_EQ(2u, entity.GetJobItems().size());
    }
    EXPECT_THAT(log, ::testing::ElementsAre(L"deleted a", L"deleted b", L"deleted c", L"deleted d"));
}

TEST(JobModel, DescriptionsNameTheResultFileElements) {
    TreeElementGroup group(L"g", L"folder", true);
    group.AddJobItem(new TreeElementLeaf(L"leaf", L"file"));
    Serialization::AttributeList attributes;
    group.DescribeAttributes(attributes);
    EXPECT_THAT(attributes, ::testing::ElementsAre(std::make_pair(std::wstring(L"showNumOfChildren"), std::wstring(L"true")),
                                                   std::make_pair(std::wstring(L"type"), std::wstring(L"folder"))));
    Serialization::MemberList members;
    group.DescribeMembers(members);
    ASSERT_EQ(2u, members.size());
    EXPECT_EQ(L"Value", members[0].name);
    EXPECT_EQ(L"g", members[0].text);
    EXPECT_EQ(L"TreeElement", members[1].name);

    TopLevelEntity entity(ActiveNavigation(L"A", L"B", L"C"));
    EXPECT_EQ(L"GathrixResult", entity.GetElementName());
    EXPECT_EQ(L"xml", entity.GetFileExtension());
    Serialization::MemberList levels;
    entity.GetActiveNavigation().DescribeMembers(levels);
    ASSERT_EQ(3u, levels.size());
    EXPECT_EQ(L"Level3", levels[2].name);
}
