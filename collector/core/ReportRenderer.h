#pragma once
// Renders the report's pages at collection time: every result file X.xml of the data folder
// becomes X.html beside it, made with the report's own stylesheets, so that no browser needs
// XSLT to show the report. Windows' own XSLT processor (MSXML 6, through COM) does the work.

#include <functional>
#include <string>

namespace Gathrix {

struct ReportRenderSummary {
    unsigned pages = 0;     // result files found
    unsigned rendered = 0;  // of them, written as HTML
    unsigned milliseconds = 0;
    unsigned logPages = 0;  // pages that show the log, rendered after `beforeLogPages`
};

// Renders one page at a time, in the folder's order, except the pages that show the collector's
// log: `beforeLogPages` is called first with the figures so far (it logs them and flushes the XML
// log), so that those pages show the complete log. A page that can't be rendered gets a WARNING
// and an HTML file that opens its XML view. `dataFolder` is the folder of the result files and of
// the stylesheet folder.
ReportRenderSummary RenderReportPages(const std::wstring& dataFolder,
                                      const std::function<void(const ReportRenderSummary&)>& beforeLogPages);

} // namespace Gathrix
