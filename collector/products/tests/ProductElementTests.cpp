// Product elements of a mode file on machines with and without the products: a second level
// named after the product found, nothing (and not a word) where it is not.

#include "collector/config/ConfigFileParser.h"
#include "collector/config/JobParser.h"
#include "collector/config/NavigationLevelParser.h"
#include "collector/products/tests/ProductMachine.h"
#include "collector/result/JobModel.h"
#include "collector/result/TopLevelEntity.h"

#include "common/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::ConfigParsing;
using Gathrix::Testing::ProductMachine;

namespace {

// "Services" as the one job element: a leaf per element.
class ServicesParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override {
        DelegateMap map;
        map.emplace("Services",
                    MakeJobItemsDelegate(this, &ServicesParser::ValidateNoChildElements, &ServicesParser::ParseToJobItems));
        return map;
    }
    void ParseToJobItems(const TiXmlElement*, IJobItemContainer& container, const std::string&) {
        container.AddJobItem(new TreeElementLeaf(L"Services", L"test"));
    }
};

// "level 1 / level 2 / level 3 (jobs)" of every entity the mode file yields.
std::vector<std::string> ParseModeFile(const std::wstring& path) {
    ConfigFileParser reader(Utils::ToUtf8(path));
    reader.RegisterParser(&reader);
    reader.RegisterParser(std::make_unique<JobParser>());
    reader.RegisterParser(std::make_unique<NavigationLevelParser>());
    reader.RegisterParser(std::make_unique<ServicesParser>());
    std::vector<std::string> described;
    for (const TopLevelEntityPtr& entity : reader.ParseConfigFile())
        described.push_back(Utils::ToUtf8(entity->GetLevelName(1) + L" / " + entity->GetLevelName(2) + L" / " +
                                          entity->GetLevelName(3)) +
                            " (" + std::to_string(entity->GetJobItemCount()) + ")");
    return described;
}

// Faults inside the product elements are only seen where the product is found.
const char* const ModeFile =
    "<Config><Mode><Name>Products</Name></Mode>\n"
    "<Level1><Name>Maker</Name>\n"
    "  <QuellonCavon>\n"
    "    <Level3><Name>Logs</Name><Jobs><Services/></Jobs></Level3>\n"
    "    <Level3><Name>Settings</Name><Jobs><Services/><Services/></Jobs></Level3>\n"
    "  </QuellonCavon>\n"
    "  <QuellonJuvent><Level3><Name>Files</Name><Jobs><Services/></Jobs></Level3><Level3><Bogus/></Level3></QuellonJuvent>\n"
    "  <QuellonSovrin><Level3><Name>Files</Name><Jobs><Services/></Jobs></Level3></QuellonSovrin>\n"
    "  <Level2><Name>Always</Name><Jobs><Services/></Jobs></Level2>\n"
    "</Level1></Config>\n";

TEST(ProductElements, LevelNamedAfterTheProductFound) {
    ProductMachine machine;
    std::wstring install = machine.Folder(L"cavon");
    machine.SetString(L"HKLM\\Software\\Quellon\\Tolvane Server", L"Path", install);
    machine.SetString(L"HKLM\\Software\\Quellon\\Tolvane Server", L"AppDataDirectory", machine.Folder(L"cavon-data") + L"\\");
    machine.WriteBuildDat(install, "10.0.0.1", "EN");
    machine.SetString(L"HKLM\\SOFTWARE\\Quellon\\Juvent\\3.0\\General", L"Code", L"C:\\Juvent");
    std::wstring sovrin = machine.SharedFolder(machine.ProgramFiles() + L"\\Quellon\\Sovrin");
    machine.CopyVersionStub("1.5.0.3", sovrin + L"\\QuellonSovrin.exe");
    std::wstring modeFile = machine.Folder(L"mode") + L"\\mode.xml";
    Gathrix::Testing::WriteFileBytes(modeFile, ModeFile);

    EXPECT_EQ((std::vector<std::string>{"Maker / Quellon Cavon Security 10.0.0.1 / Logs (1)",
                                        "Maker / Quellon Cavon Security 10.0.0.1 / Settings (2)",
                                        "Maker / Juvent / Files (1)", "Maker / Sovrin 1.5.0.3 / Files (1)",
                                        "Maker / Always /  (1)"}),
              ParseModeFile(modeFile));
    // The faulty "Level3" of the product found is reported.
    bool reported = false;
    for (const auto& entry : machine.log.entries)
        reported |= entry.level == Logging::Warning && entry.message.find(L"'Level3'") != std::wstring::npos;
    EXPECT_TRUE(reported);
}

TEST(ProductElements, NothingAndNoReportWhereTheProductIsMissing) {
    ProductMachine machine;
    std::wstring modeFile = machine.Folder(L"mode") + L"\\mode.xml";
    Gathrix::Testing::WriteFileBytes(modeFile, ModeFile);

    EXPECT_EQ((std::vector<std::string>{"Maker / Always /  (1)"}), ParseModeFile(modeFile));
    for (const auto& entry : machine.log.entries)
        EXPECT_LT(entry.level, Logging::Warning) << Utils::ToUtf8(entry.message);
}

} // namespace
