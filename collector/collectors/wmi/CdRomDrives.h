#pragma once
// The "CdRomDrives" job: every CD-ROM drive WMI reports (Win32_CDROMDrive), one group per drive
// with its media type, name, loaded medium and firmware revision.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class CdRomDrives : public ITreeElement {
public:
    CdRomDrives() = default;
    ~CdRomDrives() override = default;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"drive"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override { return L"CD-ROM drives"; }

    // One group per row, in row order, below the job's open element.
    void WriteRows(const WMIRows& rows);

private:
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
