#include "collector/collectors/wmi/CdRomDrives.h"

#include "collector/collectors/wmi/WmiJob.h"

namespace Gathrix {

void CdRomDrives::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void CdRomDrives::Collect() {
    CollectWmiJob(*this, L"select * from Win32_CDROMDrive", [this](const WMIRows& rows) { WriteRows(rows); });
}

void CdRomDrives::WriteRows(const WMIRows& rows) {
    for (const WMIRow& row : rows) {
        TreeElementGroup group(RowText(row, L"DeviceID"), L"drive", false);
        group.writer = writer;
        AddLeaf(group, L"Type: " + RowText(row, L"MediaType"), L"drive");
        AddLeaf(group, L"Name: " + RowText(row, L"Name"), L"drive");
        // A missing or null MediaLoaded leaves the holder unset, which counts as no medium.
        const WMIValue& loaded = RowValue(row, L"MediaLoaded");
        AddLeaf(group,
                L"loaded media: " +
                    (loaded.boolValue.isSet && loaded.boolValue.value ? RowText(row, L"VolumeName")
                                                                      : std::wstring(L"<no media loaded>")),
                L"drive");
        AddLeaf(group, L"Firmware revision: " + RowText(row, L"MfrAssignedRevisionLevel"), L"drive");
        group.Collect();
    }
}

} // namespace Gathrix
