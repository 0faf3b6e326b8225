#include "collector/collectors/wmi/GeneralInformation.h"

#include "collector/collectors/files/FileProperties.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/OperatingSystem.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace Gathrix {

namespace {

std::wstring TwoDigits(long value) { return (value < 10 ? L"0" : L"") + std::to_wstring(value); }

} // namespace

GeneralInformation::GeneralInformation(std::wstring installedProducts, std::wstring name, std::wstring company,
                                       std::wstring email, std::wstring callNumber, std::wstring modeName)
    : installedProducts(std::move(installedProducts)), name(std::move(name)), company(std::move(company)),
      email(std::move(email)), callNumber(std::move(callNumber)), date(DateTime::NowUtc()),
      modeName(std::move(modeName)) {}

void GeneralInformation::Collect() {
    RequireWriter();
    GatherAboutData();
    writer->OpenNode(L"GeneralInformation");
    WriteContact();
    WriteAbout();
    writer->CloseNode();
}

void GeneralInformation::GatherAboutData() {
    // 1. The program's own file: its folder and file version.
    const std::wstring program = System::OperatingSystem::ProgramFilePath();
    if (!program.empty()) {
        std::vector<std::unique_ptr<FileProperties>> files;
        for (FileProperties* file : FileProperties::CreateForPath(program, std::wstring()))
            files.emplace_back(file);
        if (!files.empty()) {
            startPath = FolderOfPath(files.front()->GetPath());
            const VersionProperty fileVersion = files.front()->GetFileVersion();
            if (fileVersion.isSet)
                version = fileVersion.value.ToString();
        }
    }

    // 2. The time zone.
    TIME_ZONE_INFORMATION zone = {};
    const DWORD zoneId = GetTimeZoneInformation(&zone);
    timeZone = TimeZoneText(zoneId, zone);

    // 3. The date: when this job runs, not when it was read from the mode file.
    date = DateTime::NowUtc();

    // 4. The operating system, through a connection of this step's own. A failed connection
    // shows in the query, which then throws.
    WMIObject wmi;
    wmi.Connect(L"ROOT\\CIMV2");
    operatingSystem = OperatingSystemText(wmi.Query(L"select * from Win32_OperatingSystem"));
}

void GeneralInformation::WriteContact() {
    writer->OpenNode(L"Contact");
    WriteText(L"Name", name);
    WriteText(L"Company", company);
    WriteText(L"Email", email);
    WriteText(L"CallNumber", callNumber);
    writer->CloseNode();
}

void GeneralInformation::WriteAbout() {
    writer->OpenNode(L"About");
    WriteText(L"Version", version);
    WriteText(L"DateUTC", date.ToString());
    WriteText(L"DateLocal", date.ToLocalTime().ToString());
    WriteText(L"Timezone", timeZone);
    WriteText(L"Mode", modeName);
    WriteText(L"Startpath", startPath);
    WriteText(L"OperatingSystem", operatingSystem);
    WriteText(L"installedQuellonProducts", installedProducts);
    writer->CloseNode();
}

void GeneralInformation::WriteText(const std::wstring& element, const std::wstring& text) {
    // The text node is added also when empty, so every element is present.
    writer->OpenNode(element);
    writer->AddText(text);
    writer->CloseNode();
}

std::wstring GeneralInformation::TimeZoneText(DWORD zoneId, const TIME_ZONE_INFORMATION& zone) {
    if (zoneId == TIME_ZONE_ID_INVALID)
        return std::wstring();
    long bias = zone.Bias;
    if (zoneId == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (zoneId == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    const wchar_t* zoneName = zoneId == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightName : zone.StandardName;
    // The names are fixed-size fields that need not end in a NUL.
    const std::wstring nameText(zoneName, wcsnlen(zoneName, 32));
    const long hours = std::labs(bias / 60);
    const long minutes = std::labs(bias % 60);
    return nameText + L" (UTC" + (bias < 0 ? L"+" : L"-") + TwoDigits(hours) + L":" + TwoDigits(minutes) + L")";
}

std::wstring GeneralInformation::OperatingSystemText(const WMIRows& rows) {
    if (rows.empty())
        throw WMIObjectException(WMIObjectException::CannotRead);
    const WMIRow& row = rows.front();
    auto text = [&row](const wchar_t* property) {
        const auto found = row.find(property);
        return found == row.end() ? std::wstring() : found->second.text;
    };
    const bool hasArchitecture = row.find(L"OSArchitecture") != row.end();
    return text(L"Caption") + L" " + text(L"CSDVersion") + L" (" +
           (hasArchitecture ? text(L"OSArchitecture") + L"; " : std::wstring()) + L"Build " + text(L"BuildNumber") +
           L"; Version: " + text(L"Version") + L")";
}

std::wstring GeneralInformation::FolderOfPath(const std::wstring& path) {
    // The drive ("C:") and the folder up to the last separator, each left empty when it would
    // not fit the buffers the system's path splitter is given (3 and 256 characters).
    std::wstring drive;
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == L':') {
        drive = path.substr(0, 2);
        start = 2;
    }
    std::wstring folder;
    const std::size_t last = path.find_last_of(L"\\/");
    if (last != std::wstring::npos && last >= start)
        folder = path.substr(start, last - start + 1);
    if (folder.size() >= 256)
        folder.clear();
    return drive + folder;
}

} // namespace Gathrix
