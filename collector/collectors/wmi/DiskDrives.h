#pragma once
// The "DiskDrives" job: every physical disk drive WMI reports (Win32_DiskDrive), one group per
// drive with its PnP id, model, capabilities, interface, firmware, status and serial number.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class DiskDrives : public ITreeElement {
public:
    DiskDrives() = default;
    ~DiskDrives() override = default;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"drive"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override { return L"Disk drives"; }

    // One group per row, in row order, below the job's open element.
    void WriteRows(const WMIRows& rows);

private:
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
