#include "collector/collectors/files/FileProperties.h"
#include "collector/collectors/wmi/CdRomDrives.h"
#include "collector/collectors/wmi/DiskDrives.h"
#include "collector/collectors/wmi/InstalledDrivers.h"
#include "collector/collectors/wmi/LogicalDisks.h"
#include "collector/collectors/wmi/Services.h"
#include "collector/collectors/wmi/WmiJob.h"
#include "collector/collectors/wmi/tests/WmiTestSupport.h"
#include "common/Exceptions.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

using Lines = std::vector<std::string>;

// The outline lines down to `maxDepth` levels below the job's element (0: the job's own line).
Lines UpToDepth(const Lines& lines, int maxDepth) {
    Lines kept;
    for (const std::string& line : lines) {
        const std::size_t indent = line.find_first_not_of(' ');
        if (static_cast<int>(indent / 2) <= maxDepth)
            kept.push_back(line);
    }
    return kept;
}

class WmiJobTest : public WmiResultTest {
protected:
    // Writes the job's element from hand-made rows, as if WMI had delivered them.
    template <class Job>
    Lines FromRows(Job& job, const WMIRows& rows) {
        return Written([&](ResultFileWriter& writer) {
            job.writer = &writer;
            WriteWmiJobElement(job, true, [&] { return rows; }, [&](const WMIRows& given) { job.WriteRows(given); });
        });
    }
};

WMIRow Disk(std::initializer_list<std::pair<const wchar_t*, WMIValue>> overrides,
            std::initializer_list<const wchar_t*> removed = {}) {
    WMIRow row = Row({{L"DeviceID", Str(L"C:")}, {L"DriveType", I4(3)}, {L"FileSystem", Str(L"NTFS")},
                      {L"Size", Str(L"1000")}, {L"FreeSpace", Str(L"500")}, {L"VolumeName", Str(L"System")},
                      {L"MaximumComponentLength", I4(255)}});
    for (const wchar_t* name : removed)
        row.erase(name);
    for (const auto& [name, value] : overrides)
        row[name] = value;
    return row;
}

// The outline of one disk group with the five leaves.
Lines DiskLines(const std::string& caption, const std::string& type, const std::string& fileSystem,
                const std::string& size, const std::string& volume, const std::string& length) {
    return {"  drive|false|" + caption,           "    drive|false|Type: " + type,
            "    drive|false|Filesystem: " + fileSystem, "    drive|false|" + size,
            "    drive|false|Volume name: " + volume, "    drive|false|Maximum component length: " + length};
}

} // namespace

TEST_F(WmiJobTest, LogicalDisksWriteOneGroupPerRowWithItsFiveLeaves) {
    const WMIValue empty = [] {
        VARIANT v;
        VariantInit(&v);
        return WMIValue(v);
    }();
    struct Case {
        const char* what;
        WMIRow row;
        Lines group;
    } cases[] = {
        {"a local disk, half free", Disk({}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 1,000 Byte / Free space: 500 Byte (50% free)", "System", "255")},
        // Wine spells the property "DeviceId": names are found whatever their case.
        {"the caption under another spelling", Disk({{L"DeviceId", Str(L"D:")}}, {L"DeviceID"}),
         DiskLines("D:", "Local Disk", "NTFS", "Size: 1,000 Byte / Free space: 500 Byte (50% free)", "System", "255")},
        {"all free, digit groups", Disk({{L"Size", Str(L"1234567")}, {L"FreeSpace", Str(L"1234567")}}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 1,234,567 Byte / Free space: 1,234,567 Byte (100% free)",
                   "System", "255")},
        {"half a percent free", Disk({{L"Size", Str(L"1000")}, {L"FreeSpace", Str(L"5")}}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 1,000 Byte / Free space: 5 Byte (0.5% free)", "System", "255")},
        {"four significant digits", Disk({{L"Size", Str(L"3")}, {L"FreeSpace", Str(L"2")}}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 3 Byte / Free space: 2 Byte (66.67% free)", "System", "255")},
        {"a tiny share in exponent form",
         Disk({{L"Size", Str(L"500000000000")}, {L"FreeSpace", Str(L"6170")}}),
         DiskLines("C:", "Local Disk", "NTFS",
                   "Size: 500,000,000,000 Byte / Free space: 6,170 Byte (1.234e-06% free)", "System", "255")},
        {"no media: both null", Disk({{L"DriveType", I4(5)}, {L"Size", Null()}, {L"FreeSpace", Null()}}),
         DiskLines("C:", "Compact Disc", "NTFS", "Size: <NULL>; Free space: <NULL>", "System", "255")},
        {"only the free space null", Disk({{L"Size", Str(L"1234567")}, {L"FreeSpace", Null()}}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 1234567; Free space: <NULL>", "System", "255")},
        // A size of 0 that is not null: no quotient is printed as "inf" or "nan".
        {"a size of 0", Disk({{L"Size", Str(L"0")}, {L"FreeSpace", Str(L"0")}}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 0 Byte / Free space: 0 Byte (0% free)", "System", "255")},
        {"texts that are no numbers read as 0", Disk({{L"Size", empty}, {L"FreeSpace", Str(L"12abc")}}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 0 Byte / Free space: 12 Byte (0% free)", "System", "255")},
        {"drive type 7", Disk({{L"DriveType", I4(7)}}),
         DiskLines("C:", "Unknown", "NTFS", "Size: 1,000 Byte / Free space: 500 Byte (50% free)", "System", "255")},
        {"drive type -1", Disk({{L"DriveType", I4(-1)}}),
         DiskLines("C:", "Unknown", "NTFS", "Size: 1,000 Byte / Free space: 500 Byte (50% free)", "System", "255")},
        {"drive type as text", Disk({{L"DriveType", Str(L"3")}}),
         DiskLines("C:", "Unknown", "NTFS", "Size: 1,000 Byte / Free space: 500 Byte (50% free)", "System", "255")},
        // Under Wine MaximumComponentLength is missing; an empty volume name keeps its label.
        {"missing and empty texts", Disk({{L"VolumeName", Str(L"")}}, {L"MaximumComponentLength"}),
         DiskLines("C:", "Local Disk", "NTFS", "Size: 1,000 Byte / Free space: 500 Byte (50% free)", "", "")},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogicalDisks job;
        Lines expected = {"drive|true|Logical Disks"};
        expected.insert(expected.end(), c.group.begin(), c.group.end());
        EXPECT_EQ(expected, FromRows(job, {c.row}));
    }

    // Rows keep their order.
    LogicalDisks job;
    EXPECT_EQ((Lines{"drive|true|Logical Disks", "  drive|false|Z:", "  drive|false|A:"}),
              UpToDepth(FromRows(job, {Disk({{L"DeviceID", Str(L"Z:")}}), Disk({{L"DeviceID", Str(L"A:")}})}),
                        1));
}

TEST_F(WmiJobTest, DiskDrivesWriteSevenLeavesPerDrive) {
    const WMIRow first = Row({{L"Name", Str(L"\\\\.\\PHYSICALDRIVE0")},
                              {L"PNPDeviceID", Str(L"IDE\\DISK")},
                              {L"Model", Str(L"Wine Disk")},
                              {L"CapabilityDescriptions", StrArray({L"Random Access", L"Supports Writing", L"SMART"})},
                              {L"InterfaceType", Str(L"IDE")},
                              {L"FirmwareRevision", Str(L"1.0")},
                              {L"Status", Str(L"OK")},
                              {L"SerialNumber", Null()}});
    // What Wine delivers: no Name, CapabilityDescriptions, FirmwareRevision or Status.
    const WMIRow second = Row({{L"CapabilityDescriptions", StrArray({})}, {L"Model", Str(L"Second")}});
    DiskDrives job;
    EXPECT_EQ((Lines{"drive|true|Disk drives",
                     "  drive|false|\\\\.\\PHYSICALDRIVE0",
                     "    drive|false|Windows PnP device id: IDE\\DISK",
                     "    drive|false|Model: Wine Disk",
                     "    drive|false|Capabilities: Random Access; Supports Writing; SMART",
                     "    drive|false|Interface: IDE",
                     "    drive|false|Firmware revision: 1.0",
                     "    drive|false|Status: OK",
                     "    drive|false|Serial number: <NULL>",
                     "  drive|false|",
                     "    drive|false|Windows PnP device id: ",
                     "    drive|false|Model: Second",
                     "    drive|false|Capabilities: ",
                     "    drive|false|Interface: ",
                     "    drive|false|Firmware revision: ",
                     "    drive|false|Status: ",
                     "    drive|false|Serial number: "}),
              FromRows(job, {first, second}));
}

TEST_F(WmiJobTest, CdRomDrivesShowTheVolumeOnlyForALoadedMedium) {
    struct Case {
        const char* what;
        WMIRow row;
        std::string loaded;
    } cases[] = {
        {"loaded", Row({{L"MediaLoaded", Bool(VARIANT_TRUE)}, {L"VolumeName", Str(L"DISC")}}), "DISC"},
        {"not loaded", Row({{L"MediaLoaded", Bool(VARIANT_FALSE)}, {L"VolumeName", Str(L"OLD")}}), "<no media loaded>"},
        {"loaded state null", Row({{L"MediaLoaded", Null()}, {L"VolumeName", Str(L"X")}}), "<no media loaded>"},
        {"loaded state missing", Row({{L"VolumeName", Str(L"X")}}), "<no media loaded>"},
        {"loaded, volume null", Row({{L"MediaLoaded", Bool(VARIANT_TRUE)}, {L"VolumeName", Null()}}), "<NULL>"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.row[L"DeviceID"] = Str(L"IDE\\CDROM\\1");
        c.row[L"MediaType"] = Str(L"CD-ROM");
        c.row[L"Name"] = Str(L"Wine CD");
        c.row[L"MfrAssignedRevisionLevel"] = Null();
        CdRomDrives job;
        EXPECT_EQ((Lines{"drive|true|CD-ROM drives", "  drive|false|IDE\\CDROM\\1", "    drive|false|Type: CD-ROM",
                         "    drive|false|Name: Wine CD", "    drive|false|loaded media: " + c.loaded,
                         "    drive|false|Firmware revision: <NULL>"}),
                  FromRows(job, {c.row}));
    }
    CdRomDrives job;
    const Lines two = FromRows(job, {Row({{L"DeviceID", Str(L"E:")}}), Row({{L"DeviceID", Str(L"F:")}})});
    EXPECT_EQ((Lines{"drive|true|CD-ROM drives", "  drive|false|E:", "  drive|false|F:"}), UpToDepth(two, 1));
    EXPECT_EQ(11u, two.size()) << "four leaves per drive";
}

TEST_F(WmiJobTest, DriversAndServicesEmbedTheirFileOrShowThePathText) {
    ScratchFolder folder(L"wmi-services");
    const std::wstring program = folder / L"svc host.exe";
    WriteFileBytes(program, "MZ");
    std::vector<std::unique_ptr<FileProperties>> resolved;
    for (FileProperties* file : FileProperties::CreateForPath(program, L""))
        resolved.emplace_back(file);
    ASSERT_FALSE(resolved.empty());
    // One properties element per view the path resolves in.
    Lines fileLines;
    for (const auto& file : resolved)
        fileLines.push_back("    fileinfo|false|" + Narrow(file->GetCaption()));

    const WMIRow driver = Row({{L"Name", Str(L"beep")},
                               {L"DisplayName", Str(L"Beep")},
                               {L"ServiceType", Str(L"Kernel Driver")},
                               {L"State", Str(L"Running")},
                               {L"Status", Str(L"OK")},
                               {L"Started", Bool(VARIANT_TRUE)},
                               {L"StartMode", Str(L"System")},
                               {L"PathName", Str(program)}});
    WMIRow nullPath = driver;
    nullPath[L"PathName"] = Null();
    InstalledDrivers drivers;
    Lines expected = {"serviceinfo|true|installed drivers",
                      "  serviceinfo|false|beep",
                      "    serviceinfo|false|Display name: Beep",
                      "    serviceinfo|false|Service name: beep",
                      "    serviceinfo|false|Service type: Kernel Driver",
                      "    serviceinfo|false|State: Running; Status: OK",
                      "    serviceinfo|false|Is started: true (start mode: System)"};
    expected.insert(expected.end(), fileLines.begin(), fileLines.end());
    Lines tail = {"  serviceinfo|false|beep",
                  "    serviceinfo|false|Display name: Beep",
                  "    serviceinfo|false|Service name: beep",
                  "    serviceinfo|false|Service type: Kernel Driver",
                  "    serviceinfo|false|State: Running; Status: OK",
                  "    serviceinfo|false|Is started: true (start mode: System)",
                  "    serviceinfo|false|Path: <NULL>"};
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(expected, UpToDepth(Written([&](ResultFileWriter& writer) {
                                      drivers.writer = &writer;
                                      WriteWmiJobElement(drivers, true, [&] { return WMIRows{driver, nullPath}; },
                                                         [&](const WMIRows& rows) { drivers.WriteDrivers(rows); });
                                  }),
                                  2));

    // A service: its file first, then exactly eleven leaves. A quoted path with arguments is
    // resolved; a path that names nothing shows as delivered.
    WMIRow service = Row({{L"DisplayName", Str(L"Sample Service")},
                          {L"PathName", Str(L"\"" + program + L"\" -k netsvcs")},
                          {L"Name", Str(L"sample")},
                          {L"Caption", Str(L"Sample Service")},
                          {L"State", Str(L"Running")},
                          {L"Status", Str(L"OK")},
                          {L"DesktopInteract", Bool(VARIANT_FALSE)},
                          {L"Started", Bool(VARIANT_TRUE)},
                          {L"StartMode", Str(L"Auto")},
                          {L"StartName", Null()},
                          {L"AcceptStop", Bool(VARIANT_TRUE)},
                          {L"AcceptPause", Bool(VARIANT_FALSE)},
                          {L"ExitCode", I4(0)},
                          {L"ServiceSpecificExitCode", I4(static_cast<LONG>(0x80000000u))},
                          {L"ServiceType", Str(L"Own Process")},
                          {L"CheckPoint", I4(0)},
                          {L"WaitHint", I4(2000)}});
    WMIRow unresolved = service;
    unresolved[L"PathName"] = Str(L"C:\\missing folder\\svc.exe -k x");
    const Lines leaves = {"    serviceinfo|false|Service Name: sample",
                          "    serviceinfo|false|Caption: Sample Service",
                          "    serviceinfo|false|State: Running; Status: OK",
                          "    serviceinfo|false|Interacts with desktop: false",
                          "    serviceinfo|false|Is started: true (start mode: Auto)",
                          "    serviceinfo|false|User: <NULL>",
                          "    serviceinfo|false|Stoppable: true; Pausable: false",
                          "    serviceinfo|false|Exit code: 0; service specific exit code: -2147483648",
                          "    serviceinfo|false|Type: Own Process",
                          "    serviceinfo|false|Checkpoint: 0",
                          "    serviceinfo|false|Wait hint: 2000"};
    expected = {"services|true|Services", "  service|false|Sample Service"};
    expected.insert(expected.end(), fileLines.begin(), fileLines.end());
    expected.insert(expected.end(), leaves.begin(), leaves.end());
    expected.push_back("  service|false|Sample Service");
    expected.push_back("    serviceinfo|false|Path: C:\\missing folder\\svc.exe -k x");
    expected.insert(expected.end(), leaves.begin(), leaves.end());
    Services services;
    EXPECT_EQ(expected, UpToDepth(FromRows(services, {service, unresolved}), 2));
}

TEST_F(WmiJobTest, EveryJobWritesItsCaptionAndTheErrorLeafWithoutWmi) {
    LogicalDisks disks;
    DiskDrives drives;
    InstalledDrivers drivers;
    Services services;
    CdRomDrives cdroms;
    struct Case {
        ITreeElement& job;
        std::string caption;
    } cases[] = {
        {disks, "drive|true|Logical Disks"},        {drives, "drive|true|Disk drives"},
        {drivers, "serviceinfo|true|installed drivers"}, {services, "services|true|Services"},
        {cdroms, "drive|true|CD-ROM drives"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.caption);
        bool asked = false;
        bool written = false;
        auto query = [&] {
            asked = true;
            return WMIRows{Row({{L"Name", Str(L"x")}})};
        };
        auto writeRows = [&](const WMIRows&) { written = true; };
        // Not connected: the error leaf alone, and no query; the next element is a sibling.
        EXPECT_EQ((Lines{c.caption, "  lvlerror|false|Error: No access to WMI", "next|false|after"}),
                  Written([&](ResultFileWriter& writer) {
                      c.job.writer = &writer;
                      WriteWmiJobElement(c.job, false, query, writeRows);
                      WriteLeaf(writer, L"after", L"next");
                  }));
        EXPECT_FALSE(asked);
        EXPECT_FALSE(written);
        // Connected without rows: the caption alone.
        EXPECT_EQ((Lines{c.caption}), Written([&](ResultFileWriter& writer) {
                      c.job.writer = &writer;
                      WriteWmiJobElement(c.job, true, [] { return WMIRows{}; }, [](const WMIRows&) {});
                  }));
        std::vector<ITreeElement*> children;
        c.job.GetChildren(children);
        EXPECT_TRUE(children.empty());
        // No writer: refused before anything else.
        c.job.writer = nullptr;
        EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { c.job.Collect(); }));
    }
}

// The jobs against Wine's own WMI: each runs, writes a well-formed element and holds one element
// per object that a query of the same class delivers.
TEST_F(WmiJobTest, EveryJobReadsWhatWmiDelivers) {
    LogicalDisks disks;
    DiskDrives drives;
    InstalledDrivers drivers;
    Services services;
    CdRomDrives cdroms;
    struct Case {
        ITreeElement& job;
        const wchar_t* wmiClass;
        const wchar_t* captionProperty;
        std::size_t childrenPerRow;
    } cases[] = {
        {disks, L"Win32_LogicalDisk", L"DeviceID", 5}, {drives, L"Win32_DiskDrive", L"Name", 7},
        {drivers, L"Win32_SystemDriver", L"Name", 6},  {services, L"Win32_Service", L"DisplayName", 12},
        {cdroms, L"Win32_CDROMDrive", L"DeviceID", 4},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(Narrow(c.wmiClass));
        WMIObject wmi;
        ASSERT_TRUE(wmi.Connect(L"ROOT\\CIMV2"));
        const WMIRows rows = wmi.Query(std::wstring(L"select * from ") + c.wmiClass);
        const Lines lines = Collected(c.job);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(Narrow(c.job.GetType() + L"|true|" + c.job.GetValue()), lines[0]);
        const Lines rowLines = UpToDepth(lines, 1);
        ASSERT_EQ(rows.size() + 1, rowLines.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::string caption = Narrow(RowText(rows[i], c.captionProperty));
            EXPECT_EQ(caption, rowLines[i + 1].substr(rowLines[i + 1].rfind('|') + 1));
        }
        if (c.wmiClass == std::wstring(L"Win32_LogicalDisk")) {
            // The drive letters, whatever the provider's spelling of the property.
            for (std::size_t i = 1; i < rowLines.size(); ++i)
                EXPECT_NE(std::string::npos, rowLines[i].find(":")) << rowLines[i];
        }
        // The leaves of each row; services and drivers hold one more element per view that
        // their file resolves in.
        std::vector<std::size_t> children;
        for (const std::string& line : UpToDepth(lines, 2)) {
            if (line.compare(0, 4, "    ") == 0 && !children.empty())
                ++children.back();
            else if (line.compare(0, 2, "  ") == 0)
                children.push_back(0);
        }
        ASSERT_EQ(rows.size(), children.size());
        for (std::size_t count : children) {
            if (c.job.GetType() == L"drive")
                EXPECT_EQ(c.childrenPerRow, count);
            else
                EXPECT_LE(c.childrenPerRow, count);
        }
    }
}
