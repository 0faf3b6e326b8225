#include "collector/config/ConfigFileParser.h"

#include "collector/config/ValidationResult.h"

#include <cstdio>

namespace Gathrix::ConfigParsing {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// The library reads UTF-8 only: UTF-16 text ends at its first NUL byte and reads as an empty
// document. Told by its byte-order mark, or by one NUL in the first two bytes (an ASCII
// character, either byte order).
bool IsUtf16(FILE* file) {
    unsigned char head[2] = {};
    const std::size_t read = std::fread(head, 1, sizeof(head), file);
    std::rewind(file);
    if (read < sizeof(head))
        return false;
    return (head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF) ||
           ((head[0] == 0) != (head[1] == 0));
}

enum class Loading { Loaded, Failed, Utf16 };

// A narrow path would go through the ANSI code page, where names beyond it cannot be opened.
// A file that does not open is handed on as null: the library reports that itself.
Loading LoadDocument(TiXmlDocument& document, const std::string& utf8Path) {
    UniqueFile file(_wfopen(Utils::FromUtf8(utf8Path).c_str(), L"rb"));
    if (file && IsUtf16(file.get()))
        return Loading::Utf16;
    return document.LoadFile(file.get()) ? Loading::Loaded : Loading::Failed;
}

std::string Position(const TiXmlElement* element) {
    return "(row " + std::to_string(element->Row()) + ", column " + std::to_string(element->Column());
}

} // namespace

ConfigFileParser::ConfigFileParser(std::string configFilePath) : configFilePath(std::move(configFilePath)) {}

ConfigFileParser::~ConfigFileParser() = default;

void ConfigFileParser::RegisterParser(IConfigPartParser* parser) {
    if (parser == nullptr)
        return;
    for (auto& [name, delegate] : parser->GetDelegates())
        delegates.try_emplace(name, std::move(delegate));
    parser->delegationParser = this;
}

void ConfigFileParser::RegisterParser(std::unique_ptr<IConfigPartParser> parser) {
    if (parser == nullptr)
        return;
    RegisterParser(parser.get());
    ownedParsers.push_back(std::move(parser));
}

void ConfigFileParser::ReadModeName() {
    TiXmlDocument document;
    if (LoadDocument(document, configFilePath) != Loading::Loaded)
        return;
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
        return;
    const TiXmlElement* mode = root->FirstChildElement();
    if (mode == nullptr || mode->ValueStr() != "Mode")
        return;
    if (const TiXmlElement* name = mode->FirstChildElement("Name"))
        modeName = ElementWideText(name);
}

TopLevelEntityList ConfigFileParser::ParseConfigFile() {
    TiXmlDocument document;
    const Loading loading = LoadDocument(document, configFilePath);
    if (loading == Loading::Utf16) {
        Logging::Logger::Error("Error loading config file '" + configFilePath +
                               "': The file is in UTF-16; a mode file must be UTF-8.");
        return {};
    }
    if (loading == Loading::Failed) {
        Logging::Logger::Error("Error loading config file '" + configFilePath + "': " + document.ErrorDesc() +
                               " (row " + std::to_string(document.ErrorRow()) + ", column " +
                               std::to_string(document.ErrorCol()) + ")");
        return {};
    }
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr) {
        Logging::Logger::Error("Error loading config file '" + configFilePath + "': There is no root element.");
        return {};
    }
    const ActiveNavigation navigation(L"", L"", L"");
    return DelegateParseToTopLevelEntities(root, navigation, root->ValueStr());
}

ConfigParserDelegate* ConfigFileParser::FindDelegate(const TiXmlElement* element, const std::string& name,
                                                     const char* route) {
    const auto found = delegates.find(name);
    if (found == delegates.end()) {
        Logging::Logger::Error("No handler found for XML element '" + element->ValueStr() + "' " +
                               Position(element) + route);
        return nullptr;
    }
    return found->second.get();
}

bool ConfigFileParser::IsValid(ConfigParserDelegate& delegate, const TiXmlElement* element) {
    ValidationResult result(element);
    return delegate.Validate(element, result);
}

TopLevelEntityPtr ConfigFileParser::DelegateParseToTopLevelEntity(const TiXmlElement* element,
                                                                  const ActiveNavigation& navigation,
                                                                  const std::string& name) {
    ConfigParserDelegate* delegate = FindDelegate(element, name, "), method DelegateParseToTopLevelEntity");
    if (delegate == nullptr || !IsValid(*delegate, element))
        return nullptr;
    return delegate->ParseToTopLevelEntity(element, navigation, name);
}

TopLevelEntityList ConfigFileParser::DelegateParseToTopLevelEntities(const TiXmlElement* element,
                                                                     const ActiveNavigation& navigation,
                                                                     const std::string& name) {
    ConfigParserDelegate* delegate = FindDelegate(element, name, "), method DelegateParseToTopLevelEntities");
    if (delegate == nullptr || !IsValid(*delegate, element))
        return {};
    return delegate->ParseToTopLevelEntities(element, navigation, name);
}

void ConfigFileParser::DelegateParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                               const std::string& name) {
    ConfigParserDelegate* delegate = FindDelegate(element, name, ")");
    if (delegate == nullptr || !IsValid(*delegate, element))
        return;
    delegate->ParseToJobItems(element, container, name);
}

DelegateMap ConfigFileParser::GetDelegates() {
    DelegateMap map;
    map.emplace("Mode", std::make_unique<ConfigParserDelegate_T<ConfigFileParser>>(
                            this, &ConfigFileParser::ValidateMode, nullptr,
                            &ConfigFileParser::ParseModeToTopLevelEntities, nullptr));
    return map;
}

bool ConfigFileParser::ValidateMode(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* first = element->FirstChildElement();
    if (first == nullptr)
        result.SetMissingElement("Name");
    else if (first->ValueStr() != "Name")
        result.SetUnexpectedElement(first, "Name");
    else
        result.SetValid();
    return result.valid;
}

TopLevelEntityList ConfigFileParser::ParseModeToTopLevelEntities(const TiXmlElement* element,
                                                                 const ActiveNavigation&, const std::string&) {
    modeName = ElementWideText(element->FirstChildElement());
    return {};
}

} // namespace Gathrix::ConfigParsing
