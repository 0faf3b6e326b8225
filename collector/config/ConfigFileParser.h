#pragma once
// The configuration reader: loads a mode configuration file and turns it into the top-level
// entities the collector runs. Every element is dispatched by its name to the part parser
// registered for it, validated first and parsed only when valid. A faulty element is logged and
// skipped with everything inside it; the reader itself never ends the collector.

#include "collector/config/IConfigPartParser.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix::ConfigParsing {

class ConfigFileParser : public DelegationParser, public IConfigPartParser {
public:
    // The mode file's path in UTF-8; it is opened by its wide form, so any name loads.
    explicit ConfigFileParser(std::string configFilePath);
    ~ConfigFileParser() override;

    // Takes over the parser's delegates (a name already registered keeps its first delegate) and
    // becomes its delegation parser. A null parser is ignored. The caller keeps the parser alive
    // for as long as this reader.
    void RegisterParser(IConfigPartParser* parser);
    // The same for a parser that lives as long as this reader.
    void RegisterParser(std::unique_ptr<IConfigPartParser> parser);

    // Sets `modeName` from the first "Name" of "Mode"; leaves it unchanged, silently, when the
    // file cannot be loaded or has no such element.
    void ReadModeName();

    // The top-level entities of the whole file, in document order; empty (and logged) when the
    // file cannot be loaded or yields none.
    TopLevelEntityList ParseConfigFile();

    TopLevelEntityPtr DelegateParseToTopLevelEntity(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                    const std::string& name) override;
    TopLevelEntityList DelegateParseToTopLevelEntities(const TiXmlElement* element,
                                                       const ActiveNavigation& navigation,
                                                       const std::string& name) override;
    void DelegateParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                 const std::string& name) override;

    // The reader handles "Mode" itself.
    DelegateMap GetDelegates() override;
    bool ValidateMode(const TiXmlElement* element, ValidationResult& result);
    TopLevelEntityList ParseModeToTopLevelEntities(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                   const std::string& name);

    std::wstring modeName;

private:
    // The delegate for `name`, or null after logging the no-handler message ending in `route`.
    ConfigParserDelegate* FindDelegate(const TiXmlElement* element, const std::string& name, const char* route);
    // Validates the element through its delegate; the report is logged by the validation.
    static bool IsValid(ConfigParserDelegate& delegate, const TiXmlElement* element);

    std::string configFilePath;
    std::vector<std::unique_ptr<IConfigPartParser>> ownedParsers;
    DelegateMap delegates;
};

} // namespace Gathrix::ConfigParsing
