#pragma once
// The "Logfile" job: puts the collector's own log into the report. It writes one empty "Logfile"
// element; the report's stylesheet fills it from the XML log "data\Logfile.xml", which is
// flushed before the working folder is packed, so it shows the whole run. The stylesheet shows
// it where it is a direct child of "ResultSet": in the result files of the "General" level.

#include "collector/result/JobModel.h"

namespace Gathrix {

class LogFile : public IStandaloneElement {
public:
    // grouped: the report groups the entries by level; minLevel: the lowest level it shows
    // (1 DEBUG to 5 FATAL ERROR).
    LogFile(bool grouped, int minLevel) : grouped(grouped), minLevel(minLevel) {}

    // Writes the element at the writer's current place, with the attributes below.
    void Collect() override;

    std::wstring GetElementName() const override { return L"Logfile"; }
    // ("type", "grouped") when grouped, then always ("minlevel", the level in decimal).
    void DescribeAttributes(Serialization::AttributeList& attributes) const override;

    bool IsGrouped() const { return grouped; }
    int GetMinLevel() const { return minLevel; }

private:
    bool grouped;
    int minLevel;
};

} // namespace Gathrix
