#pragma once
// Renders the report's pages at collection time: every result file X.xml of this run becomes X.html
// beside it, made with the report's own stylesheets, so that no browser needs XSLT to show the
// report. Windows' own XSLT processor (MSXML 6) does the work, in a child process (see
// ReportRenderChild.h): a processor that throws, runs out of memory, crashes or hangs costs only
// the pages it did not finish, never the collection or its archive.

#include "collector/result/ResultFileRecords.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Gathrix {

struct ReportRenderSummary {
    unsigned pages = 0;     // this run's result files
    unsigned rendered = 0;  // of them, written as HTML
    unsigned milliseconds = 0;
    unsigned logPages = 0;  // pages that show the log, rendered after `beforeLogPages`
};

struct ReportRenderOptions {
    // The program started to render (with kRenderPagesSwitch); empty: this process's own program.
    std::wstring program;
    // A page still rendering after this is given up, and the child is started anew for the rest.
    std::uint32_t pageLimitMs = 5 * 60 * 1000;
    // Pages not rendered when this has passed since the start are given up.
    std::uint32_t totalLimitMs = 15 * 60 * 1000;
};

// Renders the pages of `files` (this run's result files in the data folder `dataFolder`, which
// also holds the stylesheet folder, the navigation and the log; "Navigation.xml" and
// "Logfile.xml" are no pages) one at a time, except the pages that show the collector's log:
// `beforeLogPages` is called first with the figures so far (it logs them and flushes the XML log),
// so that those pages show the complete log.
// A page that cannot be rendered gets a WARNING with the reason, and in its place a page with the
// reason, a link to the result file and the file's values as text. A file whose save failed gets a
// page that says so. A page file that cannot be written is an ERROR naming it (ReportWriteFailure).
// Never throws for a page; the summary counts what was rendered.
ReportRenderSummary RenderReportPages(const std::wstring& dataFolder, const std::vector<ResultFileRecord>& files,
                                      const std::function<void(const ReportRenderSummary&)>& beforeLogPages,
                                      const ReportRenderOptions& options = {});

} // namespace Gathrix
