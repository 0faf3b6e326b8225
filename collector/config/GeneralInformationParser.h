#pragma once
// The "GeneralInformation" job element: no child element, no setting. It becomes one
// general-information job carrying the installed-products text, the contact data of the command
// line and the mode name that this parser was made with.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

class GeneralInformationParser : public IConfigPartParser {
public:
    GeneralInformationParser(std::wstring installedProducts, std::wstring name, std::wstring company,
                             std::wstring email, std::wstring callNumber, std::wstring modeName);

    DelegateMap GetDelegates() override;
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);

    const std::wstring installedProducts;
    const std::wstring name;
    const std::wstring company;
    const std::wstring email;
    const std::wstring callNumber;
    const std::wstring modeName;
};

} // namespace Gathrix::ConfigParsing
