#include "common/TiXmlStylesheetReference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

std::string PrintOf(const TiXmlNode& node) {
    std::string text;
    // The library prints through the three-argument form; the FILE* is optional.
    static_cast<const TiXmlStylesheetReference&>(node).Print(nullptr, 3, &text);
    return text;
}

std::string PrintDocument(const TiXmlDocument& document) {
    FILE* file = std::tmpfile();
    document.Print(file, 0);
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

} // namespace

TEST(TiXmlStylesheetReference, PrintsItsPseudoAttributesUnescaped) {
    EXPECT_EQ("<?xml-stylesheet ?>", PrintOf(TiXmlStylesheetReference()));
    EXPECT_EQ("<?xml-stylesheet type=\"text/xsl\" href=\"stylesheet/stylesheet.xslt\" ?>",
              PrintOf(TiXmlStylesheetReference("text/xsl", "stylesheet/stylesheet.xslt")));
    EXPECT_EQ("<?xml-stylesheet href=\"a&b\"c\" ?>", PrintOf(TiXmlStylesheetReference("", "a&b\"c")));
}

TEST(TiXmlStylesheetReference, ParserCreatesTheNodeInsteadOfADeclaration) {
    const char* inputs[] = {
        "<?xml version=\"1.0\" ?>\n<?xml-stylesheet type=\"text/xsl\" href=\"s/s.xslt\" ?>\n<Root />",
        "<?xml version=\"1.0\" ?>\n<?xml-stylesheet href=\"s/s.xslt\" type=\"text/xsl\"?>\n<Root />",
        "<?xml version=\"1.0\" ?>\n<?XML-STYLESHEET TYPE=\"text/xsl\" title=\"t\" HrEf='s/s.xslt' ?>\n<Root />",
    };
    for (const char* input : inputs) {
        TiXmlDocument document;
        document.Parse(input);
        ASSERT_FALSE(document.Error()) << document.ErrorDesc();
        const TiXmlNode* declaration = document.FirstChild();
        ASSERT_NE(nullptr, declaration->ToDeclaration()) << input;
        EXPECT_EQ(nullptr, declaration->ToStylesheetReference());
        const TiXmlNode* node = declaration->NextSibling();
        ASSERT_NE(nullptr, node);
        const TiXmlStylesheetReference* reference = node->ToStylesheetReference();
        ASSERT_NE(nullptr, reference) << input;
        EXPECT_EQ(TiXmlNode::TINYXML_STYLESHEETREFERENCE, node->Type());
        EXPECT_EQ(nullptr, node->ToDeclaration());
        EXPECT_EQ("text/xsl", reference->Type());
        EXPECT_EQ("s/s.xslt", reference->Href());
        EXPECT_NE(nullptr, document.RootElement());
        EXPECT_EQ("<?xml version=\"1.0\" ?>\n<?xml-stylesheet type=\"text/xsl\" href=\"s/s.xslt\" ?>\n<Root />\n",
                  PrintDocument(document));
    }
}

TEST(TiXmlStylesheetReference, SurvivesCloneAndAPrintParseRoundTrip) {
    TiXmlDocument original;
    original.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    original.LinkEndChild(new TiXmlStylesheetReference("text/xsl", "stylesheet/stylesheet.xslt"));
    original.LinkEndChild(new TiXmlElement("GathrixResult"));
    const std::string printed = PrintDocument(original);

    TiXmlDocument reparsed;
    reparsed.Parse(printed.c_str());
    ASSERT_FALSE(reparsed.Error()) << reparsed.ErrorDesc();
    EXPECT_EQ(printed, PrintDocument(reparsed));

    std::unique_ptr<TiXmlNode> clone(reparsed.FirstChild()->NextSibling()->Clone());
    ASSERT_NE(nullptr, clone->ToStylesheetReference());
    EXPECT_EQ("stylesheet/stylesheet.xslt", clone->ToStylesheetReference()->Href());

    struct Counter : TiXmlVisitor {
        int references = 0;
        bool Visit(const TiXmlStylesheetReference&) override { return ++references, true; }
    } counter;
    reparsed.Accept(&counter);
    EXPECT_EQ(1, counter.references);
}
