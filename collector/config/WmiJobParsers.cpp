#include "collector/config/WmiJobParsers.h"

namespace Gathrix::ConfigParsing {

LogicalDisksParser::LogicalDisksParser() : NoSettingsJobParser("LogicalDisks") {}
DiskDrivesParser::DiskDrivesParser() : NoSettingsJobParser("DiskDrives") {}
InstalledDriversParser::InstalledDriversParser() : NoSettingsJobParser("InstalledDrivers") {}
ServicesParser::ServicesParser() : NoSettingsJobParser("Services") {}
CdRomDrivesParser::CdRomDrivesParser() : NoSettingsJobParser("CdRomDrives") {}

} // namespace Gathrix::ConfigParsing
