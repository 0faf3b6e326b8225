#include "collector/result/JobModel.h"
#include "common/tests/support/TestSupport.h"
#include "collector/result/NavigationWriter.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Exceptions.h"
#include "collector/platform/Md5.h"
#include "common/Handles.h"
#include "common/XmlFiles.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <map>

using namespace Gathrix;
using Gathrix::Testing::ResultFolderTest;
using Gathrix::Testing::ThrownMessage;

namespace {

const wchar_t* const Stylesheet = L"stylesheet\\stylesheet.xslt";

void OpenJob(ResultFileWriter& writer, const std::wstring& caption) {
    writer.OpenNode(L"TreeElement");
    writer.AddAttribute(L"showNumOfChildren", L"true");
    writer.AddAttribute(L"type", L"job");
    writer.OpenNodeWithText(L"Value", caption);
    writer.CloseNode();
}

void WriteLeaf(ResultFileWriter& writer, const std::wstring& caption) {
    TreeElementLeaf leaf(caption, L"file");
    leaf.writer = &writer;
    leaf.Collect();
}

std::string Text(const TiXmlElement* element) {
    const char* text = element != nullptr ? element->GetText() : nullptr;
    return text != nullptr ? text : "";
}

// What one part holds: its navigation names and, per job caption, the captions of the job's
// direct children, in order.
struct Part {
    std::vector<std::string> levels;
    std::vector<std::string> jobs;
    std::map<std::string, std::vector<std::string>> children;
    std::map<std::string, std::string> jobAttributes;
    bool hasMarker = false;
};

Part ReadPart(const std::wstring& path) {
    Part part;
    TiXmlDocument document;
    EXPECT_TRUE(Utils::LoadXmlFile(document, path, true)) << Utils::ToUtf8(path);
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
        return part;
    for (const TiXmlElement* level = root->FirstChildElement("ActiveNavigation")->FirstChildElement(); level;
         level = level->NextSiblingElement())
        part.levels.push_back(level->ValueStr() + "=" + Text(level->FirstChildElement("Name")));
    const TiXmlElement* tree = root->FirstChildElement("ResultSet")->FirstChildElement("Tree");
    for (const TiXmlElement* job = tree ? tree->FirstChildElement("TreeElement") : nullptr; job;
         job = job->NextSiblingElement("TreeElement")) {
        const std::string caption = Text(job->FirstChildElement("Value"));
        part.jobs.push_back(caption);
        std::string attributes;
        for (const TiXmlAttribute* a = job->FirstAttribute(); a; a = a->Next())
            attributes += a->NameTStr() + "=" + a->ValueStr() + ";";
        part.jobAttributes[caption] = attributes;
        std::vector<std::string>& children = part.children[caption];
        for (const TiXmlElement* child = job->FirstChildElement("TreeElement"); child;
             child = child->NextSiblingElement("TreeElement"))
            children.push_back(Text(child->FirstChildElement("Value")));
    }
    TiXmlPrinter printer;
    document.Accept(&printer);
    part.hasMarker = std::string(printer.CStr()).find("ACTIVENODEMARKER") != std::string::npos;
    return part;
}

class ResultFileWriterTest : public ResultFolderTest {
protected:
    NavigationWriter navigation{data};

    std::unique_ptr<ResultFileWriter> OpenFile(const std::wstring& name, const std::wstring& l1, const std::wstring& l2,
                                               const std::wstring& l3) {
        std::unique_ptr<ResultFileWriter> writer(new ResultFileWriter(&navigation));
        writer->SetDirectory(data);
        navigation.AddEntry(l1, l2, l3, L"", name);
        writer->Open(name, Stylesheet, l1, l2, l3, L"");
        writer->OpenNode(L"Tree");
        return writer;
    }

    void Close(ResultFileWriter& writer) {
        writer.CloseNode();
        writer.CloseDocument();
    }
};

} // namespace

TEST_F(ResultFileWriterTest, SmallFileKeepsItsNameAndFrame) {
    auto writer = OpenFile(L"General_Info.xml", L"General", L"Info", L"");
    EXPECT_EQ(3, writer->GetDepth());
    WriteLeaf(*writer, L"only");
    Close(*writer);
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<?xml-stylesheet type=\"text/xsl\" href=\"stylesheet/stylesheet.xslt\" ?>\n"
              "<GathrixResult>\n"
              "    <ActiveNavigation>\n"
              "        <Level1>\n            <Name>General</Name>\n        </Level1>\n"
              "        <Level2>\n            <Name>Info</Name>\n        </Level2>\n"
              "        <Level3>\n            <Name></Name>\n        </Level3>\n"
              "    </ActiveNavigation>\n"
              "    <ResultSet>\n"
              "        <Tree>\n"
              "            <TreeElement showNumOfChildren=\"false\" type=\"file\">\n"
              "                <Value>only</Value>\n"
              "            </TreeElement>\n"
              "        </Tree>\n"
              "    </ResultSet>\n"
              "</GathrixResult>\n",
              WellFormedBytes(L"General_Info.xml"));
    EXPECT_EQ(1, writer->GetPartNumber());
}

// 30 jobs of 1000 leaves (about 60,000 elements): three parts. Tree holds several jobs at every
// cut, so the open job moves whole into the next part.
TEST_F(ResultFileWriterTest, SplitMovesTheOpenJobWholeAndEveryElementLandsOnce) {
    auto writer = OpenFile(L"Big_Files_Logs.xml", L"Big", L"Files", L"Logs");
    std::vector<int> countsAfterCut;
    for (int job = 0; job < 30; ++job) {
        OpenJob(*writer, L"job " + std::to_wstring(job));
        for (int leaf = 0; leaf < 1000; ++leaf) {
            const int part = writer->GetPartNumber();
            writer->OpenNode(L"TreeElement");
            if (writer->GetPartNumber() != part)
                countsAfterCut.push_back(writer->GetElementCount());
            writer->AddAttribute(L"showNumOfChildren", L"false");
            writer->AddAttribute(L"type", L"file");
            writer->OpenNodeWithText(L"Value", std::to_wstring(job) + L"." + std::to_wstring(leaf));
            writer->CloseNode();
            writer->CloseNode();
        }
        writer->CloseNode();
    }
    Close(*writer);
    // The new part's frame and the copied chain are counted before the element that caused the cut.
    EXPECT_THAT(countsAfterCut, ::testing::ElementsAre(24, 24));
    EXPECT_EQ(3, writer->GetPartNumber());
    EXPECT_FALSE(Testing::PathExists(DataFile(L"Big_Files_Logs.xml")));
    EXPECT_FALSE(Testing::PathExists(DataFile(L"Big_Files_Logs_4.xml")));

    std::map<std::string, int> partOfJob;
    for (int number = 1; number <= 3; ++number) {
        const std::wstring name = L"Big_Files_Logs_" + std::to_wstring(number) + L".xml";
        WellFormedBytes(name);
        const Part part = ReadPart(DataFile(name));
        EXPECT_THAT(part.levels, ::testing::ElementsAre("Level1=Big", "Level2=Files", "Level3=Logs",
                                                        "Level4=" + std::to_string(number)));
        EXPECT_FALSE(part.hasMarker) << number;
        for (const std::string& job : part.jobs) {
            EXPECT_EQ(0u, partOfJob.count(job)) << job << " is in two parts";
            partOfJob[job] = number;
            const std::vector<std::string>& leaves = part.children.at(job);
            ASSERT_EQ(1000u, leaves.size()) << job << " in part " << number;
            const std::string prefix = job.substr(4) + ".";
            for (size_t i = 0; i < leaves.size(); ++i)
                ASSERT_EQ(prefix + std::to_string(i), leaves[i]);
            EXPECT_EQ("showNumOfChildren=true;type=job;", part.jobAttributes.at(job));
        }
    }
    EXPECT_EQ(30u, partOfJob.size());
    EXPECT_EQ(1, partOfJob["job 0"]);
    EXPECT_EQ(3, partOfJob["job 29"]);

    navigation.Write();
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<Navigation>\n"
              "    <Level1Entry>\n"
              "        <Name>Big</Name>\n"
              "        <Link>Big_Files_Logs_1.xml</Link>\n"
              "        <Level2Entry>\n"
              "            <Name>Files</Name>\n"
              "            <Link>Big_Files_Logs_1.xml</Link>\n"
              "            <Level3Entry>\n"
              "                <Name>Logs</Name>\n"
              "                <Link>Big_Files_Logs_1.xml</Link>\n"
              "                <Level4Entry>\n"
              "                    <Name>1</Name>\n"
              "                    <Link>Big_Files_Logs_1.xml</Link>\n"
              "                </Level4Entry>\n"
              "                <Level4Entry>\n"
              "                    <Name>2</Name>\n"
              "                    <Link>Big_Files_Logs_2.xml</Link>\n"
              "                </Level4Entry>\n"
              "                <Level4Entry>\n"
              "                    <Name>3</Name>\n"
              "                    <Link>Big_Files_Logs_3.xml</Link>\n"
              "                </Level4Entry>\n"
              "            </Level3Entry>\n"
              "        </Level2Entry>\n"
              "    </Level1Entry>\n"
              "</Navigation>\n",
              WellFormedBytes(L"Navigation.xml"));
}

// One job alone in Tree: only its last finished child moves, inside a copy of the job's element.
TEST_F(ResultFileWriterTest, SplitOfASingleJobCarriesItsLastChildInACopyOfTheJob) {
    auto writer = OpenFile(L"Files_12.xml", L"Files", L"12", L"");
    OpenJob(*writer, L"  the  job ");
    for (int leaf = 0; leaf < 15000; ++leaf)
        WriteLeaf(*writer, L"leaf " + std::to_wstring(leaf));
    writer->CloseNode();
    Close(*writer);

    // The stem's own "_12" is taken for a part number: the parts are numbered after "Files".
    EXPECT_FALSE(Testing::PathExists(DataFile(L"Files_12.xml")));
    ASSERT_TRUE(Testing::PathExists(DataFile(L"Files_2.xml")));
    EXPECT_FALSE(Testing::PathExists(DataFile(L"Files_3.xml")));
    WellFormedBytes(L"Files_1.xml");
    WellFormedBytes(L"Files_2.xml");
    const Part first = ReadPart(DataFile(L"Files_1.xml"));
    const Part second = ReadPart(DataFile(L"Files_2.xml"));
    ASSERT_THAT(first.jobs, ::testing::ElementsAre("  the  job "));
    ASSERT_THAT(second.jobs, ::testing::ElementsAre("  the  job "));
    EXPECT_EQ(first.jobAttributes, second.jobAttributes);
    EXPECT_THAT(second.levels, ::testing::ElementsAre("Level1=Files", "Level2=12", "Level3=", "Level4=2"));

    std::vector<std::string> all = first.children.at("  the  job ");
    const std::vector<std::string>& rest = second.children.at("  the  job ");
    EXPECT_GT(all.size(), 13000u);
    all.insert(all.end(), rest.begin(), rest.end());
    ASSERT_EQ(15000u, all.size());
    for (size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ("leaf " + std::to_string(i), all[i]);

    // Two levels: each part has its entry below the second, which links to part 1.
    navigation.Write();
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<Navigation>\n"
              "    <Level1Entry>\n"
              "        <Name>Files</Name>\n"
              "        <Link>Files_1.xml</Link>\n"
              "        <Level2Entry>\n"
              "            <Name>12</Name>\n"
              "            <Link>Files_1.xml</Link>\n"
              "            <Level4Entry>\n"
              "                <Name>1</Name>\n"
              "                <Link>Files_1.xml</Link>\n"
              "            </Level4Entry>\n"
              "            <Level4Entry>\n"
              "                <Name>2</Name>\n"
              "                <Link>Files_2.xml</Link>\n"
              "            </Level4Entry>\n"
              "        </Level2Entry>\n"
              "    </Level1Entry>\n"
              "</Navigation>\n",
              WellFormedBytes(L"Navigation.xml"));
}

TEST_F(ResultFileWriterTest, WritingDeeperThanAJobsOwnElementNeverCuts) {
    auto writer = OpenFile(L"Deep.xml", L"Deep", L"", L"");
    OpenJob(*writer, L"job");
    OpenJob(*writer, L"nested");
    for (int leaf = 0; leaf < 15000; ++leaf)
        WriteLeaf(*writer, L"n" + std::to_wstring(leaf));
    EXPECT_EQ(1, writer->GetPartNumber());
    EXPECT_GT(writer->GetElementCount(), ResultFileWriter::ElementLimit);
    writer->CloseNode();  // back at the job's element, depth 4
    WriteLeaf(*writer, L"after");
    EXPECT_EQ(2, writer->GetPartNumber());
    writer->CloseNode();
    Close(*writer);

    const Part second = ReadPart(DataFile(L"Deep_2.xml"));
    ASSERT_THAT(second.jobs, ::testing::ElementsAre("job"));
    EXPECT_THAT(second.children.at("job"), ::testing::ElementsAre("nested", "after"));
    WellFormedBytes(L"Deep_1.xml");
    WellFormedBytes(L"Deep_2.xml");
}

TEST_F(ResultFileWriterTest, SplitNeverOverwritesAnExistingFile) {
    Testing::WriteFileBytes(DataFile(L"Taken_1.xml"), "<someone else's/>");
    auto writer = OpenFile(L"Taken.xml", L"Taken", L"", L"");
    OpenJob(*writer, L"job");
    EXPECT_EQ(L"Given xml file already exists", ThrownMessage([&] {
                  for (int leaf = 0; leaf < 15000; ++leaf)
                      WriteLeaf(*writer, L"leaf");
              }));
    EXPECT_EQ("<someone else's/>", Testing::ReadFileBytes(DataFile(L"Taken_1.xml")));
    EXPECT_EQ(1, writer->GetPartNumber());
}

TEST_F(ResultFileWriterTest, CloseToDepthEndsAFailedJobWhereItBegan) {
    auto writer = OpenFile(L"Failed.xml", L"Failed", L"", L"");
    const int start = writer->GetDepth();
    OpenJob(*writer, L"broken");
    writer->OpenNode(L"TreeElement");
    writer->OpenNodeWithText(L"Value", L"half");
    writer->CloseToDepth(start);
    EXPECT_EQ(start, writer->GetDepth());
    writer->CloseToDepth(start + 2);  // never opens anything
    EXPECT_EQ(start, writer->GetDepth());
    WriteLeaf(*writer, L"next job");
    Close(*writer);
    const Part part = ReadPart(DataFile(L"Failed.xml"));
    EXPECT_THAT(part.jobs, ::testing::ElementsAre("broken", "next job"));
    WellFormedBytes(L"Failed.xml");
}

TEST_F(ResultFileWriterTest, OpenRefusesEmptyNames) {
    ResultFileWriter writer(nullptr);
    writer.SetDirectory(data);
    EXPECT_EQ(L"fileName was empty", ThrownMessage([&] { writer.Open(L"", Stylesheet, L"a", L"", L"", L""); }));
    EXPECT_EQ(L"relativeSheetFilePath was empty", ThrownMessage([&] { writer.Open(L"x.xml", L"", L"a", L"", L"", L""); }));
    EXPECT_EQ(L"Given style sheet file does not exist",
              ThrownMessage([&] { writer.Open(L"x.xml", L"missing.xslt", L"a", L"", L"", L""); }));
}

// Captions of every shape the printer and the reload of a closed part treat apart: blank and
// empty texts, texts with blanks at their ends, control characters, markup characters, non-ASCII
// text, entity-like text; then the byte-order mark, which the parser skips where it looks for
// markup.
const wchar_t* const Captions[] = {
    L"plain",       L"",          L"   ",         L"\t",           L"  two  blanks ", L"a&b<c>\"d'e",
    L"\u00fcmlaut \u20ac \u4e2d", L"line\nbreak\r\n", L"&#x41;&amp;", L"\ufeffmark", L"\ufeff", L" \ufeff ",
};
const std::size_t CaptionsWithoutMark = 9;

// The file names of the data folder's result files and the MD5 of each one's bytes, a line each.
std::string PartDigests(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search(FindFirstFileW((folder + L"\\*.xml").c_str(), &entry));
    if (search) {
        do
            names.push_back(entry.cFileName);
        while (FindNextFileW(search.Get(), &entry));
    }
    std::sort(names.begin(), names.end());
    std::string digests;
    for (const std::wstring& name : names) {
        const std::string bytes = Testing::ReadFileBytes(folder + L"\\" + name);
        Utils::Md5Context context{};
        Utils::Md5Update(&context, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
        unsigned char digest[16];
        Utils::Md5Final(digest, &context);
        digests += Utils::ToUtf8(name) + " " + Testing::HexDigest(digest, 16) + "\n";
    }
    return digests;
}

// The parts of a large run of many jobs (with texts of every shape and nodes of two texts) and of
// a large run of one job (with texts that read back as written), byte for byte as the
// writer has always written them (the digests were taken from its output before its split was
// made faster): the speed of the split changes nothing in the files.
TEST_F(ResultFileWriterTest, LargeSplitRunsWriteTheSameBytesAsEver) {
    std::size_t caption = 0;
    auto next = [&] { return std::wstring(Captions[caption++ % (sizeof Captions / sizeof Captions[0])]); };
    auto nextWithoutMark = [&] { return std::wstring(Captions[caption++ % CaptionsWithoutMark]); };
    {
        auto writer = OpenFile(L"Many.xml", L"Many", L"", L"");
        for (int job = 0; job < 90; ++job) {
            OpenJob(*writer, L"job " + std::to_wstring(job) + L" " + next());
            writer->AddAttribute(L"note", next() + L"x");
            for (int leaf = 0; leaf < 300 + job; ++leaf) {
                WriteLeaf(*writer, next());
                if (leaf % 97 == 0) {
                    // Deeper than a cut may happen, with two texts in one node.
                    writer->OpenNode(L"TreeElement");
                    writer->OpenNodeWithText(L"Value", next());
                    writer->AddText(next());
                    writer->CloseNode();
                    writer->OpenNode(L"TreeElement");
                    writer->OpenNodeWithText(L"Value", L"deep");
                    writer->CloseNode();
                    writer->CloseNode();
                    writer->CloseNode();
                }
            }
            writer->CloseNode();
        }
        Close(*writer);
    }
    {
        auto writer = OpenFile(L"One.xml", L"One", L"", L"");
        OpenJob(*writer, L"the only job");
        // Only what reads back as it was written, but for blank texts.
        for (int leaf = 0; leaf < 40000; ++leaf)
            WriteLeaf(*writer, nextWithoutMark());
        writer->CloseNode();
        Close(*writer);
    }
    const std::string expected =
        Testing::ReadFileBytes(Testing::SourceDir() + L"\\collector\\result\\tests\\fixtures\\split-run-digests.txt");
    EXPECT_EQ(expected, PartDigests(data));
}
