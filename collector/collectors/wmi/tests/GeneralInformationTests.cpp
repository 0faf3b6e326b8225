#include "collector/collectors/wmi/GeneralInformation.h"
#include "collector/collectors/wmi/tests/WmiTestSupport.h"
#include "common/Exceptions.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <tuple>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

TIME_ZONE_INFORMATION Zone(LONG bias, const wchar_t* standardName, LONG standardBias, const wchar_t* daylightName,
                           LONG daylightBias) {
    TIME_ZONE_INFORMATION zone = {};
    zone.Bias = bias;
    wcsncpy(zone.StandardName, standardName, 31);
    zone.StandardBias = standardBias;
    wcsncpy(zone.DaylightName, daylightName, 31);
    zone.DaylightBias = daylightBias;
    return zone;
}

// "MM/DD/YYYY HH:MM:SS" as a comparable tuple.
std::tuple<int, int, int, int, int, int> Moment(const std::string& text) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    EXPECT_EQ(6, sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &month, &day, &year, &hour, &minute, &second)) << text;
    return {year, month, day, hour, minute, second};
}

// The name and text of each element child, in order.
std::vector<std::pair<std::string, std::string>> Children(const TiXmlElement* parent) {
    std::vector<std::pair<std::string, std::string>> children;
    for (const TiXmlElement* child = parent ? parent->FirstChildElement() : nullptr; child;
         child = child->NextSiblingElement())
        children.emplace_back(child->ValueStr(), child->GetText() ? child->GetText() : "");
    return children;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, std::string>>& children) {
    std::vector<std::string> names;
    for (const auto& child : children)
        names.push_back(child.first);
    return names;
}

class GeneralInformationTest : public WmiResultTest {};

} // namespace

TEST(GeneralInformation, TimeZoneTextShowsTheNameAndTheTotalOffset) {
    struct Case {
        DWORD id;
        TIME_ZONE_INFORMATION zone;
        std::wstring text;
    } cases[] = {
        // Asia/Kolkata: a half-hour offset and no daylight time.
        {TIME_ZONE_ID_UNKNOWN, Zone(-330, L"India Standard Time", 0, L"India Daylight Time", 0),
         L"India Standard Time (UTC+05:30)"},
        // Australia/Sydney in December: the daylight name and the daylight-adjusted offset.
        {TIME_ZONE_ID_DAYLIGHT, Zone(-600, L"AUS Eastern Standard Time", 0, L"AUS Eastern Daylight Time", -60),
         L"AUS Eastern Daylight Time (UTC+11:00)"},
        {TIME_ZONE_ID_STANDARD, Zone(-600, L"AUS Eastern Standard Time", 0, L"AUS Eastern Daylight Time", -60),
         L"AUS Eastern Standard Time (UTC+10:00)"},
        // UTC: a total of 0 carries the sign "-".
        {TIME_ZONE_ID_UNKNOWN, Zone(0, L"Coordinated Universal Time", 0, L"Coordinated Universal Time", 0),
         L"Coordinated Universal Time (UTC-00:00)"},
        {TIME_ZONE_ID_DAYLIGHT, Zone(0, L"GMT Standard Time", 0, L"GMT Daylight Time", -60),
         L"GMT Daylight Time (UTC+01:00)"},
        {TIME_ZONE_ID_STANDARD, Zone(300, L"Eastern Standard Time", 0, L"Eastern Daylight Time", -60),
         L"Eastern Standard Time (UTC-05:00)"},
        {TIME_ZONE_ID_STANDARD, Zone(210, L"Newfoundland Standard Time", 0, L"", -60),
         L"Newfoundland Standard Time (UTC-03:30)"},
        // The standard bias counts only in standard time.
        {TIME_ZONE_ID_STANDARD, Zone(60, L"Odd", 30, L"", 0), L"Odd (UTC-01:30)"},
        {TIME_ZONE_ID_UNKNOWN, Zone(60, L"Odd", 30, L"", 0), L"Odd (UTC-01:00)"},
        {TIME_ZONE_ID_INVALID, Zone(-330, L"India Standard Time", 0, L"", 0), L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        EXPECT_EQ(c.text, GeneralInformation::TimeZoneText(c.id, c.zone));
    }
    // A name that fills its whole field without a NUL is taken up to the field's end.
    TIME_ZONE_INFORMATION full = Zone(0, L"", 0, L"", 0);
    for (wchar_t& unit : full.StandardName)
        unit = L'x';
    EXPECT_EQ(std::wstring(32, L'x') + L" (UTC-00:00)", GeneralInformation::TimeZoneText(TIME_ZONE_ID_STANDARD, full));
}

TEST(GeneralInformation, OperatingSystemTextFromTheFirstRow) {
    const WMIRow windows10 = Row({{L"Caption", Str(L"Microsoft Windows 10 Pro")},
                                  {L"CSDVersion", Null()},
                                  {L"OSArchitecture", Str(L"64-bit")},
                                  {L"BuildNumber", Str(L"19045")},
                                  {L"Version", Str(L"10.0.19045")}});
    const WMIRow windowsXp = Row({{L"Caption", Str(L"Microsoft Windows XP Professional")},
                                  {L"CSDVersion", Str(L"Service Pack 3")},
                                  {L"BuildNumber", Str(L"2600")},
                                  {L"Version", Str(L"5.1.2600")}});
    const WMIRow emptyServicePack = Row({{L"Caption", Str(L"Windows 7")},
                                         {L"CSDVersion", Str(L"")},
                                         {L"OSArchitecture", Str(L"32-bit")},
                                         {L"BuildNumber", Str(L"7601")},
                                         {L"Version", Str(L"6.1.7601")}});
    EXPECT_EQ(L"Microsoft Windows 10 Pro <NULL> (64-bit; Build 19045; Version: 10.0.19045)",
              GeneralInformation::OperatingSystemText({windows10, windowsXp}));
    EXPECT_EQ(L"Microsoft Windows XP Professional Service Pack 3 (Build 2600; Version: 5.1.2600)",
              GeneralInformation::OperatingSystemText({windowsXp}));
    EXPECT_EQ(L"Windows 7  (32-bit; Build 7601; Version: 6.1.7601)",
              GeneralInformation::OperatingSystemText({emptyServicePack}));
    EXPECT_EQ(L"  (Build ; Version: )", GeneralInformation::OperatingSystemText({WMIRow()}));
    EXPECT_EQ(L"Can't read information from WMI.", ThrownMessage([] { GeneralInformation::OperatingSystemText({}); }));
}

TEST(GeneralInformation, FolderOfPathKeepsDriveAndFolderWithItsBackslash) {
    const std::wstring longFolder(260, L'a');
    struct Case {
        std::wstring path, folder;
    } cases[] = {
        {L"C:\\Tools\\Gathrix\\Gathrix.exe", L"C:\\Tools\\Gathrix\\"},
        {L"C:\\Gathrix.exe", L"C:\\"},
        {L"\\\\server\\share\\Gathrix.exe", L"\\\\server\\share\\"},
        {L"Gathrix.exe", L""},
        {L"C:Gathrix.exe", L"C:"},
        // A folder part too long for the splitter's buffer is left out.
        {L"C:\\" + longFolder + L"\\x.exe", L"C:"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.folder, GeneralInformation::FolderOfPath(c.path)) << Narrow(c.path);
}

TEST_F(GeneralInformationTest, WritesTheContactAndAboutFrameWithTheFactsOfThisRun) {
    GeneralInformation job(L"Quellon Alvar 5.2, Quellon Berex 1.0, ", L"Ann Example", L"Example Ltd",
                           L"ann@example.com", L"4711", L"Support case (standard)");
    // A date of long ago, as if the job had been built from the mode file years before it runs:
    // Collect must take the date again.
    SYSTEMTIME longAgo = {};
    longAgo.wYear = 2001;
    longAgo.wMonth = 2;
    longAgo.wDay = 3;
    job.date = DateTime(longAgo, DateTime::Utc);
    const std::string before = Narrow(DateTime::NowUtc().ToString());
    const std::vector<std::string> lines = Collected(job);
    const std::string after = Narrow(DateTime::NowUtc().ToString());
    EXPECT_TRUE(lines.empty()) << "no tree element";

    // The facts the job is expected to find, read independently.
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    TIME_ZONE_INFORMATION zone = {};
    const DWORD zoneId = GetTimeZoneInformation(&zone);
    WMIObject wmi;
    ASSERT_TRUE(wmi.Connect(L"ROOT\\CIMV2"));
    const std::wstring operatingSystem = GeneralInformation::OperatingSystemText(
        wmi.Query(L"select * from Win32_OperatingSystem"));

    const auto top = Children(ResultSet());
    ASSERT_EQ((std::vector<std::string>{"GeneralInformation"}), Names(top));
    const TiXmlElement* general = ResultSet()->FirstChildElement("GeneralInformation");
    EXPECT_EQ(nullptr, general->FirstAttribute());
    EXPECT_EQ((std::vector<std::string>{"Contact", "About"}), Names(Children(general)));
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"Name", "Ann Example"}, {"Company", "Example Ltd"}, {"Email", "ann@example.com"},
                  {"CallNumber", "4711"}}),
              Children(general->FirstChildElement("Contact")));
    const auto about = Children(general->FirstChildElement("About"));
    ASSERT_EQ((std::vector<std::string>{"Version", "DateUTC", "DateLocal", "Timezone", "Mode", "Startpath",
                                        "OperatingSystem", "installedQuellonProducts"}),
              Names(about));
    EXPECT_EQ("", about[0].second) << "the test program has no version resource";
    EXPECT_LE(Moment(before), Moment(about[1].second));
    EXPECT_GE(Moment(after), Moment(about[1].second));
    EXPECT_EQ("Support case (standard)", about[4].second);
    EXPECT_EQ(Narrow(GeneralInformation::FolderOfPath(program)), about[5].second);
    EXPECT_EQ('\\', about[5].second.back());
    EXPECT_EQ(Narrow(operatingSystem), about[6].second);
    EXPECT_NE(std::string::npos, about[6].second.find("Build ")) << about[6].second;
    EXPECT_EQ("Quellon Alvar 5.2, Quellon Berex 1.0, ", about[7].second);
    EXPECT_EQ(Narrow(GeneralInformation::TimeZoneText(zoneId, zone)), about[3].second);
    EXPECT_EQ(Narrow(job.date.ToLocalTime().ToString()), about[2].second);
    EXPECT_EQ(Narrow(job.date.ToString()), about[1].second);
}

TEST_F(GeneralInformationTest, EmptyContactDataStillGivesEveryElement) {
    GeneralInformation job(L"- no products found -", L"", L"", L"", L"", L"");
    Collected(job);
    const TiXmlElement* general = ResultSet() ? ResultSet()->FirstChildElement("GeneralInformation") : nullptr;
    ASSERT_NE(nullptr, general);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"Name", ""}, {"Company", ""}, {"Email", ""}, {"CallNumber", ""}}),
              Children(general->FirstChildElement("Contact")));
    const auto about = Children(general->FirstChildElement("About"));
    ASSERT_EQ(8u, about.size());
    EXPECT_EQ(std::make_pair(std::string("Mode"), std::string()), about[4]);
    EXPECT_EQ(std::make_pair(std::string("installedQuellonProducts"), std::string("- no products found -")), about[7]);

    job.writer = nullptr;
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
}
