#pragma once
// The configuration step's registration: the reader and every part parser, in a fixed order.

#include "collector/config/ConfigFileParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

// The user's contact data from the command line, as the general information reports it.
struct ContactData {
    std::wstring name;
    std::wstring company;
    std::wstring email;
    std::wstring callNumber;
};

// Registers the reader itself and then each part parser, owned by the reader, in the order of
// the element table. Between the fourth registration and the general-information parser it
// reads the mode name, which that parser reports together with the contact data
// and the installed-products text.
void RegisterPartParsers(ConfigFileParser& reader, const ContactData& contact,
                         const std::wstring& installedProducts);

} // namespace Gathrix::ConfigParsing
