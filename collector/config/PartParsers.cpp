#include "collector/config/PartParsers.h"

#include "collector/config/ComObjectsParser.h"
#include "collector/config/DirectoryInfosParser.h"
#include "collector/config/EnvironmentVariablesParser.h"
#include "collector/config/EventlogParser.h"
#include "collector/config/ExternalProgramParser.h"
#include "collector/config/FileContentParser.h"
#include "collector/config/FileInfosParser.h"
#include "collector/config/FilePropertiesFromRegistryKeyParser.h"
#include "collector/config/FilePropertiesFromRegistryValueParser.h"
#include "collector/config/GeneralInformationParser.h"
#include "collector/config/JobParser.h"
#include "collector/config/LocatingParsers.h"
#include "collector/config/LogfileParser.h"
#include "collector/config/NavigationLevelParser.h"
#include "collector/config/QuellonEventDbParser.h"
#include "collector/config/RunningProcessesParser.h"
#include "collector/config/WindowsStartmenuStartup.h"
#include "collector/config/WmiJobParsers.h"

#include <memory>

namespace Gathrix::ConfigParsing {

// One line per part parser, in the order of the element table; a parser whose job does not
// exist yet is simply not here, and its element is logged as having no handler.
void RegisterPartParsers(ConfigFileParser& reader, const ContactData& contact,
                         const std::wstring& installedProducts) {
    reader.RegisterParser(&reader);
    reader.RegisterParser(std::make_unique<JobParser>());
    reader.RegisterParser(std::make_unique<NavigationLevelParser>());
    reader.RegisterParser(std::make_unique<FilePropertiesFromRegistryKeyParser>());
    reader.ReadModeName();
    reader.RegisterParser(std::make_unique<GeneralInformationParser>(
        installedProducts, contact.name, contact.company, contact.email, contact.callNumber, reader.modeName));
    reader.RegisterParser(std::make_unique<LogfileParser>());
    reader.RegisterParser(std::make_unique<WindowsStartmenuStartup>());
    reader.RegisterParser(std::make_unique<ComObjectsParser>());
    reader.RegisterParser(std::make_unique<FileContentParser>());
    reader.RegisterParser(std::make_unique<FileInfosParser>());
    reader.RegisterParser(std::make_unique<FilePropertiesFromRegistryValueParser>());
    reader.RegisterParser(std::make_unique<EventlogParser>());
    reader.RegisterParser(std::make_unique<QuellonEventDbParser>());
    reader.RegisterParser(std::make_unique<ExternalProgramParser>());
    reader.RegisterParser(std::make_unique<ServicesParser>());
    reader.RegisterParser(std::make_unique<LogicalDisksParser>());
    reader.RegisterParser(std::make_unique<DiskDrivesParser>());
    reader.RegisterParser(std::make_unique<CdRomDrivesParser>());
    reader.RegisterParser(std::make_unique<EnvironmentVariablesParser>());
    reader.RegisterParser(std::make_unique<InstalledDriversParser>());
    reader.RegisterParser(std::make_unique<RunningProcessesParser>());
    reader.RegisterParser(std::make_unique<MsInfo32ReportParser>());
    reader.RegisterParser(std::make_unique<DirectoryInfosParser>());
    reader.RegisterParser(std::make_unique<MinidumpParser>());
    reader.RegisterParser(std::make_unique<FullMemoryDumpParser>());
    reader.RegisterParser(std::make_unique<DrWatsonLogfileParser>());
}

} // namespace Gathrix::ConfigParsing
