#include "collector/config/ProductElements.h"
#include "collector/config/tests/ConfigTestSupport.h"

#include "common/Text.h"
#include "common/XmlFiles.h"
#include "common/tests/support/TestSupport.h"

#include "common/Handles.h"

namespace Gathrix::ConfigParsing::Testing {
namespace {

std::vector<std::wstring> XmlFilesIn(const std::wstring& folder) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW((folder + L"\\*.xml").c_str(), &data));
    if (!find.IsValid())
        return files;
    do
        files.push_back(folder + L"\\" + data.cFileName);
    while (FindNextFileW(find.Get(), &data));
    return files;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Two ways lead to no entity without a report: a product element whose product is not on this
// machine yields nothing, silently, and so does "Mode" when the library takes it for the root
// (it accepts a mangled "<&Config>" as an unknown node and reads on). Both are judged on the
// document as the library reads it, not on its bytes: a product name in a comment, a text or a
// mangled tag keeps no level alive.
bool MayEndSilently(const std::wstring& file) {
    TiXmlDocument document;
    if (!Utils::LoadXmlFile(document, file))
        return false;
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
        return false;
    if (root->ValueStr() == "Mode")
        return true;
    for (const TiXmlElement* level1 = root->FirstChildElement("Level1"); level1 != nullptr;
         level1 = level1->NextSiblingElement("Level1")) {
        for (const TiXmlElement* child = level1->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement()) {
            for (const ProductElement& product : ProductElements()) {
                if (child->ValueStr() == product.name)
                    return true;
            }
        }
    }
    return false;
}

// The few reports that have no place in the file to point at.
bool NeedsNoPosition(const std::wstring& text) {
    return EndsWith(text, L"There is no root element.") || EndsWith(text, L" is nullptr.") ||
           EndsWith(text, L" is nullptr and leads to nullptr pointer return value!");
}

class FuzzTest : public ConfigTest {};

TEST_F(FuzzTest, TheSamplesAreValidModeFiles) {
    const auto samples = XmlFilesIn(Gathrix::Testing::SourceDir() + L"\\collector\\config\\tests\\samples");
    ASSERT_GE(samples.size(), 3u);
    for (const std::wstring& sample : samples) {
        SCOPED_TRACE(Utils::ToUtf8(sample));
        log.lines.clear();
        ConfigFileParser reader(Utils::ToUtf8(sample));
        RegisterTestParsers(reader);
        reader.ReadModeName();
        EXPECT_FALSE(reader.modeName.empty());
        EXPECT_FALSE(reader.ParseConfigFile().empty());
        // Job elements whose parsers are not registered here are refused as unhandled (ERROR);
        // no element may fail its validation (WARNING).
        for (const LogLine& line : log.lines)
            EXPECT_NE(Logging::Warning, line.level) << Utils::ToUtf8(line.text);
    }
}

// Mutated samples (built by fuzz/mutate_mode_files.py): the reader must never crash, and each
// file ends with entities or with a logged error that says where in the file it is.
TEST_F(FuzzTest, MutatedModeFilesEndInEntitiesOrAPositionedReport) {
    const auto files = XmlFilesIn(Gathrix::Testing::BinaryDir() + L"\\tests\\config-fuzz");
    ASSERT_GE(files.size(), 3000u) << "the mutated mode files were not generated";
    std::size_t withEntities = 0;
    for (const std::wstring& file : files) {
        log.lines.clear();
        ConfigFileParser reader(Utils::ToUtf8(file));
        RegisterTestParsers(reader);
        reader.ReadModeName();
        const TopLevelEntityList entities = reader.ParseConfigFile();
        const std::string name = Utils::ToUtf8(file);
        const std::vector<LogLine> reports = Lines();
        if (entities.empty() && reports.empty()) {
            EXPECT_TRUE(MayEndSilently(file)) << name << ": no entity and no report";
        }
        for (const LogLine& report : reports) {
            EXPECT_TRUE(report.text.find(L"(row ") != std::wstring::npos || NeedsNoPosition(report.text))
                << name << ": " << Utils::ToUtf8(report.text);
        }
        for (const TopLevelEntityPtr& entity : entities) {
            EXPECT_FALSE(entity->GetLevelName(1).empty()) << name;
            EXPECT_TRUE(entity->GetLevelName(3).empty() || !entity->GetLevelName(2).empty()) << name;
            EXPECT_GT(entity->GetJobItemCount(), 0) << name;
        }
        withEntities += entities.empty() ? 0 : 1;
    }
    // The mutations must leave many files readable, or the pass tests only the loader.
    EXPECT_GT(withEntities, files.size() / 10);
}

} // namespace
} // namespace Gathrix::ConfigParsing::Testing
