#pragma once
// The report viewer: index page, stylesheets, style, script and images that a browser needs to
// show the result files offline. They are resources of the collector and are written into the
// working folder (the current folder) before any job runs.

#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix {

struct ReportViewerResource {
    const wchar_t* type;  // "HTML" and "Icon" name standard types, any other text a custom one
    std::uint16_t id;
    const wchar_t* targetPath;  // relative to the working folder
};

// The files in the order they are written.
const std::vector<ReportViewerResource>& ReportViewerResources();

// Writes every file of the table; a file that can't be written is left out, with an ERROR in the
// log that names it, and the others are still written.
void ExtractReportViewerResources();

// Writes one resource of the program's own module to the target, replacing it; a resource that
// is missing skips it silently, a write that fails is logged (and leaves no half file).
void ExtractResourceToFile(std::uint16_t id, const std::wstring& type, const std::wstring& targetPath);

} // namespace Gathrix
