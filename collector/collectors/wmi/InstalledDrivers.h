#pragma once
// The "InstalledDrivers" job: every system driver WMI knows (Win32_SystemDriver), one element per
// driver with its names, type, state and the file properties of its driver file.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class InstalledDrivers : public ITreeElement {
public:
    InstalledDrivers() = default;
    ~InstalledDrivers() override = default;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"serviceinfo"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override { return L"installed drivers"; }

    // One element per row, in row order, below the job's open element.
    void WriteDrivers(const WMIRows& rows);

private:
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
