#include "collector/result/ResultFileWriter.h"
#include "collector/result/XmlSerialisation.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/Exceptions.h"
#include "common/TiXmlStylesheetReference.h"

#include <functional>

using namespace Gathrix;
using Gathrix::Testing::ResultFolderTest;

namespace {

std::wstring MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const MessageException& e) {
        return e.GetMessageText();
    }
    return L"(nothing thrown)";
}

class XmlSerialisationTest : public ResultFolderTest {};

} // namespace

TEST_F(XmlSerialisationTest, RefusesEveryMisuseWithItsText) {
    XmlSerialisation closed;
    closed.SetDirectory(data);
    XmlSerialisation open;
    open.SetDirectory(data);
    open.CreateDocument(L"Open.xml");
    Testing::WriteFileBytes(DataFile(L"Existing.xml"), "<keep/>");

    const struct {
        std::function<void()> action;
        const wchar_t* message;
    } cases[] = {
        {[&] { closed.SetDirectory(L""); }, L"Path was empty"},
        {[&] { closed.SetDirectory(data + L"\\missing"); }, L"Path does not exist exists"},
        {[&] { open.CreateDocument(L"Other.xml"); },
         L"There is already an active document, close the old one before creating a new one"},
        {[&] { closed.CreateDocument(L""); }, L"No filename was specified for new xml document"},
        {[&] { closed.CreateDocument(L"Existing.xml"); }, L"Given xml file already exists"},
        {[&] { closed.CreateDocument(L"missing\\New.xml"); }, L"Path does not exist exists"},
        {[&] { closed.CloseDocument(); }, L"No active document"},
        {[&] { closed.RenameDocument(L"x.xml"); }, L"No active document"},
        {[&] { open.RenameDocument(L""); }, L"No filename was specified for renaming the document"},
        {[&] { closed.AddStylesheet(L"s.xslt"); }, L"No active document"},
        {[&] { open.AddStylesheet(L""); }, L"No filename was specified for stylesheet document"},
        {[&] { open.AddStylesheet(L"stylesheet\\missing.xslt"); }, L"Given style sheet file does not exist"},
        {[&] { closed.AddChildNode(L"A"); }, L"No active document"},
        {[&] { open.AddChildNode(L""); }, L"Name of child node to add was empty"},
        {[&] { closed.CloseNode(); }, L"No active document"},
        {[&] { open.CloseNode(); }, L"Already reached root node"},
        {[&] { closed.AddAttribute(L"a", L"b"); }, L"No active document"},
        {[&] { open.AddAttribute(L"a", L"b"); }, L"Already reached root node"},
        {[&] { open.AddText(L"t"); }, L"Already reached root node"},
        {[&] { closed.GetRootNode(); }, L"No active document"},
        {[&] { closed.InsertFirstChildNode(nullptr, L"A"); }, L"No active document"},
        {[&] { closed.MarkStartingPoint(L"ResultSet"); }, L"No active document"},
        {[&] { open.MarkStartingPoint(L"ResultSet"); }, L"Starting point node was not found"},
        {[&] { open.DetachOpenBranch(nullptr); }, L"node pointer was null"},
        {[&] { open.CopyAncestors(nullptr, L"ResultSet"); }, L"node pointer was null"},
        {[&] { open.CopyAncestors(open.GetCurrentNode(), L"ResultSet"); }, L"no subtree present to add it's parents"},
        {[&] { closed.FindMarkedNode(nullptr); }, L"No active document"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.message, MessageOf(c.action));

    // After the refusals the open document is still usable.
    open.AddChildNode(L"Root");
    EXPECT_EQ(L"Name of attribute to add was empty", MessageOf([&] { open.AddAttribute(L"", L"v"); }));
    EXPECT_EQ(L"Value of attribute to add was empty", MessageOf([&] { open.AddAttribute(L"n", L""); }));
    EXPECT_EQ(0, open.CloseNode());
    EXPECT_EQ(L"Already reached root node", MessageOf([&] { open.CloseNode(); }));
    open.CloseDocument();
    EXPECT_EQ("<keep/>", Testing::ReadFileBytes(DataFile(L"Existing.xml")));
}

TEST_F(XmlSerialisationTest, DirectoryIsNormalisedRelativeToTheCurrentFolder) {
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.Path().c_str()));
    const wchar_t* spellings[] = {L"data", L"\\data", L"data/", L"data\\\\", L"/data//", L"data\\stylesheet\\..\\"};
    const wchar_t* expected[] = {L"data\\", L"data\\", L"data\\", L"data\\", L"data\\", L"data\\stylesheet\\..\\"};
    for (size_t i = 0; i < std::size(spellings); ++i) {
        XmlSerialisation writer;
        writer.SetDirectory(spellings[i]);
        EXPECT_EQ(expected[i], writer.GetDirectory());
    }
    SetCurrentDirectoryW(previous);
}

TEST_F(XmlSerialisationTest, PrintsDeclarationIndentationAndAttributesInOrder) {
    XmlSerialisation writer;
    writer.SetDirectory(data);
    const std::wstring name = L"R\u00e9sultat \u03a9.xml";  // opened by wide path
    writer.CreateDocument(name);
    writer.AddStylesheet(L"stylesheet\\stylesheet.xslt");
    writer.AddChildNode(L"Root");
    writer.AddAttribute(L"zeta", L"1");
    writer.AddAttribute(L"alpha", L"2");
    writer.AddAttribute(L"zeta", L"3");  // keeps its place
    writer.AddChildNode(L"Empty");
    writer.AddText(L"");
    writer.CloseNode();
    writer.AddChildNode(L"Text");
    writer.AddAttribute(L"q", L"it's \"quoted\"");
    // Control characters that XML cannot carry become U+FFFD; tab, line feed and CR stay.
    writer.AddText(std::wstring(L"\u00e9\u4e2d <&>\t\n\r\x01\x1f") + L"\xFFFE\xFFFF" + L" end");
    writer.CloseNode();
    writer.AddChildNode(L"Outer");
    writer.AddChildNode(L"Inner");
    writer.CloseNode();
    writer.CloseNode();
    EXPECT_EQ(0, writer.CloseNode());
    writer.CloseDocument();

    const std::string bad = "\xef\xbf\xbd";
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<?xml-stylesheet type=\"text/xsl\" href=\"stylesheet/stylesheet.xslt\" ?>\n"
              "<Root zeta=\"3\" alpha=\"2\">\n"
              "    <Empty></Empty>\n"
              "    <Text q='it&apos;s &quot;quoted&quot;'>\xc3\xa9\xe4\xb8\xad &lt;&amp;&gt;&#x09;&#x0A;&#x0D;" +
                  bad + bad + bad + bad + " end</Text>\n"
              "    <Outer>\n"
              "        <Inner />\n"
              "    </Outer>\n"
              "</Root>\n",
              WellFormedBytes(name));
}

TEST_F(XmlSerialisationTest, RenameReloadsKeepingStylesheetAndBlanks) {
    XmlSerialisation writer;
    writer.SetDirectory(data);
    writer.CreateDocument(L"Old.xml");
    writer.AddStylesheet(L"stylesheet/stylesheet.xslt");
    writer.AddChildNode(L"Root");
    writer.AddChildNode(L"Value");
    writer.AddText(L"  two  blanks\tand tab  ");
    writer.CloseNode();
    writer.AddChildNode(L"Empty");
    writer.AddText(L"");
    writer.RenameDocument(L"New \u00fc.xml");

    EXPECT_FALSE(Testing::PathExists(DataFile(L"Old.xml")));
    EXPECT_EQ(L"New \u00fc.xml", writer.GetFileName());
    ASSERT_NE(nullptr, writer.GetRootNode());
    EXPECT_EQ(writer.GetRootNode(), writer.GetCurrentNode());
    writer.CloseDocument();

    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<?xml-stylesheet type=\"text/xsl\" href=\"stylesheet/stylesheet.xslt\" ?>\n"
              "<Root>\n"
              "    <Value>  two  blanks&#x09;and tab  </Value>\n"
              "    <Empty />\n"
              "</Root>\n",
              WellFormedBytes(L"New \u00fc.xml"));

    // Renaming onto another file is refused and leaves that file alone.
    Testing::WriteFileBytes(DataFile(L"Taken.xml"), "<other/>");
    writer.CreateDocument(L"Mine.xml");
    writer.AddChildNode(L"Root");
    EXPECT_EQ(L"Given xml file already exists", MessageOf([&] { writer.RenameDocument(L"Taken.xml"); }));
    EXPECT_EQ("<other/>", Testing::ReadFileBytes(DataFile(L"Taken.xml")));
}

TEST_F(XmlSerialisationTest, InsertFirstChildNodePutsTheElementFirst) {
    XmlSerialisation writer;
    writer.SetDirectory(data);
    writer.CreateDocument(L"First.xml");
    writer.AddChildNode(L"Root");
    TiXmlNode* root = writer.GetCurrentNode();
    writer.InsertFirstChildNode(root, L"Only");
    EXPECT_EQ(2, writer.GetDepth());
    writer.SetCurrentNode(root);
    writer.InsertFirstChildNode(root, L"Before");
    writer.AddAttribute(L"current", L"yes");
    EXPECT_EQ(3, writer.GetDepth());
    EXPECT_EQ(3, writer.GetElementCount());
    writer.CloseDocument();
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n<Root>\n    <Before current=\"yes\" />\n    <Only />\n</Root>\n",
              WellFormedBytes(L"First.xml"));
}

TEST_F(XmlSerialisationTest, MarkingAtTheStartingElementDetachesNothing) {
    ResultFileWriter writer(nullptr);
    writer.SetDirectory(data);
    writer.Open(L"Mark.xml", L"stylesheet\\stylesheet.xslt", L"A", L"B", L"C", L"");
    writer.MarkStartingPoint(L"ResultSet");
    writer.OpenNode(L"Tree");
    writer.CloseNode();
    writer.CloseNode();
    writer.CloseDocument();
    EXPECT_EQ(std::string::npos, WellFormedBytes(L"Mark.xml").find("ACTIVENODEMARKER"));
}

namespace {
// Exposes the branch that the carry-over steps build.
class CarryOver : public XmlSerialisation {
public:
    std::string Branch() const {
        if (!detachedBranch)
            return "(none)";
        TiXmlPrinter printer;
        detachedBranch->Accept(&printer);
        return printer.CStr();
    }
    bool Detached() const { return branchDetached; }
};
} // namespace

TEST_F(XmlSerialisationTest, CarryOverCopiesTheChainWithCaptionsButNotEmptyOnes) {
    const struct {
        const wchar_t* caption;
        const char* expected;
    } cases[] = {
        {L"", "<Tree>\n"
              "    <TreeElement type=\"job\" ACTIVENODEMARKER=\"ACTIVENODEMARKER\">\n"
              "        <Leaf>second</Leaf>\n"
              "    </TreeElement>\n"
              "</Tree>\n"},
        {L"cap", "<Tree>\n"
                 "    <TreeElement type=\"job\" ACTIVENODEMARKER=\"ACTIVENODEMARKER\">\n"
                 "        <Value externalLink=\"./x\">cap</Value>\n"
                 "        <Leaf>second</Leaf>\n"
                 "    </TreeElement>\n"
                 "</Tree>\n"},
    };
    for (const auto& c : cases) {
        CarryOver writer;
        writer.SetDirectory(data);
        writer.CreateDocument(L"Carry.xml");
        writer.AddChildNode(L"Root");
        writer.AddChildNode(L"ResultSet");
        writer.AddChildNode(L"Tree");
        writer.AddChildNode(L"TreeElement");
        writer.AddAttribute(L"type", L"job");
        writer.AddChildNode(L"Value");
        writer.AddAttribute(L"externalLink", L"./x");
        writer.AddText(c.caption);
        writer.CloseNode();
        for (const wchar_t* leaf : {L"first", L"second"}) {
            writer.AddChildNode(L"Leaf");
            writer.AddText(leaf);
            writer.CloseNode();
        }
        writer.MarkStartingPoint(L"ResultSet");
        EXPECT_TRUE(writer.Detached());
        EXPECT_EQ(c.expected, writer.Branch());
    }
}

// The search counts every element before the marked one in document order, the marked one, and
// each later element of an enclosing level once more (their descendants not at all).
TEST_F(XmlSerialisationTest, FindMarkedNodeCountsAndDescendsToTheMark) {
    XmlSerialisation writer;
    writer.SetDirectory(data);
    writer.CreateDocument(L"Find.xml");
    writer.AddChildNode(L"Root");
    writer.AddChildNode(L"A");
    writer.AddChildNode(L"B");
    writer.AddAttribute(L"ACTIVENODEMARKER", L"ACTIVENODEMARKER");
    writer.CloseNode();
    writer.AddChildNode(L"C");
    writer.CloseNode();
    writer.CloseNode();
    writer.AddChildNode(L"D");
    writer.AddChildNode(L"E");
    writer.CloseNode();
    writer.CloseNode();
    ASSERT_EQ(1, writer.GetDepth());
    ASSERT_EQ(6, writer.GetElementCount());

    writer.FindMarkedNode(writer.GetRootNode());
    EXPECT_EQ(3, writer.GetDepth());           // B's depth
    EXPECT_EQ(6 + 4, writer.GetElementCount());  // A, B, then D twice
    writer.SetCurrentNode(writer.GetRootNode());
    writer.CloseDocument();
    EXPECT_EQ(std::string::npos, WellFormedBytes(L"Find.xml").find("ACTIVENODEMARKER"));
}
