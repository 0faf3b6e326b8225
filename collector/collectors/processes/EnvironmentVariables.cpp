#include "collector/collectors/processes/EnvironmentVariables.h"

#include "collector/platform/Variables.h"
#include "collector/result/ResultFileWriter.h"

#include <map>

namespace Gathrix {

EnvironmentVariables::~EnvironmentVariables() = default;

void EnvironmentVariables::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void EnvironmentVariables::Collect() {
    RequireWriter();
    // std::map<std::wstring, ...> compares the UTF-16 units of the keys: "%PATH%" before "%path%".
    const std::map<std::wstring, std::wstring> variables = System::Variables::Instance().GetEnvironmentVariables();
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());
    for (const auto& [name, value] : variables) {
        TreeElementLeaf leaf(name + L": " + value, L"systeminfo");
        leaf.writer = writer;
        leaf.Collect();
    }
    writer->CloseNode();
}

} // namespace Gathrix
