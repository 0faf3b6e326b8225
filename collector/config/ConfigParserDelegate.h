#pragma once
// A part parser tells the configuration reader, per element name, what it can do with such an
// element: validate it, and turn it into one top-level entity, into several, or into job items.
// One delegate per element name refers to the parser's methods for that element; a method the
// element does not support stays empty, and a dispatch that needs it is logged and skipped.

#include "collector/result/TopLevelEntity.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <tinyxml.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Gathrix::ConfigParsing {

class ValidationResult;

using TopLevelEntityPtr = std::unique_ptr<TopLevelEntity>;
using TopLevelEntityList = std::vector<TopLevelEntityPtr>;

class ConfigParserDelegate {
public:
    virtual ~ConfigParserDelegate() = default;
    virtual bool Validate(const TiXmlElement* element, ValidationResult& result) = 0;
    virtual TopLevelEntityPtr ParseToTopLevelEntity(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                    const std::string& name) = 0;
    virtual TopLevelEntityList ParseToTopLevelEntities(const TiXmlElement* element,
                                                       const ActiveNavigation& navigation,
                                                       const std::string& name) = 0;
    // The container takes ownership of every job item added to it.
    virtual void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                 const std::string& name) = 0;
};

// Element name (case-sensitive) to its delegate.
using DelegateMap = std::map<std::string, std::unique_ptr<ConfigParserDelegate>>;

template <class P>
class ConfigParserDelegate_T : public ConfigParserDelegate {
public:
    using ValidateMethod = bool (P::*)(const TiXmlElement*, ValidationResult&);
    using TopLevelEntityMethod = TopLevelEntityPtr (P::*)(const TiXmlElement*, const ActiveNavigation&,
                                                          const std::string&);
    using TopLevelEntitiesMethod = TopLevelEntityList (P::*)(const TiXmlElement*, const ActiveNavigation&,
                                                             const std::string&);
    using JobItemsMethod = void (P::*)(const TiXmlElement*, IJobItemContainer&, const std::string&);

    ConfigParserDelegate_T(P* parser, ValidateMethod validate, TopLevelEntityMethod toTopLevelEntity,
                           TopLevelEntitiesMethod toTopLevelEntities, JobItemsMethod toJobItems)
        : parser(parser), FnValidate(validate), FnParseToTopLevelEntity(toTopLevelEntity),
          FnParseToTopLevelEntities(toTopLevelEntities), FnParseToJobItems(toJobItems) {}

    bool Validate(const TiXmlElement* element, ValidationResult& result) override {
        if (FnValidate == nullptr) {
            Logging::Logger::Warning("Validation check method for " + element->ValueStr() + " is nullptr.");
            return false;
        }
        return (parser->*FnValidate)(element, result);
    }

    TopLevelEntityPtr ParseToTopLevelEntity(const TiXmlElement* element, const ActiveNavigation& navigation,
                                            const std::string& name) override {
        if (FnParseToTopLevelEntity == nullptr) {
            Logging::Logger::Error(L"ParseToTopLevelEntity method for " + Utils::FromUtf8(element->ValueStr()) +
                                   L" is nullptr and leads to nullptr pointer return value!");
            return nullptr;
        }
        return (parser->*FnParseToTopLevelEntity)(element, navigation, name);
    }

    TopLevelEntityList ParseToTopLevelEntities(const TiXmlElement* element, const ActiveNavigation& navigation,
                                               const std::string& name) override {
        if (FnParseToTopLevelEntities == nullptr) {
            Logging::Logger::Error(L"ParseToTopLevelEntities method for " + Utils::FromUtf8(element->ValueStr()) +
                                   L" is nullptr.");
            return {};
        }
        return (parser->*FnParseToTopLevelEntities)(element, navigation, name);
    }

    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                         const std::string& name) override {
        if (FnParseToJobItems == nullptr) {
            Logging::Logger::Warning("FnParseToJobItems method for " + element->ValueStr() + " is nullptr.");
            return;
        }
        (parser->*FnParseToJobItems)(element, container, name);
    }

    P* parser;  // not owned
    ValidateMethod FnValidate;
    TopLevelEntityMethod FnParseToTopLevelEntity;
    TopLevelEntitiesMethod FnParseToTopLevelEntities;
    JobItemsMethod FnParseToJobItems;
};

// The delegate of a job element: validated, then turned into job items, nothing else.
template <class P>
std::unique_ptr<ConfigParserDelegate> MakeJobItemsDelegate(
    P* parser, typename ConfigParserDelegate_T<P>::ValidateMethod validate,
    typename ConfigParserDelegate_T<P>::JobItemsMethod toJobItems) {
    return std::make_unique<ConfigParserDelegate_T<P>>(parser, validate, nullptr, nullptr, toJobItems);
}

} // namespace Gathrix::ConfigParsing
