#pragma once
// Well-formedness check of an XML file by an independent, strict parser (the system's MSXML,
// which rejects what XML 1.0 forbids, such as character references to control characters).

#include <string>

namespace Gathrix::Testing {

// True when the file is well-formed XML; otherwise false and `reason` holds the parser's text.
bool IsWellFormedXmlFile(const std::wstring& path, std::wstring* reason = nullptr);

} // namespace Gathrix::Testing
