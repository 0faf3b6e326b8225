#pragma once
// The "EnvironmentVariables" job: one leaf per variable of the collector's environment, as the
// variables object read it once when it was made (a variable set later is not listed).

#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class EnvironmentVariables : public ITreeElement {
public:
    EnvironmentVariables() = default;
    ~EnvironmentVariables() override;

    // "environment variables", then "%NAME%: value" per variable in ordinal order of the names.
    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"systeminfo"; }
    // The list stays empty: the leaves are written while collecting, not kept.
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    std::wstring GetValue() const override { return L"environment variables"; }

private:
    std::vector<std::unique_ptr<ITreeElement>> children;
};

} // namespace Gathrix
