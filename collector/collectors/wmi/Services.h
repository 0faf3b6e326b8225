#pragma once
// The "Services" job: every Windows service WMI knows (Win32_Service), one element per service
// with its executable's file properties, names, state, start settings, account, controls, exit
// codes and progress values.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class Services : public ITreeElement {
public:
    Services() = default;
    ~Services() override = default;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"services"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override { return L"Services"; }

    // One element per row, in row order, below the job's open element.
    void WriteRows(const WMIRows& rows);

private:
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
