#pragma once
// What the WMI jobs (logical disks, disk drives, CD-ROM drives, installed drivers, services)
// share: one connection per collection on "ROOT\CIMV2", the job's own element with its caption,
// the error leaf when WMI can't be reached, and reading a row's values by name.

#include "collector/collectors/wmi/WmiObject.h"
#include "collector/result/JobModel.h"

#include <functional>
#include <string>

namespace Gathrix {

using WriteRowsFunction = std::function<void(const WMIRows& rows)>;

// Connects, writes the job's element (WriteWmiJobElement) with the rows of `wql`, and ends the
// connection on every path. Throws MessageException when the job has no writer.
void CollectWmiJob(ITreeElement& job, const std::wstring& wql, const WriteRowsFunction& writeRows);

// The job's "TreeElement" (its showNumOfChildren, type and caption), holding either the single
// "lvlerror" leaf "Error: No access to WMI" or what `writeRows` writes for the rows `query`
// gives. The rows are asked for only when connected; a query that throws WMIObjectException
// (WMI gave up) also gives that leaf, one that throws WMIQueryTimedOut the leaf
// "Error: WMI query timed out".
void WriteWmiJobElement(ITreeElement& job, bool connected, const std::function<WMIRows()>& query,
                        const WriteRowsFunction& writeRows);

// A row's value by name; a name the row lacks reads as a default value (empty text, no holder).
const WMIValue& RowValue(const WMIRow& row, const std::wstring& name);
inline const std::wstring& RowText(const WMIRow& row, const std::wstring& name) { return RowValue(row, name).text; }

// Builds a leaf, gives it the writer and collects it at once.
void WriteLeaf(ResultFileWriter& writer, const std::wstring& caption, const std::wstring& type);
// Adds a new leaf to a group, which owns it.
void AddLeaf(TreeElementGroup& group, const std::wstring& caption, const std::wstring& type);

} // namespace Gathrix
