#include "collector/collectors/wmi/LogicalDisks.h"

#include "collector/collectors/wmi/WmiJob.h"
#include "collector/collectors/wmi/WmiNumbers.h"

#include <locale>
#include <sstream>

namespace Gathrix {

const std::map<std::int64_t, std::wstring> DriveTypeNames = {
    {0, L"Unknown"},      {1, L"No Root Directory"}, {2, L"Removable Disk"}, {3, L"Local Disk"},
    {4, L"Network Drive"}, {5, L"Compact Disc"},     {6, L"RAM Disk"},
};

namespace {

std::wstring DriveTypeName(const WMIValue& driveType) {
    if (driveType.signedValue.isSet) {
        const auto found = DriveTypeNames.find(driveType.signedValue.value);
        if (found != DriveTypeNames.end())
            return found->second;
    }
    return L"Unknown";
}

// Leading digits as the standard stream extraction takes them; no number reads as 0.
std::uint64_t ReadUnsigned(const std::wstring& text) {
    std::wistringstream stream(text);
    stream.imbue(std::locale::classic());
    std::uint64_t value = 0;
    stream >> value;
    return value;
}

} // namespace

void LogicalDisks::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void LogicalDisks::Collect() {
    CollectWmiJob(*this, L"select * from Win32_LogicalDisk", [this](const WMIRows& rows) { WriteRows(rows); });
}

void LogicalDisks::WriteRows(const WMIRows& rows) {
    for (const WMIRow& row : rows) {
        TreeElementGroup group(RowText(row, L"DeviceID"), L"drive", false);
        group.writer = writer;
        AddLeaf(group, L"Type: " + DriveTypeName(RowValue(row, L"DriveType")), L"drive");
        AddLeaf(group, L"Filesystem: " + RowText(row, L"FileSystem"), L"drive");
        AddLeaf(group, SizeText(RowValue(row, L"Size"), RowValue(row, L"FreeSpace")), L"drive");
        AddLeaf(group, L"Volume name: " + RowText(row, L"VolumeName"), L"drive");
        AddLeaf(group, L"Maximum component length: " + RowText(row, L"MaximumComponentLength"), L"drive");
        group.Collect();
    }
}

std::wstring LogicalDisks::SizeText(const WMIValue& size, const WMIValue& freeSpace) {
    if (size.nullMarker.isSet || freeSpace.nullMarker.isSet)
        return L"Size: " + size.text + L"; Free space: " + freeSpace.text;
    const std::uint64_t freeBytes = ReadUnsigned(freeSpace.text);
    const std::uint64_t sizeBytes = ReadUnsigned(size.text);
    // A disk that reports a size of 0 has no free share to speak of: 0 instead of a quotient
    // that would print as "inf" or "nan".
    const double percent = sizeBytes == 0 ? 0.0 : static_cast<double>(freeBytes) / static_cast<double>(sizeBytes) * 100.0;
    return L"Size: " + GroupDigits(sizeBytes) + L" Byte / Free space: " + GroupDigits(freeBytes) + L" Byte (" +
           SignificantDigits(percent, 4) + L"% free)";
}

} // namespace Gathrix
