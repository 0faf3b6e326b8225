#include "collector/collectors/wmi/CdRomDrives.h"
#include "collector/collectors/wmi/DiskDrives.h"
#include "collector/collectors/wmi/GeneralInformation.h"
#include "collector/collectors/wmi/InstalledDrivers.h"
#include "collector/collectors/wmi/LogicalDisks.h"
#include "collector/collectors/wmi/Services.h"
#include "collector/config/PartParsers.h"
#include "collector/config/tests/ConfigTestSupport.h"

#include <string>
#include <typeinfo>
#include <vector>

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int W = Logging::Warning;
constexpr int E = Logging::Error;

// The job items' kinds, in order: the class name without its namespace.
std::vector<std::string> Kinds(const TopLevelEntity& entity) {
    std::vector<std::string> kinds;
    for (const auto& item : entity.GetJobItems()) {
        const IJobItem& job = *item;
        if (dynamic_cast<const LogicalDisks*>(&job))
            kinds.push_back("LogicalDisks");
        else if (dynamic_cast<const DiskDrives*>(&job))
            kinds.push_back("DiskDrives");
        else if (dynamic_cast<const InstalledDrivers*>(&job))
            kinds.push_back("InstalledDrivers");
        else if (dynamic_cast<const Services*>(&job))
            kinds.push_back("Services");
        else if (dynamic_cast<const CdRomDrives*>(&job))
            kinds.push_back("CdRomDrives");
        else if (dynamic_cast<const GeneralInformation*>(&job))
            kinds.push_back("GeneralInformation");
        else
            kinds.push_back("?");
    }
    return kinds;
}

class WmiJobParsersTest : public ConfigTest {};

} // namespace

TEST_F(WmiJobParsersTest, EachElementBecomesOneJobOfItsKind) {
    struct Case {
        const char* jobs;
        std::vector<std::string> kinds;
    } cases[] = {
        {"<GeneralInformation/><LogicalDisks/><DiskDrives/><InstalledDrivers/><Services/><CdRomDrives/>",
         {"GeneralInformation", "LogicalDisks", "DiskDrives", "InstalledDrivers", "Services", "CdRomDrives"}},
        // Blanks, a comment, text and attributes are not looked at.
        {"<Services></Services><Services>  </Services><Services><!-- none --></Services>",
         {"Services", "Services", "Services"}},
        {"<CdRomDrives type=\"64\"/><LogicalDisks>C:</LogicalDisks>", {"CdRomDrives", "LogicalDisks"}},
        {"<GeneralInformation/><GeneralInformation/>", {"GeneralInformation", "GeneralInformation"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.jobs);
        log.lines.clear();
        const TopLevelEntityList entities = ReadModeFile(c.jobs);
        EXPECT_EQ(std::vector<LogLine>{}, Lines());
        ASSERT_EQ(1u, entities.size());
        EXPECT_EQ(c.kinds, Kinds(*entities[0]));
        for (const auto& item : entities[0]->GetJobItems()) {
            EXPECT_EQ(nullptr, item->writer);
            std::vector<ITreeElement*> children;
            if (auto* element = dynamic_cast<ITreeElement*>(item.get()))
                element->GetChildren(children);
            EXPECT_TRUE(children.empty());
        }
    }
}

TEST_F(WmiJobParsersTest, AChildElementOrAnotherSpellingMakesNoJob) {
    TopLevelEntityList entities = ReadModeFile(
        "<DiskDrives><Drive/></DiskDrives><GeneralInformation>\n<Name/></GeneralInformation><Services/>");
    ASSERT_EQ(1u, entities.size());
    EXPECT_EQ(std::vector<std::string>{"Services"}, Kinds(*entities[0]));
    EXPECT_EQ((std::vector<LogLine>{
                  {W, L"XML element 'DiskDrives' (row 4, column 1): Unexpected XML element 'Drive' (row 4, column 13)."},
                  {W, L"XML element 'GeneralInformation' (row 4, column 34): Unexpected XML element 'Name' (row 5, "
                      L"column 1)."}}),
              Lines());

    // Names are compared exactly: no parser takes "logicaldisks", so its "Jobs" is refused.
    log.lines.clear();
    entities = ReadModeFile("<logicaldisks/>");
    EXPECT_TRUE(entities.empty());
    const std::vector<LogLine> lines = Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].text.find(L"XML element 'Jobs' (row 3, column 23): Unexpected XML element 'logicaldisks' "
                                     L"(row 4, column 1). Expected was one of these XML elements:"))
        << Utils::ToUtf8(lines[0].text);
}

TEST_F(WmiJobParsersTest, GeneralInformationCarriesTheContactDataModeAndProducts) {
    ContactData settings;
    settings.name = L"J\u00FCrgen Example";
    settings.company = L"Example Ltd";
    settings.email = L"j@example.com";
    settings.callNumber = L"4711";
    const DateTime before = DateTime::NowUtc();
    const TopLevelEntityList entities =
        ReadModeFile("<GeneralInformation/>", settings, L"Quellon Alvar 5.2, ");
    ASSERT_EQ(1u, entities.size());
    ASSERT_EQ(1u, entities[0]->GetJobItems().size());
    auto* job = dynamic_cast<GeneralInformation*>(entities[0]->GetJobItems()[0].get());
    ASSERT_NE(nullptr, job);
    EXPECT_EQ(L"Quellon Alvar 5.2, ", job->installedProducts);
    EXPECT_EQ(settings.name, job->name);
    EXPECT_EQ(settings.company, job->company);
    EXPECT_EQ(settings.email, job->email);
    EXPECT_EQ(settings.callNumber, job->callNumber);
    EXPECT_EQ(L"Standard", job->modeName);
    EXPECT_EQ(DateTime::Utc, job->date.GetKind());
    EXPECT_LE(before.GetCount(), job->date.GetCount());
    // Filled when the job collects.
    EXPECT_EQ(L"", job->version);
    EXPECT_EQ(L"", job->timeZone);
    EXPECT_EQ(L"", job->startPath);
    EXPECT_EQ(L"", job->operatingSystem);
}

} // namespace Gathrix::ConfigParsing::Testing
