#include "collector/collectors/wmi/WmiJob.h"

#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"

#include <memory>

namespace Gathrix {

namespace {

ResultFileWriter& WriterOf(const ITreeElement& job) {
    if (job.writer == nullptr)
        throw MessageException(L"Result file writer not initialized");
    return *job.writer;
}

} // namespace

void CollectWmiJob(ITreeElement& job, const std::wstring& wql, const WriteRowsFunction& writeRows) {
    WriterOf(job);
    WMIObject wmi;
    const bool connected = wmi.Connect(L"ROOT\\CIMV2");
    WriteWmiJobElement(job, connected, [&] { return wmi.Query(wql); }, writeRows);
}

void WriteWmiJobElement(ITreeElement& job, bool connected, const std::function<WMIRows()>& query,
                        const WriteRowsFunction& writeRows) {
    ResultFileWriter& writer = WriterOf(job);
    writer.OpenNode(L"TreeElement");
    writer.AddAttribute(L"showNumOfChildren", job.GetShowNumOfChildren());
    writer.AddAttribute(L"type", job.GetType());
    writer.OpenNodeWithText(L"Value", job.GetValue());
    writer.CloseNode();
    // Failures are already logged where WMI gave up; the report shows the job's error in place of
    // rows.
    const wchar_t* error = connected ? nullptr : L"Error: No access to WMI";
    WMIRows rows;
    if (connected) {
        try {
            rows = query();
        } catch (const WMIQueryTimedOut&) {
            error = L"Error: WMI query timed out";
        } catch (const WMIObjectException&) {
            error = L"Error: No access to WMI";
        }
    }
    if (error == nullptr)
        writeRows(rows);
    else
        WriteLeaf(writer, error, L"lvlerror");
    writer.CloseNode();
}

const WMIValue& RowValue(const WMIRow& row, const std::wstring& name) {
    static const WMIValue missing;
    const auto found = row.find(name);
    return found == row.end() ? missing : found->second;
}

void WriteLeaf(ResultFileWriter& writer, const std::wstring& caption, const std::wstring& type) {
    TreeElementLeaf leaf(caption, type);
    leaf.writer = &writer;
    leaf.Collect();
}

void AddLeaf(TreeElementGroup& group, const std::wstring& caption, const std::wstring& type) {
    auto leaf = std::make_unique<TreeElementLeaf>(caption, type);
    group.AddJobItem(leaf.get());
    leaf.release();
}

} // namespace Gathrix
