#include "collector/config/tests/ConfigTestSupport.h"

#include "collector/config/JobParser.h"
#include "collector/config/NavigationLevelParser.h"
#include "collector/config/ValidationResult.h"
#include "collector/result/JobModel.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

namespace Gathrix::ConfigParsing::Testing {

void PrintTo(const LogLine& line, std::ostream* out) {
    *out << "[" << line.level << "] " << Utils::ToUtf8(line.text);
}

void ConfigTest::SetUp() {
    Logging::Logger::Destroy();
    Logging::Logger::AddHandler(&log);
}

void ConfigTest::TearDown() {
    Logging::Logger::Destroy();
}

std::vector<LogLine> ConfigTest::Lines(int minLevel) const {
    std::vector<LogLine> selected;
    for (const LogLine& line : log.lines) {
        if (line.level >= minLevel)
            selected.push_back(line);
    }
    return selected;
}

bool ConfigTest::ParseSnippet(IConfigPartParser& parser, const std::string& xml, IJobItemContainer& container) {
    log.lines.clear();
    TiXmlDocument document;
    document.Parse(xml.c_str());
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    const TiXmlElement* element = document.RootElement();
    if (element == nullptr)
        return false;
    DelegateMap delegates = parser.GetDelegates();
    const auto found = delegates.find(element->ValueStr());
    EXPECT_NE(delegates.end(), found) << "no delegate for " << element->ValueStr();
    if (found == delegates.end())
        return false;
    ValidationResult result(element);
    if (!found->second->Validate(element, result))
        return false;
    found->second->ParseToJobItems(element, container, element->ValueStr());
    return true;
}

TopLevelEntityList ConfigTest::ReadModeFile(const std::string& jobs, const ContactData& contact,
                                            const std::wstring& installedProducts) {
    Gathrix::Testing::ScratchFolder folder(L"config-mode");
    const std::wstring path = folder / L"mode.xml";
    Gathrix::Testing::WriteFileBytes(path, "<Config>\n<Mode><Name lang=\"en-us\">Standard</Name></Mode>\n"
                                           "<Level1><Name>A</Name><Jobs>\n" +
                                               jobs + "\n</Jobs></Level1>\n</Config>\n");
    ConfigFileParser reader(Utils::ToUtf8(path));
    RegisterPartParsers(reader, contact, installedProducts);
    return reader.ParseConfigFile();
}

DelegateMap LeafJobParser::GetDelegates() {
    DelegateMap map;
    for (const char* name : {"Services", "LogicalDisks", "DiskDrives", "CdRomDrives", "EnvironmentVariables",
                             "InstalledDrivers", "GeneralInformation", "Minidump"})
        map.emplace(name, MakeJobItemsDelegate(this, &LeafJobParser::ValidateNoChildElements,
                                               &LeafJobParser::ParseToJobItems));
    return map;
}

void LeafJobParser::ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string&) {
    std::string value = element->ValueStr();
    if (const char* id = element->Attribute("id"))
        value += std::string("#") + id;
    container.AddJobItem(new TreeElementLeaf(Utils::FromUtf8(value), L"test"));
}

void RegisterTestParsers(ConfigFileParser& reader) {
    reader.RegisterParser(&reader);
    reader.RegisterParser(std::make_unique<JobParser>());
    reader.RegisterParser(std::make_unique<NavigationLevelParser>());
    reader.RegisterParser(std::make_unique<LeafJobParser>());
}

namespace {

std::wstring DescribeItem(IJobItem* item) {
    if (auto* group = dynamic_cast<TreeElementGroup*>(item)) {
        std::wstring text = group->GetValue() + L"(" + group->GetType() + L")[";
        std::vector<ITreeElement*> children;
        group->GetChildren(children);
        for (std::size_t i = 0; i < children.size(); ++i)
            text += (i > 0 ? L", " : L"") + DescribeItem(children[i]);
        return text + L"]";
    }
    if (auto* element = dynamic_cast<ITreeElement*>(item))
        return element->GetValue();
    return L"?";
}

} // namespace

std::wstring Describe(const TopLevelEntity& entity) {
    // Levels up to the last one set, so that an empty level between set ones shows.
    int last = 1;
    for (int level = 2; level <= 3; ++level) {
        if (!entity.GetLevelName(level).empty())
            last = level;
    }
    std::wstring text = entity.GetLevelName(1);
    for (int level = 2; level <= last; ++level)
        text += L" / " + entity.GetLevelName(level);
    text += L":";
    const auto& items = entity.GetJobItems();
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i > 0 ? L", " : L" ") + DescribeItem(items[i].get());
    return text;
}

std::vector<std::wstring> Describe(const TopLevelEntityList& entities) {
    std::vector<std::wstring> texts;
    for (const TopLevelEntityPtr& entity : entities)
        texts.push_back(Describe(*entity));
    return texts;
}

std::wstring WithPath(const std::wstring& text, const std::wstring& path) {
    std::wstring result = text;
    const std::wstring marker = L"{path}";
    for (std::size_t at = result.find(marker); at != std::wstring::npos; at = result.find(marker, at + path.size()))
        result.replace(at, marker.size(), path);
    return result;
}

} // namespace Gathrix::ConfigParsing::Testing
