#include "collector/collectors/wmi/DiskDrives.h"

#include "collector/collectors/wmi/WmiJob.h"

namespace Gathrix {

void DiskDrives::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void DiskDrives::Collect() {
    CollectWmiJob(*this, L"select * from Win32_DiskDrive", [this](const WMIRows& rows) { WriteRows(rows); });
}

void DiskDrives::WriteRows(const WMIRows& rows) {
    static const struct {
        const wchar_t* label;
        const wchar_t* property;
    } leaves[] = {
        {L"Windows PnP device id: ", L"PNPDeviceID"},
        {L"Model: ", L"Model"},
        {L"Capabilities: ", L"CapabilityDescriptions"},
        {L"Interface: ", L"InterfaceType"},
        {L"Firmware revision: ", L"FirmwareRevision"},
        {L"Status: ", L"Status"},
        {L"Serial number: ", L"SerialNumber"},
    };
    for (const WMIRow& row : rows) {
        TreeElementGroup group(RowText(row, L"Name"), L"drive", false);
        group.writer = writer;
        for (const auto& leaf : leaves)
            AddLeaf(group, leaf.label + RowText(row, leaf.property), L"drive");
        group.Collect();
    }
}

} // namespace Gathrix
