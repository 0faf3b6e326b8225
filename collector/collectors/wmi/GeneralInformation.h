#pragma once
// The "GeneralInformation" job: the user's contact data and the facts of this run (the
// collector's version and folder, the time of the run in UTC and local time, the time zone, the
// mode, the operating system as WMI reports it, the installed products). It writes its own
// "GeneralInformation" element at the writer's current node, not a tree element.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"
#include "common/DateTime.h"

#include <windows.h>

#include <string>

namespace Gathrix {

class GeneralInformation : public ITreeElement {
public:
    GeneralInformation(std::wstring installedProducts, std::wstring name, std::wstring company, std::wstring email,
                       std::wstring callNumber, std::wstring modeName);

    // Gathers the run's facts first, then writes "Contact" and "About". Throws WMIObjectException
    // when WMI gives no operating system, before anything is written.
    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return std::wstring(); }
    std::wstring GetType() const override { return std::wstring(); }
    std::wstring GetValue() const override { return std::wstring(); }

    // Version and start path of the running program, time zone, date, operating system.
    void GatherAboutData();
    void WriteContact();
    void WriteAbout();

    // "<zone name> (UTC+hh:mm)" from what GetTimeZoneInformation returned; empty for an invalid
    // zone. The sign is "+" for a negative total bias, so a total of 0 shows "-00:00".
    static std::wstring TimeZoneText(DWORD zoneId, const TIME_ZONE_INFORMATION& zone);
    // Caption, CSD version, architecture (when the row has it), build and version of the first
    // row. Throws WMIObjectException (CannotRead) when there is no row.
    static std::wstring OperatingSystemText(const WMIRows& rows);
    // The folder part of a path, drive included, with its trailing backslash.
    static std::wstring FolderOfPath(const std::wstring& path);

    std::wstring installedProducts;
    std::wstring name;
    std::wstring company;
    std::wstring email;
    std::wstring callNumber;
    std::wstring version;
    DateTime date;
    std::wstring timeZone;
    std::wstring modeName;
    std::wstring startPath;
    std::wstring operatingSystem;

private:
    void WriteText(const std::wstring& element, const std::wstring& text);
};

} // namespace Gathrix
