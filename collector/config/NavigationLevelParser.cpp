#include "collector/config/NavigationLevelParser.h"

#include "collector/config/ValidationResult.h"

#include <algorithm>
#include <set>

namespace Gathrix::ConfigParsing {

namespace {

bool Is(const TiXmlElement* element, const char* name) {
    return element != nullptr && element->ValueStr() == name;
}

std::string Describe(const TiXmlElement* element) {
    return "XML element '" + element->ValueStr() + "' (row " + std::to_string(element->Row()) + ", column " +
           std::to_string(element->Column()) + ")";
}

void Append(TopLevelEntityList& list, TopLevelEntityList more) {
    for (TopLevelEntityPtr& entity : more)
        list.push_back(std::move(entity));
}

void Append(TopLevelEntityList& list, TopLevelEntityPtr entity) {
    if (entity != nullptr)
        list.push_back(std::move(entity));
}

// Every level name is a file name and a navigation entry of the report: a level whose own name
// or whose upper levels' names are empty would give a result file without a place in the
// navigation, so such a level is skipped with a warning.
bool HasUpperLevels(const TiXmlElement* level, const ActiveNavigation& navigation, int depth) {
    const bool named = (depth < 2 || !navigation.GetLevelName(1).empty()) &&
                       (depth < 3 || !navigation.GetLevelName(2).empty());
    if (!named)
        Logging::Logger::Warning(Describe(level) + ": There is no named level above it. The level is skipped.");
    return named;
}

bool IsNamed(const TiXmlElement* level, const std::wstring& levelName) {
    if (levelName.empty())
        Logging::Logger::Warning(Describe(level) + ": The " + Describe(level->FirstChildElement()) +
                                 " has no text. The level is skipped.");
    return !levelName.empty();
}

std::vector<std::string> Level1SecondElements() {
    std::vector<std::string> names{"Level2", "Jobs"};
    for (const ProductElement& product : ProductElements())
        names.emplace_back(product.name);
    return names;
}


// "Name" first; the caller goes on only when the result is still undecided.
bool ValidateNameFirst(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* first = element->FirstChildElement();
    if (first == nullptr) {
        result.SetMissingElement("Name");
        return false;
    }
    if (first->ValueStr() != "Name") {
        result.SetUnexpectedElement(first, "Name");
        return false;
    }
    return true;
}

} // namespace

template <std::size_t... Index>
void NavigationLevelParser::AddProductDelegates(DelegateMap& map, std::index_sequence<Index...>) {
    const auto& products = ProductElements();
    auto add = [&](const char* name, bool wired, auto parse) {
        if (wired)
            map.emplace(name, std::make_unique<ConfigParserDelegate_T<NavigationLevelParser>>(
                                  this, &NavigationLevelParser::ValidateProduct, nullptr, parse, nullptr));
    };
    (add(products[Index].name, products[Index].levelName != nullptr, &NavigationLevelParser::ParseProduct<Index>),
     ...);
}

DelegateMap NavigationLevelParser::GetDelegates() {
    using Delegate = ConfigParserDelegate_T<NavigationLevelParser>;
    DelegateMap map;
    map.emplace("Config", std::make_unique<Delegate>(this, &NavigationLevelParser::ValidateConfig, nullptr,
                                                     &NavigationLevelParser::ParseConfigToTopLevelEntities, nullptr));
    map.emplace("Level1", std::make_unique<Delegate>(this, &NavigationLevelParser::ValidateLevel1, nullptr,
                                                     &NavigationLevelParser::ParseLevel1ToTopLevelEntities, nullptr));
    map.emplace("Level2", std::make_unique<Delegate>(this, &NavigationLevelParser::ValidateLevel2, nullptr,
                                                     &NavigationLevelParser::ParseLevel2ToTopLevelEntities, nullptr));
    map.emplace("Level3", std::make_unique<Delegate>(this, &NavigationLevelParser::ValidateLevel3,
                                                     &NavigationLevelParser::ParseLevel3ToTopLevelEntity, nullptr,
                                                     nullptr));
    AddProductDelegates(map, std::make_index_sequence<ProductElementCount>());
    return map;
}

bool NavigationLevelParser::ValidateConfig(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* mode = element->FirstChildElement();
    if (mode == nullptr) {
        result.SetMissingElement("Mode");
        return result.valid;
    }
    if (mode->ValueStr() != "Mode") {
        result.SetUnexpectedElement(mode, "Mode");
        return result.valid;
    }
    const TiXmlElement* child = mode->NextSiblingElement();
    if (child == nullptr) {
        result.SetMissingElement("Level1");
        return result.valid;
    }
    result.SetValid();
    for (; child != nullptr; child = child->NextSiblingElement()) {
        if (child->ValueStr() != "Level1") {
            result.SetUnexpectedElement(child, "Level1");
            break;
        }
    }
    return result.valid;
}

bool NavigationLevelParser::ValidateLevel1(const TiXmlElement* element, ValidationResult& result) {
    if (!ValidateNameFirst(element, result))
        return result.valid;
    const TiXmlElement* second = element->FirstChildElement()->NextSiblingElement();
    if (second == nullptr) {
        result.SetMissingElement(Level1SecondElements());
        return result.valid;
    }
    if (Is(second, "Jobs")) {
        if (const TiXmlElement* extra = second->NextSiblingElement())
            result.SetUnexpectedElement(extra);
        else
            result.SetValid();
        return result.valid;
    }
    std::set<std::string> productsNotSeen;
    for (const ProductElement& product : ProductElements())
        productsNotSeen.insert(product.name);
    for (const TiXmlElement* child = second; child != nullptr; child = child->NextSiblingElement()) {
        if (Is(child, "Level2")) {
            result.SetValid();
        } else if (productsNotSeen.erase(child->ValueStr()) == 1) {
            result.SetValid();
        } else {
            result.SetUnexpectedElement(child);
            break;
        }
    }
    return result.valid;
}

bool NavigationLevelParser::ValidateLevel2(const TiXmlElement* element, ValidationResult& result) {
    if (!ValidateNameFirst(element, result))
        return result.valid;
    static const std::vector<std::string> level3OrJobs{"Level3", "Jobs"};
    const TiXmlElement* second = element->FirstChildElement()->NextSiblingElement();
    if (Is(second, "Level3")) {
        result.SetValid();
        for (const TiXmlElement* child = second; child != nullptr; child = child->NextSiblingElement()) {
            if (!Is(child, "Level3")) {
                result.SetUnexpectedElement(child, "Level3");
                break;
            }
        }
    } else if (Is(second, "Jobs")) {
        if (const TiXmlElement* extra = second->NextSiblingElement())
            result.SetUnexpectedElement(extra);
        else
            result.SetValid();
    } else {
        result.SetMissingElement(level3OrJobs);
    }
    return result.valid;
}

bool NavigationLevelParser::ValidateLevel3(const TiXmlElement* element, ValidationResult& result) {
    if (!ValidateNameFirst(element, result))
        return result.valid;
    const TiXmlElement* second = element->FirstChildElement()->NextSiblingElement();
    if (second == nullptr)
        result.SetMissingElement("Jobs");
    else if (!Is(second, "Jobs"))
        result.SetUnexpectedElement(second, "Jobs");
    else if (const TiXmlElement* extra = second->NextSiblingElement())
        result.SetUnexpectedElement(extra);
    else
        result.SetValid();
    return result.valid;
}

bool NavigationLevelParser::ValidateProduct(const TiXmlElement* element, ValidationResult& result) {
    const TiXmlElement* child = element->FirstChildElement();
    if (child == nullptr) {
        result.SetMissingElement("Level3");
        return result.valid;
    }
    result.SetValid();
    for (; child != nullptr; child = child->NextSiblingElement()) {
        if (!Is(child, "Level3")) {
            result.SetUnexpectedElement(child, "Level3");
            break;
        }
    }
    return result.valid;
}

TopLevelEntityList NavigationLevelParser::ParseConfigToTopLevelEntities(const TiXmlElement* element,
                                                                        const ActiveNavigation& navigation,
                                                                        const std::string&) {
    TopLevelEntityList entities;
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
        Append(entities, DelegateParseToTopLevelEntities(child, navigation, child->ValueStr()));
    return entities;
}

TopLevelEntityList NavigationLevelParser::ParseLevel1ToTopLevelEntities(const TiXmlElement* element,
                                                                        const ActiveNavigation&,
                                                                        const std::string&) {
    TopLevelEntityList entities;
    const TiXmlElement* name = element->FirstChildElement();
    const std::wstring levelName = ElementWideText(name);
    if (!IsNamed(element, levelName))
        return entities;
    const ActiveNavigation below(levelName, L"", L"");
    const TiXmlElement* second = name->NextSiblingElement();
    if (Is(second, "Jobs")) {
        Append(entities, DelegateParseToTopLevelEntity(second, below, second->ValueStr()));
        return entities;
    }
    for (const TiXmlElement* child = second; child != nullptr; child = child->NextSiblingElement())
        Append(entities, DelegateParseToTopLevelEntities(child, below, child->ValueStr()));
    return entities;
}

TopLevelEntityList NavigationLevelParser::ParseLevel2ToTopLevelEntities(const TiXmlElement* element,
                                                                        const ActiveNavigation& navigation,
                                                                        const std::string&) {
    TopLevelEntityList entities;
    const TiXmlElement* name = element->FirstChildElement();
    const std::wstring levelName = ElementWideText(name);
    if (!HasUpperLevels(element, navigation, 2) || !IsNamed(element, levelName))
        return entities;
    const ActiveNavigation below(navigation.GetLevelName(1), levelName, L"");
    for (const TiXmlElement* child = name->NextSiblingElement(); child != nullptr;
         child = child->NextSiblingElement())
        Append(entities, DelegateParseToTopLevelEntity(child, below, child->ValueStr()));
    return entities;
}

TopLevelEntityPtr NavigationLevelParser::ParseLevel3ToTopLevelEntity(const TiXmlElement* element,
                                                                     const ActiveNavigation& navigation,
                                                                     const std::string&) {
    const TiXmlElement* name = element->FirstChildElement();
    const std::wstring levelName = ElementWideText(name);
    if (!HasUpperLevels(element, navigation, 3) || !IsNamed(element, levelName))
        return nullptr;
    const ActiveNavigation below(navigation.GetLevelName(1), navigation.GetLevelName(2), levelName);
    const TiXmlElement* jobs = name->NextSiblingElement();
    return DelegateParseToTopLevelEntity(jobs, below, jobs->ValueStr());
}

TopLevelEntityList NavigationLevelParser::ParseProductToTopLevelEntities(const std::wstring& levelName,
                                                                         const TiXmlElement* element,
                                                                         const ActiveNavigation& navigation) {
    TopLevelEntityList entities;
    // A product that is not found yields nothing, silently: a mode file names every product
    // that might be there.
    if (levelName.empty() || !HasUpperLevels(element, navigation, 2))
        return entities;
    const ActiveNavigation below(navigation.GetLevelName(1), levelName, L"");
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
        Append(entities, DelegateParseToTopLevelEntity(child, below, child->ValueStr()));
    return entities;
}

} // namespace Gathrix::ConfigParsing
