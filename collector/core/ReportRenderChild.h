#pragma once
// The report's pages are rendered in a child process: the collector's own program, started again
// with kRenderPagesSwitch and a pipe name, entered before the command line is read and before the
// single-instance mutex. Whatever the XSLT processor does there (throw, run out of memory, crash,
// hang), the collector's process and the archive are not touched: the collector bounds each page and
// the whole render, and stands in for what failed (see ReportRenderer.h).
//
// The two talk over a named pipe that the child opens itself, so no handle of the collector's is
// inherited by the child or by anything the child starts; the child has no standard handles.
// Messages are a 4-byte length and UTF-8 fields separated by NUL:
//   collector -> child: "render", data folder, "0"/"1" (the log is complete), result file names...
//                       "log" (the log is complete now)
//   child -> collector: "begin" i, "rendered" i, "failed" i reason write-error, "deferred" i
//                       (a page that shows the log, held until the log is complete), "waiting"
//                       (every other page is done), "done"

#include <functional>
#include <string>
#include <vector>

namespace Gathrix {

extern const wchar_t* const kRenderPagesSwitch;

namespace RenderProtocol {

using Message = std::vector<std::wstring>;

std::string Encode(const Message& message);
// Takes one complete message off the front of `received`; false when none is complete yet.
bool Take(std::string& received, Message& message);

} // namespace RenderProtocol

// The child's whole life: connects to the collector's pipe, renders what it is asked and returns
// the process exit code (0 when it was told everything). `beforePage` is called with each page's
// name before the page is loaded (tests make pages fail there).
int RunReportRenderChild(const std::wstring& pipeName,
                         const std::function<void(const std::wstring&)>& beforePage = nullptr);

} // namespace Gathrix
