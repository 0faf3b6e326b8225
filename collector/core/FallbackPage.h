#pragma once
// The HTML pages that stand in for report pages the collector could not make: the navigation and
// the other pages link to X.html, so X.html always says something a person can read.

#include <string>

namespace Gathrix {

// For a result file whose page could not be rendered: the reason, a link to the result file, and
// the file's collected values as plain text in nested lists (read in pieces, without recursion,
// and cut off after some megabytes, where the page says so). `dataFolder` holds `resultFile`.
std::string FallbackPage(const std::wstring& dataFolder, const std::wstring& resultFile, const std::wstring& reason);

// For a result file that could not be written: that it is missing and why.
std::string UnwrittenResultPage(const std::wstring& resultFile, const std::wstring& reason);

} // namespace Gathrix
