#include "collector/config/ValidationResult.h"
#include "collector/config/tests/ConfigTestSupport.h"

#include <tinyxml.h>

#include <functional>

namespace Gathrix::ConfigParsing::Testing {
namespace {

class ValidationResultTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        document.Parse("<Outer a=\"1\">\n"
                       "    <Child b=\"2\"/>\n"
                       "</Outer>\n");
        ASSERT_FALSE(document.Error()) << document.ErrorDesc();
        outer = document.RootElement();
        child = outer->FirstChildElement();
    }

    TiXmlDocument document;
    const TiXmlElement* outer = nullptr;
    const TiXmlElement* child = nullptr;
};

struct ReportCase {
    const char* what;
    std::function<void(ValidationResult&, const TiXmlElement* child, const TiXmlElement* outer)> report;
    bool valid;
    int level;
    const char* text;  // after the prefix naming the element being validated
};

TEST_F(ValidationResultTest, EveryReportNamesTheElementItsPlaceAndTheFault) {
    const std::vector<std::string> twoNames{"Level2", "Jobs"};
    const std::vector<std::string> twoValues{"true", "false"};
    const ReportCase cases[] = {
        {"unexpected element, one expected", [](auto& r, auto c, auto) { r.SetUnexpectedElement(c, "Name"); },
         false, Logging::Warning,
         "Unexpected XML element 'Child' (row 2, column 5). Expected was an XML element 'Name'."},
        {"unexpected element, list expected", [&](auto& r, auto c, auto) { r.SetUnexpectedElement(c, twoNames); },
         false, Logging::Warning,
         "Unexpected XML element 'Child' (row 2, column 5). Expected was one of these XML elements:  'Level2' "
         "'Jobs'."},
        {"unexpected element alone", [](auto& r, auto c, auto) { r.SetUnexpectedElement(c); }, false,
         Logging::Warning, "Unexpected XML element 'Child' (row 2, column 5)."},
        {"missing element", [](auto& r, auto, auto) { r.SetMissingElement("Jobs"); }, false, Logging::Warning,
         "Missing XML element 'Jobs'."},
        {"missing one of", [&](auto& r, auto, auto) { r.SetMissingElement(twoNames); }, false, Logging::Warning,
         "Missing one of these XML elements:  'Level2' 'Jobs'."},
        {"valid", [](auto& r, auto, auto) { r.SetValid(); }, true, Logging::Debug, "valid."},
        {"unexpected attribute",
         [](auto& r, auto c, auto) { r.SetUnexpectedAttribute(c->FirstAttribute()); }, false, Logging::Warning,
         "Unexpected XML Attribute 'b' (row 2, column 12)."},
        {"missing attribute", [](auto& r, auto, auto) { r.SetMissingAttribute("type"); }, false, Logging::Warning,
         "Missing XML Attribute 'type'."},
        {"wrong value, one expected",
         [](auto& r, auto, auto o) { r.SetWrongAttributeValue(o->FirstAttribute(), "true"); }, false,
         Logging::Warning, "Wrong XML Attribute Value for attribute 'a'Expected was the value true."},
        {"wrong value, list expected",
         [&](auto& r, auto, auto o) { r.SetWrongAttributeValue(o->FirstAttribute(), twoValues); }, false,
         Logging::Warning,
         "Wrong XML Attribute Value for attribute 'a'Expected was one of these XML Attributes:  'true' 'false'."},
    };
    const std::string prefix = "XML element 'Outer' (row 1, column 1): ";
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.what);
        log.lines.clear();
        ValidationResult result(outer);
        c.report(result, child, outer);
        EXPECT_EQ(c.valid, result.valid);
        EXPECT_EQ(prefix + c.text, result.message);
        EXPECT_EQ(std::vector<LogLine>({{c.level, Utils::FromUtf8(prefix + c.text)}}), log.lines);
    }
}

TEST_F(ValidationResultTest, TheLastReportDecidesAndEachIsLogged) {
    ValidationResult result(outer);
    EXPECT_TRUE(result.valid);
    EXPECT_EQ("", result.message);
    result.SetValid();
    result.SetUnexpectedElement(child);
    EXPECT_FALSE(result.valid);
    EXPECT_EQ("XML element 'Outer' (row 1, column 1): Unexpected XML element 'Child' (row 2, column 5).",
              result.message);
    result.SetValid();
    EXPECT_TRUE(result.valid);
    ASSERT_EQ(3u, log.lines.size());
    EXPECT_EQ(Logging::Warning, log.lines[1].level);
}

// Positions are the library's, passed on unchanged: a tab is four columns, a multi-byte
// character one, and non-ASCII names reach the log as the same characters.
TEST_F(ValidationResultTest, PositionsAndNamesAsTheDocumentHasThem) {
    TiXmlDocument other;
    other.Parse("<R>\n\t<Ä/>\n<x>ää<y/></x></R>", nullptr, TIXML_ENCODING_UTF8);
    ASSERT_FALSE(other.Error());
    const TiXmlElement* root = other.RootElement();
    const TiXmlElement* umlaut = root->FirstChildElement();
    const TiXmlElement* y = umlaut->NextSiblingElement()->FirstChildElement();
    ValidationResult result(root);
    result.SetUnexpectedElement(umlaut);
    result.SetUnexpectedElement(y);
    EXPECT_EQ(std::vector<LogLine>(
                  {{Logging::Warning, L"XML element 'R' (row 1, column 1): Unexpected XML element '\u00c4' (row 2, column 5)."},
                   {Logging::Warning, L"XML element 'R' (row 1, column 1): Unexpected XML element 'y' (row 3, column 6)."}}),
              log.lines);
}

} // namespace
} // namespace Gathrix::ConfigParsing::Testing
