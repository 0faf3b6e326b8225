#pragma once
// The part parsers of the WMI job elements, which take no child element and no setting:
// "LogicalDisks", "DiskDrives", "InstalledDrivers", "Services" and "CdRomDrives". Each element
// becomes one job item of its kind.

#include "collector/collectors/wmi/CdRomDrives.h"
#include "collector/collectors/wmi/DiskDrives.h"
#include "collector/collectors/wmi/InstalledDrivers.h"
#include "collector/collectors/wmi/LogicalDisks.h"
#include "collector/collectors/wmi/Services.h"
#include "collector/config/IConfigPartParser.h"

#include <memory>
#include <string>

namespace Gathrix::ConfigParsing {

// One element name, one job class J made without arguments.
template <class J>
class NoSettingsJobParser : public IConfigPartParser {
public:
    explicit NoSettingsJobParser(const char* elementName) : elementName(elementName) {}

    DelegateMap GetDelegates() override {
        DelegateMap delegates;
        delegates[elementName] = MakeJobItemsDelegate(this, &NoSettingsJobParser::ValidateNoChildElements,
                                                      &NoSettingsJobParser::ParseToJobItems);
        return delegates;
    }

    // Nothing of the element is read.
    void ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container, const std::string& /*name*/) {
        auto job = std::make_unique<J>();
        container.AddJobItem(job.get());
        job.release();
    }

private:
    const char* elementName;
};

} // namespace Gathrix::ConfigParsing

namespace Gathrix::ConfigParsing {

class LogicalDisksParser : public NoSettingsJobParser<LogicalDisks> {
public:
    LogicalDisksParser();
};

class DiskDrivesParser : public NoSettingsJobParser<DiskDrives> {
public:
    DiskDrivesParser();
};

class InstalledDriversParser : public NoSettingsJobParser<InstalledDrivers> {
public:
    InstalledDriversParser();
};

class ServicesParser : public NoSettingsJobParser<Services> {
public:
    ServicesParser();
};

class CdRomDrivesParser : public NoSettingsJobParser<CdRomDrives> {
public:
    CdRomDrivesParser();
};

} // namespace Gathrix::ConfigParsing
