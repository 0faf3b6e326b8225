#include "collector/collectors/files/ComObjects.h"
#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"
#include "collector/collectors/files/FilePropertiesFromRegistryValue.h"
#include "collector/collectors/files/tests/PrivateRegistry.h"
#include "collector/collectors/processes/EnvironmentVariables.h"
#include "collector/config/ComObjectsParser.h"
#include "collector/config/EnvironmentVariablesParser.h"
#include "collector/config/FilePropertiesFromRegistryKeyParser.h"
#include "collector/config/FilePropertiesFromRegistryValueParser.h"
#include "collector/config/tests/ConfigTestSupport.h"
#include "collector/platform/Variables.h"
#include "common/OperatingSystem.h"
#include "common/tests/support/TestSupport.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

using Gathrix::Testing::PrivateRegistry;
using Gathrix::Testing::RegView;
constexpr int W = Logging::Warning;

// One job item as text: "regkey32 <path> sub", "regkeywithvalue64 <path>|<name>", "cogwheel32 <path> 2",
// "systeminfo", or a leaf as "<type> <value>".
std::wstring Describe(IJobItem* item) {
    if (auto* key = dynamic_cast<FilePropertiesFromRegistryKey*>(item))
        return key->GetType() + L" " + key->GetKeyPath() + (key->GetReadSubkeys() ? L" sub" : L"");
    if (auto* value = dynamic_cast<FilePropertiesFromRegistryValue*>(item))
        return value->GetType() + L" " + value->GetKeyPath() + L"|" + value->GetValueName();
    if (auto* list = dynamic_cast<ComObjectList*>(item))
        return list->GetType() + L" " + list->GetKeyPath() + L" " + std::to_wstring(list->GetClsidSource());
    if (dynamic_cast<EnvironmentVariables*>(item))
        return L"systeminfo";
    if (auto* leaf = dynamic_cast<TreeElementLeaf*>(item))
        return leaf->GetType() + L" " + leaf->GetValue();
    return L"?";
}

std::vector<std::wstring> Items(const TreeElementGroup& container) {
    std::vector<std::wstring> items;
    std::vector<ITreeElement*> children;
    container.GetChildren(children);
    for (ITreeElement* child : children)
        items.push_back(Describe(child));
    return items;
}

struct ParserCase {
    const char* xml;
    std::vector<LogLine> lines;  // WARNING and above
    std::vector<std::wstring> items;
};

class RegistryParserTest : public ConfigTest {
protected:
    template <class Parser>
    void Check(Parser& parser, const ParserCase& c) {
        SCOPED_TRACE(c.xml);
        TreeElementGroup container(L"jobs", L"folder", false);
        EXPECT_EQ(c.lines.empty(), ParseSnippet(parser, c.xml, container));
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(c.items, Items(container));
    }

    PrivateRegistry registry;
    const std::wstring both = L"HKLM\\Software\\GathrixTest\\Both";
    const std::wstring only64 = L"HKLM\\Software\\GathrixTest\\Only64";
};

std::wstring At(const std::wstring& element) { return L"XML element '" + element + L"' (row 1, column 1): "; }

} // namespace

TEST_F(RegistryParserTest, FilePropertiesFromRegistryKeyGivesOneJobPerViewTheKeyIsInOrALeaf) {
    registry.CreateKey(both, RegView::Bits32);
    registry.CreateKey(both, RegView::Bits64);
    registry.CreateKey(only64, RegView::Bits64);
    const std::wstring at = At(L"FilePropertiesFromRegistryKey");
    const ParserCase cases[] = {
        {"<FilePropertiesFromRegistryKey readSubkeys=\"true\"><RegistryKey>HKLM\\Software\\GathrixTest\\Both"
         "</RegistryKey></FilePropertiesFromRegistryKey>",
         {},
         {L"regkey32 " + both + L" sub", L"regkey64 " + both + L" sub"}},
        // Only "true" itself reads the sub-keys; other attributes pass.
        {"<FilePropertiesFromRegistryKey readSubkeys=\"TRUE\" other=\"x\"><RegistryKey>HKLM\\Software\\GathrixTest\\Only64"
         "</RegistryKey></FilePropertiesFromRegistryKey>",
         {},
         {L"regkey64 " + only64}},
        {"<FilePropertiesFromRegistryKey readSubkeys=\"1\"><RegistryKey>HKEY_LOCAL_MACHINE\\Software\\GathrixTest\\Both"
         "</RegistryKey></FilePropertiesFromRegistryKey>",
         {},
         {L"regkey32 HKEY_LOCAL_MACHINE\\Software\\GathrixTest\\Both",
          L"regkey64 HKEY_LOCAL_MACHINE\\Software\\GathrixTest\\Both"}},
        // Found nowhere: the key as written, its variable unexpanded.
        {"<FilePropertiesFromRegistryKey><RegistryKey>HKLM\\Software\\%GATHRIX_NOT_SET%</RegistryKey>"
         "</FilePropertiesFromRegistryKey>",
         {},
         {L"regkey HKLM\\Software\\%GATHRIX_NOT_SET%"}},
        {"<FilePropertiesFromRegistryKey><RegistryKey/></FilePropertiesFromRegistryKey>", {}, {L"regkey "}},
        {"<FilePropertiesFromRegistryKey/>", {{W, at + L"Missing XML element 'RegistryKey'."}}, {}},
        {"<FilePropertiesFromRegistryKey><Key>HKLM\\Software</Key></FilePropertiesFromRegistryKey>",
         {{W, at + L"Unexpected XML element 'Key' (row 1, column 32). Expected was an XML element 'RegistryKey'."}},
         {}},
        {"<FilePropertiesFromRegistryKey><RegistryKey>HKLM\\A</RegistryKey><RegistryKey>HKLM\\B</RegistryKey>"
         "</FilePropertiesFromRegistryKey>",
         {{W, at + L"Unexpected XML element 'RegistryKey' (row 1, column 65)."}},
         {}},
    };
    FilePropertiesFromRegistryKeyParser parser;
    for (const auto& c : cases)
        Check(parser, c);
}

TEST_F(RegistryParserTest, EveryCandidateOfAProgramFilesKeyIsLookedUpInBothViews) {
    const std::vector<std::wstring> candidates =
        System::Variables::Instance().Expand(L"HKLM\\Software\\GathrixTest\\%ProgramFiles%\\App");
    ASSERT_EQ(2u, candidates.size());
    for (const auto& candidate : candidates) {
        registry.CreateKey(candidate, RegView::Bits32);
        registry.CreateKey(candidate, RegView::Bits64);
    }
    const std::vector<std::wstring> expected = {
        L"regkey32 " + candidates[0], L"regkey64 " + candidates[0], L"regkey32 " + candidates[1],
        L"regkey64 " + candidates[1]};
    FilePropertiesFromRegistryKeyParser parser;
    Check(parser, {"<FilePropertiesFromRegistryKey><RegistryKey>HKLM\\Software\\GathrixTest\\%ProgramFiles%\\App"
                   "</RegistryKey></FilePropertiesFromRegistryKey>",
                   {},
                   expected});

    FilePropertiesFromRegistryValueParser valueParser;
    std::vector<std::wstring> values;
    for (const auto& candidate : candidates)
        for (const wchar_t* view : {L"32 ", L"64 "})
            values.push_back(L"regkeywithvalue" + std::wstring(view) + candidate + L"|Path");
    Check(valueParser, {"<FilePropertiesFromRegistryValue><RegistryKey>HKLM\\Software\\GathrixTest\\%ProgramFiles%\\App"
                        "</RegistryKey><RegistryValueName>Path</RegistryValueName></FilePropertiesFromRegistryValue>",
                        {},
                        values});
}

TEST_F(RegistryParserTest, FilePropertiesFromRegistryValueGivesOneJobPerViewTheKeyIsInOrALeaf) {
    registry.SetText(both, L"Path", L"C:\\a.exe", RegView::Bits32);
    registry.CreateKey(both, RegView::Bits64);  // the value is missing here: still a job
    registry.CreateKey(only64, RegView::Bits64);
    const std::wstring at = At(L"FilePropertiesFromRegistryValue");
    const ParserCase cases[] = {
        {"<FilePropertiesFromRegistryValue><RegistryKey>HKLM\\Software\\GathrixTest\\Both</RegistryKey>"
         "<RegistryValueName>Path</RegistryValueName></FilePropertiesFromRegistryValue>",
         {},
         {L"regkeywithvalue32 " + both + L"|Path", L"regkeywithvalue64 " + both + L"|Path"}},
        {"<FilePropertiesFromRegistryValue ignored=\"x\"><RegistryKey>HKLM\\Software\\GathrixTest\\Only64</RegistryKey>"
         "<RegistryValueName/></FilePropertiesFromRegistryValue>",
         {},
         {L"regkeywithvalue64 " + only64 + L"|"}},
        {"<FilePropertiesFromRegistryValue><RegistryKey>HKLM\\Software\\GathrixTest\\Gone</RegistryKey>"
         "<RegistryValueName>Path</RegistryValueName></FilePropertiesFromRegistryValue>",
         {},
         {L"regkeywithvalue HKLM\\Software\\GathrixTest\\Gone\\Path"}},
        {"<FilePropertiesFromRegistryValue/>", {{W, at + L"Missing XML element 'RegistryKey'."}}, {}},
        {"<FilePropertiesFromRegistryValue><RegistryValueName>P</RegistryValueName><RegistryKey>HKLM\\A</RegistryKey>"
         "</FilePropertiesFromRegistryValue>",
         {{W, at + L"Unexpected XML element 'RegistryValueName' (row 1, column 34). Expected was an XML element "
                   L"'RegistryKey'."}},
         {}},
        {"<FilePropertiesFromRegistryValue><RegistryKey>HKLM\\A</RegistryKey></FilePropertiesFromRegistryValue>",
         {{W, at + L"Missing XML element 'RegistryValueName'."}},
         {}},
        {"<FilePropertiesFromRegistryValue><RegistryKey>HKLM\\A</RegistryKey><Name>P</Name>"
         "</FilePropertiesFromRegistryValue>",
         {{W, at + L"Unexpected XML element 'Name' (row 1, column 67). Expected was an XML element "
                   L"'RegistryValueName'."}},
         {}},
        {"<FilePropertiesFromRegistryValue><RegistryKey>HKLM\\A</RegistryKey><RegistryValueName>P</RegistryValueName>"
         "<More/></FilePropertiesFromRegistryValue>",
         {{W, at + L"Unexpected XML element 'More' (row 1, column 107)."}},
         {}},
    };
    FilePropertiesFromRegistryValueParser parser;
    for (const auto& c : cases)
        Check(parser, c);
}

TEST_F(RegistryParserTest, ComObjectsTakeOneOfThreeAttributePairsAndGiveBothViews) {
    const std::wstring at = At(L"ComObjects");
    const std::wstring wrongClsid =
        at + L"Wrong XML Attribute Value for attribute 'clsidSource'Expected was one of these XML Attributes:  "
             L"'regValueName' 'regSubkeyName' 'regValueDataOfValueNamedClsidOfSubkey'.";
    const ParserCase cases[] = {
        {"<ComObjects clsidSource=\"regValueName\" captionSource=\"regValueData\"><RegistryKey>HKLM\\%X%\\Run"
         "</RegistryKey></ComObjects>",
         {},
         // Used as written, and the key is not looked for: both views always.
         {L"cogwheel32 HKLM\\%X%\\Run 0", L"cogwheel64 HKLM\\%X%\\Run 0"}},
        {"<ComObjects other=\"1\" captionSource=\"regDefaultValueDataOfSubkey\" clsidSource=\"regSubkeyName\">"
         "<RegistryKey>HKCR\\A</RegistryKey></ComObjects>",
         {},
         {L"cogwheel32 HKCR\\A 1", L"cogwheel64 HKCR\\A 1"}},
        {"<ComObjects clsidSource=\"regValueDataOfValueNamedClsidOfSubkey\" captionSource=\"regSubkeyName\">"
         "<RegistryKey>HKLM\\B</RegistryKey></ComObjects>",
         {},
         {L"cogwheel32 HKLM\\B 2", L"cogwheel64 HKLM\\B 2"}},
        {"<ComObjects clsidSource=\"regSubkeyName\" captionSource=\"regValueData\"><RegistryKey>HKLM\\B</RegistryKey>"
         "</ComObjects>",
         {{W, at + L"Wrong XML Attribute Value for attribute 'captionSource'Expected was the value "
                   L"regDefaultValueDataOfSubkey."}},
         {}},
        {"<ComObjects clsidSource=\"RegValueName\" captionSource=\"regValueData\"><RegistryKey>HKLM\\B</RegistryKey>"
         "</ComObjects>",
         {{W, wrongClsid}},
         {}},
        {"<ComObjects captionSource=\"regValueData\"><RegistryKey>HKLM\\B</RegistryKey></ComObjects>",
         {{W, at + L"Missing XML Attribute 'clsidSource'."}},
         {}},
        {"<ComObjects><RegistryKey>HKLM\\B</RegistryKey></ComObjects>",
         {{W, at + L"Missing XML Attribute 'clsidSource'."}},
         {}},
        {"<ComObjects clsidSource=\"regValueName\"><RegistryKey>HKLM\\B</RegistryKey></ComObjects>",
         {{W, at + L"Missing XML Attribute 'captionSource'."}},
         {}},
        // The children are checked before the attributes.
        {"<ComObjects clsidSource=\"regValueName\" captionSource=\"regValueData\"><RegistryKey>HKLM\\B</RegistryKey>"
         "<RegistryKey>HKLM\\C</RegistryKey></ComObjects>",
         {{W, at + L"Unexpected XML element 'RegistryKey' (row 1, column 102)."}},
         {}},
        {"<ComObjects/>", {{W, at + L"Missing XML element 'RegistryKey'."}}, {}},
        {"<ComObjects><Key/></ComObjects>",
         {{W, at + L"Unexpected XML element 'Key' (row 1, column 13). Expected was an XML element 'RegistryKey'."}},
         {}},
    };
    ComObjectsParser parser;
    for (const auto& c : cases)
        Check(parser, c);
}

TEST_F(RegistryParserTest, TheFourElementsAreRegisteredWithTheReader) {
    registry.CreateKey(only64, RegView::Bits64);
    const TopLevelEntityList entities = ReadModeFile(
        "    <FilePropertiesFromRegistryKey><RegistryKey>HKLM\\Software\\GathrixTest\\Only64</RegistryKey>"
        "</FilePropertiesFromRegistryKey>\n"
        "    <ComObjects clsidSource=\"regSubkeyName\" captionSource=\"regDefaultValueDataOfSubkey\">"
        "<RegistryKey>HKLM\\Software\\GathrixTest\\Only64</RegistryKey></ComObjects>\n"
        "    <FilePropertiesFromRegistryValue><RegistryKey>HKLM\\Software\\GathrixTest\\Only64</RegistryKey>"
        "<RegistryValueName>P</RegistryValueName></FilePropertiesFromRegistryValue>\n"
        "    <EnvironmentVariables a=\"1\">text<!-- c --></EnvironmentVariables>\n"
        "    <EnvironmentVariables><Variable/></EnvironmentVariables>\n"
        "    <EnvironmentVariables/>\n");
    ASSERT_EQ(1u, entities.size());
    std::vector<std::wstring> items;
    for (const auto& item : entities[0]->GetJobItems())
        items.push_back(Describe(item.get()));
    EXPECT_EQ((std::vector<std::wstring>{L"regkey64 " + only64, L"cogwheel32 " + only64 + L" 1",
                                         L"cogwheel64 " + only64 + L" 1", L"regkeywithvalue64 " + only64 + L"|P",
                                         L"systeminfo", L"systeminfo"}),
              items);
    // Only the element with a child is refused.
    EXPECT_EQ((std::vector<LogLine>{{W, L"XML element 'EnvironmentVariables' (row 8, column 5): Unexpected XML "
                                        L"element 'Variable' (row 8, column 27)."}}),
              Lines());
}

} // namespace Gathrix::ConfigParsing::Testing
