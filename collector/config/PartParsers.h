#pragma once
// The configuration step's registration: the reader and every part parser, in a fixed order.

#include "collector/config/ConfigFileParser.h"
#include "collector/core/CommandLine.h"

#include <string>

namespace Gathrix::ConfigParsing {

// Registers the reader itself and then each part parser, owned by the reader, in the order of
// the element table. Between the fourth registration and the general-information parser it
// reads the mode name, which that parser reports together with the contact data of `settings`
// and the installed-products text.
void RegisterPartParsers(ConfigFileParser& reader, const CommandLine::Settings& settings,
                         const std::wstring& installedProducts);

} // namespace Gathrix::ConfigParsing
