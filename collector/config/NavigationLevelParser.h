#pragma once
// The navigation skeleton of a mode file: "Config", "Level1" to "Level3" and the product
// elements. Each level checks its children, builds the level names that apply below it and
// hands every "Jobs" on with them; each "Jobs" becomes one top-level entity.

#include "collector/config/IConfigPartParser.h"
#include "collector/config/ProductElements.h"

#include <string>
#include <utility>

namespace Gathrix::ConfigParsing {

class NavigationLevelParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    bool ValidateConfig(const TiXmlElement* element, ValidationResult& result);
    bool ValidateLevel1(const TiXmlElement* element, ValidationResult& result);
    bool ValidateLevel2(const TiXmlElement* element, ValidationResult& result);
    bool ValidateLevel3(const TiXmlElement* element, ValidationResult& result);
    bool ValidateProduct(const TiXmlElement* element, ValidationResult& result);

    TopLevelEntityList ParseConfigToTopLevelEntities(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                     const std::string& name);
    TopLevelEntityList ParseLevel1ToTopLevelEntities(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                     const std::string& name);
    TopLevelEntityList ParseLevel2ToTopLevelEntities(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                     const std::string& name);
    TopLevelEntityPtr ParseLevel3ToTopLevelEntity(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                  const std::string& name);

    // The entities of the "Level3" children of a product element whose second level is called
    // `levelName`; none when the name is empty (the product was not found).
    TopLevelEntityList ParseProductToTopLevelEntities(const std::wstring& levelName, const TiXmlElement* element,
                                                      const ActiveNavigation& navigation);

private:
    template <std::size_t Index>
    TopLevelEntityList ParseProduct(const TiXmlElement* element, const ActiveNavigation& navigation,
                                    const std::string&) {
        return ParseProductToTopLevelEntities(ProductElements()[Index].levelName(), element, navigation);
    }
    template <std::size_t... Index>
    void AddProductDelegates(DelegateMap& map, std::index_sequence<Index...>);
};

} // namespace Gathrix::ConfigParsing
