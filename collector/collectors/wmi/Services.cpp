#include "collector/collectors/wmi/Services.h"

#include "collector/collectors/wmi/ServiceFiles.h"
#include "collector/collectors/wmi/WmiJob.h"
#include "collector/result/ResultFileWriter.h"

namespace Gathrix {

void Services::GetChildren(std::vector<ITreeElement*>& list) const {
    for (const auto& child : children)
        list.push_back(child.get());
}

void Services::Collect() {
    CollectWmiJob(*this, L"select * from Win32_Service", [this](const WMIRows& rows) { WriteRows(rows); });
}

void Services::WriteRows(const WMIRows& rows) {
    for (const WMIRow& row : rows) {
        auto text = [&row](const wchar_t* name) { return RowText(row, name); };
        // showNumOfChildren "false" although the element has children: the report shows no count.
        writer->OpenNode(L"TreeElement");
        writer->AddAttribute(L"showNumOfChildren", L"false");
        writer->AddAttribute(L"type", L"service");
        writer->OpenNodeWithText(L"Value", text(L"DisplayName"));
        writer->CloseNode();
        WriteServiceFiles(*writer, text(L"PathName"));
        const std::wstring leaves[] = {
            L"Service Name: " + text(L"Name"),
            L"Caption: " + text(L"Caption"),
            L"State: " + text(L"State") + L"; Status: " + text(L"Status"),
            L"Interacts with desktop: " + text(L"DesktopInteract"),
            L"Is started: " + text(L"Started") + L" (start mode: " + text(L"StartMode") + L")",
            L"User: " + text(L"StartName"),
            L"Stoppable: " + text(L"AcceptStop") + L"; Pausable: " + text(L"AcceptPause"),
            L"Exit code: " + text(L"ExitCode") + L"; service specific exit code: " + text(L"ServiceSpecificExitCode"),
            L"Type: " + text(L"ServiceType"),
            L"Checkpoint: " + text(L"CheckPoint"),
            L"Wait hint: " + text(L"WaitHint"),
        };
        for (const std::wstring& leaf : leaves)
            WriteLeaf(*writer, leaf, L"serviceinfo");
        writer->CloseNode();
    }
}

} // namespace Gathrix
