#include "collector/config/JobParser.h"
#include "collector/config/NavigationLevelParser.h"
#include "collector/config/PartParsers.h"
#include "collector/config/ValidationResult.h"
#include "collector/config/tests/ConfigTestSupport.h"
#include "collector/result/JobModel.h"

#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

class DispatchTest : public ConfigTest {
protected:
    const TiXmlElement* Load(const char* xml) {
        document.Clear();  // Parse adds to what the document holds
        document.Parse(xml);
        EXPECT_FALSE(document.Error()) << document.ErrorDesc();
        return document.RootElement();
    }

    std::wstring Write(const std::string& xml) {
        const std::wstring path = folder / L"mode.xml";
        Gathrix::Testing::WriteFileBytes(path, xml);
        return path;
    }

    TiXmlDocument document;
    Gathrix::Testing::ScratchFolder folder{L"config-dispatch"};
};

TEST_F(DispatchTest, ADelegateWithoutTheMethodNeededLogsAndYieldsNothing) {
    const TiXmlElement* element = Load("<Services/>");
    LeafJobParser parser;
    ConfigParserDelegate_T<LeafJobParser> empty(&parser, nullptr, nullptr, nullptr, nullptr);
    const ActiveNavigation navigation(L"A", L"", L"");
    TreeElementGroup container(L"c", L"t", true);

    ValidationResult result(element);
    EXPECT_FALSE(empty.Validate(element, result));
    EXPECT_EQ(nullptr, empty.ParseToTopLevelEntity(element, navigation, "Services"));
    EXPECT_TRUE(empty.ParseToTopLevelEntities(element, navigation, "Services").empty());
    empty.ParseToJobItems(element, container, "Services");
    EXPECT_EQ(0, container.GetJobItemCount());
    EXPECT_EQ(std::vector<LogLine>({
                  {Logging::Warning, L"Validation check method for Services is nullptr."},
                  {Logging::Error, L"ParseToTopLevelEntity method for Services is nullptr and leads to nullptr "
                                   L"pointer return value!"},
                  {Logging::Error, L"ParseToTopLevelEntities method for Services is nullptr."},
                  {Logging::Warning, L"FnParseToJobItems method for Services is nullptr."},
              }),
              log.lines);
}

TEST_F(DispatchTest, APartParserDispatchingBeforeRegistrationLogsAndDispatchesNothing) {
    const TiXmlElement* element = Load("<Jobs><Services/></Jobs>");
    JobParser parser;
    const ActiveNavigation navigation(L"A", L"", L"");
    TreeElementGroup container(L"c", L"t", true);
    EXPECT_EQ(nullptr, parser.DelegateParseToTopLevelEntity(element, navigation, "Jobs"));
    EXPECT_TRUE(parser.DelegateParseToTopLevelEntities(element, navigation, "Jobs").empty());
    parser.ParseJobsToJobItems(element, container, "Jobs");
    EXPECT_EQ(0, container.GetJobItemCount());
    EXPECT_EQ(std::vector<LogLine>({
                  {Logging::Error, L"Delegation Parser for Jobs is not set (DelegateParseToTopLevelEntity)."},
                  {Logging::Error, L"Delegation Parser for Jobs is not set (DelegateParseToTopLevelEntities)."},
                  {Logging::Error, L"Delegation Parser for Services is not set (DelegateParseToJobItems)."},
              }),
              log.lines);
}

// Makes one leaf valued `value` per "Services" element.
class NamedServicesParser : public IConfigPartParser {
public:
    explicit NamedServicesParser(std::wstring value) : value(std::move(value)) {}
    DelegateMap GetDelegates() override {
        DelegateMap map;
        map.emplace("Services", MakeJobItemsDelegate(this, &NamedServicesParser::ValidateNoChildElements,
                                                     &NamedServicesParser::ParseToJobItems));
        return map;
    }
    void ParseToJobItems(const TiXmlElement*, IJobItemContainer& container, const std::string&) {
        container.AddJobItem(new TreeElementLeaf(value, L"test"));
    }
    std::wstring value;
};

TEST_F(DispatchTest, ANameRegisteredTwiceKeepsItsFirstParser) {
    const TiXmlElement* element = Load("<Services/>");
    ConfigFileParser reader("unused.xml");
    NamedServicesParser first(L"first");
    NamedServicesParser second(L"second");
    reader.RegisterParser(static_cast<IConfigPartParser*>(nullptr));
    reader.RegisterParser(&first);
    reader.RegisterParser(&second);
    EXPECT_EQ(static_cast<DelegationParser*>(&reader), second.delegationParser);

    TreeElementGroup container(L"c", L"t", true);
    reader.DelegateParseToJobItems(element, container, "Services");
    std::vector<ITreeElement*> items;
    container.GetChildren(items);
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"first", items[0]->GetValue());
}

TEST_F(DispatchTest, TheMissingHandlerMessageNamesTheRouteTaken) {
    const TiXmlElement* element = Load("<Config>\n  <Nope/>\n</Config>");
    const TiXmlElement* nope = element->FirstChildElement();
    ConfigFileParser reader("unused.xml");
    const ActiveNavigation navigation(L"A", L"", L"");
    TreeElementGroup container(L"c", L"t", true);
    EXPECT_EQ(nullptr, reader.DelegateParseToTopLevelEntity(nope, navigation, "Nope"));
    EXPECT_TRUE(reader.DelegateParseToTopLevelEntities(nope, navigation, "Nope").empty());
    reader.DelegateParseToJobItems(nope, container, "Nope");
    EXPECT_EQ(std::vector<LogLine>({
                  {Logging::Error,
                   L"No handler found for XML element 'Nope' (row 2, column 3), method DelegateParseToTopLevelEntity"},
                  {Logging::Error,
                   L"No handler found for XML element 'Nope' (row 2, column 3), method DelegateParseToTopLevelEntities"},
                  {Logging::Error, L"No handler found for XML element 'Nope' (row 2, column 3)"},
              }),
              log.lines);
}

TEST_F(DispatchTest, ALevelWhoseJobsHaveNoHandlerGivesNoEntity) {
    const std::wstring path = Write("<Config><Mode><Name>M</Name></Mode>\n<Level1><Name>A</Name><Jobs/></Level1></Config>");
    ConfigFileParser reader(Utils::ToUtf8(path));
    reader.RegisterParser(&reader);
    reader.RegisterParser(std::make_unique<NavigationLevelParser>());
    EXPECT_TRUE(reader.ParseConfigFile().empty());
    EXPECT_EQ(std::vector<LogLine>({{Logging::Error, L"No handler found for XML element 'Jobs' (row 2, column 23), "
                                                     L"method DelegateParseToTopLevelEntity"}}),
              Lines());
}

struct ModeNameCase {
    const char* what;
    const char* xml;
    const wchar_t* expected;
};

TEST_F(DispatchTest, ReadModeNameTakesTheFirstNameOfAModeThatComesFirst) {
    const ModeNameCase cases[] = {
        {"two languages", "<Config><Mode><Name lang=\"de-de\">Standard</Name><Name lang=\"en-us\">Default</Name>"
                          "</Mode></Config>", L"Standard"},
        {"Name not first in Mode", "<Config><Mode><Title>T</Title><Name>Later</Name></Mode></Config>", L"Later"},
        {"root of any name", "<Settings><Mode><Name>Any</Name></Mode></Settings>", L"Any"},
        {"UTF-8 text", "<Config><Mode><Name>Erweitert \xc3\xa4\xe2\x82\xac</Name></Mode></Config>",
         L"Erweitert \u00e4\u20ac"},
        {"empty Name", "<Config><Mode><Name/></Mode></Config>", L""},
        {"Name behind a comment", "<Config><Mode><Name><!-- c -->X</Name></Mode></Config>", L""},
        {"Mode not first", "<Config><Level1/><Mode><Name>N</Name></Mode></Config>", L"before"},
        {"no Name", "<Config><Mode><Title>T</Title></Mode></Config>", L"before"},
        {"no root", "<!-- c -->", L"before"},
        {"not well-formed", "<Config><Mode><Name>N</Name></Mode>", L"before"},
        {"empty file", "", L"before"},
    };
    for (const ModeNameCase& c : cases) {
        SCOPED_TRACE(c.what);
        ConfigFileParser reader(Utils::ToUtf8(Write(c.xml)));
        reader.modeName = L"before";
        reader.ReadModeName();
        EXPECT_EQ(c.expected, reader.modeName);
    }
    EXPECT_EQ(std::vector<LogLine>(), log.lines);
}

TEST_F(DispatchTest, ModeSetsTheModeNameWhileTheFileIsParsed) {
    ConfigFileParser reader(
        Utils::ToUtf8(Write("<Config><Mode><Name>Parsed</Name></Mode><Level1><Name>A</Name><Jobs><Services/></Jobs>"
                            "</Level1></Config>")));
    RegisterTestParsers(reader);
    EXPECT_EQ(1u, reader.ParseConfigFile().size());
    EXPECT_EQ(L"Parsed", reader.modeName);
}

TEST_F(DispatchTest, TheConfigurationStepRegistersWhatExistsAndReadsTheModeName) {
    ConfigFileParser reader(Utils::ToUtf8(
        Write("<Config><Mode><Name lang=\"de-de\">Voll</Name></Mode><Level1><Name>A</Name><Jobs>"
              "<JobGroup type=\"t\"><Name>G</Name><Jobs><IEExtensions/></Jobs></JobGroup></Jobs></Level1></Config>")));
    ContactData settings;
    RegisterPartParsers(reader, settings, L"- no products found -");
    EXPECT_EQ(L"Voll", reader.modeName);
    EXPECT_EQ(std::vector<std::wstring>({L"A: G(t)[]"}), Describe(reader.ParseConfigFile()));
}

} // namespace
} // namespace Gathrix::ConfigParsing::Testing

namespace Gathrix::ConfigParsing::Testing {
namespace {

class ProductElementTest : public DispatchTest {
protected:
    ProductElementTest() {
        RegisterTestParsers(reader);
        reader.RegisterParser(&navigation);
    }

    ConfigFileParser reader{"unused.xml"};
    NavigationLevelParser navigation;  // a second instance: its delegates are dropped, the dispatch is the reader's
};

TEST_F(ProductElementTest, ValidateProductWantsLevel3ElementsOnly) {
    struct Case {
        const char* xml;
        bool valid;
        std::vector<LogLine> lines;
    };
    const Case cases[] = {
        {"<QuellonCavon/>", false,
         {{Logging::Warning, L"XML element 'QuellonCavon' (row 1, column 1): Missing XML element 'Level3'."}}},
        {"<QuellonCavon><Level3/><Jobs/></QuellonCavon>", false,
         {{Logging::Debug, L"XML element 'QuellonCavon' (row 1, column 1): valid."},
          {Logging::Warning, L"XML element 'QuellonCavon' (row 1, column 1): Unexpected XML element 'Jobs' "
                             L"(row 1, column 24). Expected was an XML element 'Level3'."}}},
        {"<QuellonCavon><Level3/><Level3/></QuellonCavon>", true,
         {{Logging::Debug, L"XML element 'QuellonCavon' (row 1, column 1): valid."}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        log.lines.clear();
        const TiXmlElement* element = Load(c.xml);
        ValidationResult result(element);
        EXPECT_EQ(c.valid, navigation.ValidateProduct(element, result));
        EXPECT_EQ(c.lines, log.lines);
    }
}

TEST_F(ProductElementTest, AFoundProductNamesTheSecondLevelOfEachLevel3) {
    const TiXmlElement* element =
        Load("<QuellonCavon><Level3><Name>Files</Name><Jobs><Services/></Jobs></Level3>"
             "<Level3><Name>Logs</Name><Jobs><LogicalDisks/></Jobs></Level3></QuellonCavon>");
    const ActiveNavigation above(L"Products", L"", L"");
    EXPECT_EQ(std::vector<std::wstring>({L"Products / Quellon Cavon Security 10.0.0.1 / Files: Services",
                                         L"Products / Quellon Cavon Security 10.0.0.1 / Logs: LogicalDisks"}),
              Describe(navigation.ParseProductToTopLevelEntities(L"Quellon Cavon Security 10.0.0.1", element, above)));
    EXPECT_EQ(std::vector<LogLine>(), Lines());
}

TEST_F(ProductElementTest, AProductNotFoundYieldsNothingAndLooksAtNothing) {
    // An invalid Level3 inside stays unreported where the product is not installed.
    const TiXmlElement* element = Load("<QuellonCavon><Level3/></QuellonCavon>");
    EXPECT_TRUE(
        navigation.ParseProductToTopLevelEntities(L"", element, ActiveNavigation(L"Products", L"", L"")).empty());
    EXPECT_EQ(std::vector<LogLine>(), log.lines);
}

TEST_F(ProductElementTest, AProductWithoutALevel1AboveItIsSkipped) {
    const TiXmlElement* element = Load("<QuellonCavon><Level3><Name>Files</Name><Jobs><Services/></Jobs></Level3>"
                                       "</QuellonCavon>");
    EXPECT_TRUE(navigation.ParseProductToTopLevelEntities(L"Quellon Cavon Security 10.0.0.1", element,
                                                          ActiveNavigation(L"", L"", L""))
                    .empty());
    EXPECT_EQ(std::vector<LogLine>({{Logging::Warning, L"XML element 'QuellonCavon' (row 1, column 1): There is no "
                                                       L"named level above it. The level is skipped."}}),
              Lines());
}

} // namespace
} // namespace Gathrix::ConfigParsing::Testing
