#pragma once
// The report's stylesheet applied to result files with Windows' own XSLT processor (MSXML 6),
// with every file read by the collector itself: MSXML reads a path as a URL (so "%41" in a folder
// name becomes "A", and Wine's MSXML does not read a non-ASCII path through document() at all),
// and it loads a file through a stream that grows chunk by chunk (quadratic time for a large page).
// So the stylesheet and its includes are put together in memory, the navigation and the log are
// read once and handed to each page inside the transform's input, and document() stays off.

#include "common/Handles.h"

#include <cstdint>
#include <memory>
#include <string>

struct IXMLDOMDocument2;

namespace Gathrix {

// Why a page could not be rendered; `writeError` is the system error when its file could not be
// written, else 0.
struct RenderFailure {
    std::wstring reason;
    std::uint32_t writeError = 0;
};

class PageTransform {
public:
    // A result file loaded.
    class Page {
    public:
        Page();
        ~Page();
        Page(const Page&) = delete;
        Page& operator=(const Page&) = delete;

    private:
        friend class PageTransform;
        ComPtr<IXMLDOMDocument2> document;
    };

    // Puts the stylesheet of `dataFolder`\stylesheet together and reads the navigation. Throws
    // RenderFailure. COM must be initialised on the calling thread.
    explicit PageTransform(const std::wstring& dataFolder);
    ~PageTransform();
    PageTransform(const PageTransform&) = delete;
    PageTransform& operator=(const PageTransform&) = delete;

    // The result file `name` of the data folder, loaded. Throws RenderFailure when it cannot be
    // read or is not a page of the report.
    std::unique_ptr<Page> LoadPage(const std::wstring& name);
    // Whether the page shows the collector's log (which must then be complete and loaded).
    static bool ShowsLog(Page& page);
    // Reads the log (once; later calls do nothing). Throws RenderFailure.
    void LoadLog();
    // Writes the page as `htmlName` beside its result file, whole or not at all. Throws RenderFailure.
    void Render(Page& page, const std::wstring& htmlName);

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};

} // namespace Gathrix
