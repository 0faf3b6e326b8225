#pragma once
// The "LogicalDisks" job: every logical disk WMI reports (Win32_LogicalDisk), one group per disk
// with its drive type, file system, size and free space, volume name and maximum component length.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

// Win32_LogicalDisk's DriveType values and their names.
extern const std::map<std::int64_t, std::wstring> DriveTypeNames;

class LogicalDisks : public ITreeElement {
public:
    LogicalDisks() = default;
    ~LogicalDisks() override = default;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"drive"; }
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override { return L"Logical Disks"; }

    // One group per row, in row order, below the job's open element.
    void WriteRows(const WMIRows& rows);

    // "Size: ... Byte / Free space: ... Byte (...% free)", or both raw texts when either is null.
    static std::wstring SizeText(const WMIValue& size, const WMIValue& freeSpace);

private:
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
