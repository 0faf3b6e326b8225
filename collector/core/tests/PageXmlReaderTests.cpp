#include "collector/core/PageXmlReader.h"

#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using Gathrix::PageXmlReader;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;

namespace {

// The items of a file in one line: <name a="v"> for a start, </name>, [text], and at the end
// "." when the file was read whole or "! reason" where reading stopped.
std::string Items(const std::wstring& path) {
    PageXmlReader reader(path);
    std::string items;
    for (;;) {
        switch (reader.Next()) {
        case PageXmlReader::Item::Start:
            items += "<" + reader.Name();
            for (const auto& attribute : reader.Attributes())
                items += " " + attribute.name + "=\"" + attribute.value + "\"";
            items += ">";
            break;
        case PageXmlReader::Item::End:
            items += "</" + reader.Name() + ">";
            break;
        case PageXmlReader::Item::Text:
            if (reader.Text().find_first_not_of(" \n") != std::string::npos)
                items += "[" + reader.Text() + "]";
            break;
        case PageXmlReader::Item::Finished:
            return items + ".";
        case PageXmlReader::Item::Failed:
            return items + "! " + Gathrix::Utils::ToUtf8(reader.Failure());
        }
    }
}

// What the reader takes, and that it never takes a damaged file for a whole one: the DOM built
// from it is rendered as the page.
TEST(PageXmlReader, ReadsWhatTheCollectorWritesAndStopsAtAnythingElse) {
    const struct {
        const char* file;
        const char* items;
    } cases[] = {
        {"<?xml version=\"1.0\" ?>\n<?xml-stylesheet href=\"s.xslt\"?>\n<!-- c -->\n<r a='1 &lt; 2' b=\"&quot;\">"
         "\n  <v>x &amp; &#252;&#x3A9; <![CDATA[<raw>]]></v>\n  <e/>\n</r>\n",
         "<r a=\"1 < 2\" b=\"\"\"><v>[x & \xc3\xbc\xce\xa9 ][<raw>]</v><e></e></r>."},
        {"<r><a></b></r>", "<r><a>! the end tag </b> closes no open element (<a> is open)"},
        {"<r><a>text", "<r><a>[text]! the file ends inside <a>"},
        {"<r>&nbsp;</r>", "<r>! an unknown reference in a text of <r>"},
        {"<r></r><r></r>", "<r></r>! a second root element <r>"},
        {"<r></r>text", "<r></r>! text outside the root element"},
        {"<r a=\"1></r>", "! the attribute a of <r> is not closed"},
        {"<!DOCTYPE r [<!ENTITY x \"y\">]><r>&x;</r>", "! a declaration this reader does not take (<!DOCTYPE...)"},
        {"", "! the file holds no element"},
    };
    ScratchFolder scratch{L"reader"};
    for (const auto& c : cases) {
        WriteFileBytes(scratch / L"page.xml", c.file);
        EXPECT_EQ(c.items, Items(scratch / L"page.xml")) << c.file;
    }
    EXPECT_EQ("! " + Gathrix::Utils::ToUtf8(Gathrix::System::GetErrorText(ERROR_FILE_NOT_FOUND)),
              Items(scratch / L"missing.xml"));
}

// A long text comes in pieces, each whole UTF-8, that together are the text.
TEST(PageXmlReader, HandsOutALongTextInPiecesOfWholeCharacters) {
    std::string text;
    while (text.size() < (3u << 20))
        text += "a\xc3\xbc";  // one and two bytes, so that a cut in the middle of a character would show
    ScratchFolder scratch{L"reader"};
    WriteFileBytes(scratch / L"page.xml", "<r>" + text + "</r>");
    PageXmlReader reader(scratch / L"page.xml");
    ASSERT_EQ(PageXmlReader::Item::Start, reader.Next());
    std::string joined;
    int pieces = 0;
    while (reader.Next() == PageXmlReader::Item::Text) {
        EXPECT_NE(0x80, reader.Text().front() & 0xC0);  // starts a character
        EXPECT_LE(reader.Text().size(), (1u << 20) + 4);
        joined += reader.Text();
        ++pieces;
    }
    EXPECT_GE(pieces, 3);
    EXPECT_EQ(text, joined);
}

} // namespace
