#include "collector/collectors/wmi/InstalledDrivers.h"

#include "collector/collectors/wmi/ServiceFiles.h"
#include "collector/collectors/wmi/WmiJob.h"
#include "collector/result/ResultFileWriter.h"

namespace Gathrix {

void InstalledDrivers::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void InstalledDrivers::Collect() {
    CollectWmiJob(*this, L"select * from Win32_SystemDriver", [this](const WMIRows& rows) { WriteDrivers(rows); });
}

void InstalledDrivers::WriteDrivers(const WMIRows& rows) {
    for (const WMIRow& row : rows) {
        // showNumOfChildren "false" although the element has children: the report shows no count.
        writer->OpenNode(L"TreeElement");
        writer->AddAttribute(L"showNumOfChildren", L"false");
        writer->AddAttribute(L"type", L"serviceinfo");
        writer->OpenNodeWithText(L"Value", RowText(row, L"Name"));
        writer->CloseNode();
        WriteLeaf(*writer, L"Display name: " + RowText(row, L"DisplayName"), L"serviceinfo");
        WriteLeaf(*writer, L"Service name: " + RowText(row, L"Name"), L"serviceinfo");
        WriteLeaf(*writer, L"Service type: " + RowText(row, L"ServiceType"), L"serviceinfo");
        WriteLeaf(*writer, L"State: " + RowText(row, L"State") + L"; Status: " + RowText(row, L"Status"),
                  L"serviceinfo");
        WriteLeaf(*writer,
                  L"Is started: " + RowText(row, L"Started") + L" (start mode: " + RowText(row, L"StartMode") + L")",
                  L"serviceinfo");
        WriteServiceFiles(*writer, RowText(row, L"PathName"));
        writer->CloseNode();
    }
}

} // namespace Gathrix
