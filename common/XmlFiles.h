#pragma once
// The collector's side of the XML library's boundary: texts become UTF-8 that every XML reader
// accepts, and files are opened by wide path (the library's narrow paths go through the ANSI
// code page, where non-ASCII names fail).

#include <cstdint>
#include <string>

class TiXmlDocument;

namespace Gathrix::Utils {

// UTF-8 of `text` with every code unit that XML 1.0 cannot carry (controls other than tab,
// line feed and carriage return; U+FFFE, U+FFFF) replaced by U+FFFD.
std::string ToXmlUtf8(const std::wstring& text);

// Loads `document` from the file; false (document left as the library leaves it) when the file
// cannot be opened or parsed. With keepWhiteSpace the texts are read exactly as written.
bool LoadXmlFile(TiXmlDocument& document, const std::wstring& path, bool keepWhiteSpace = false);
// Prints `document` into the file, replacing it: ERROR_SUCCESS, or the system error of the step
// that failed (a file left half-written is deleted). The caller reports a failure.
std::uint32_t SaveXmlFile(const TiXmlDocument& document, const std::wstring& path);
// The same bytes, printed into one buffer and written at once: the library prints each piece
// through the C runtime's formatted output, which costs more than the rest of a result file's
// writing. For documents made in memory or read from a file without a byte-order mark (the
// library keeps a read mark to itself and writes it again).
std::uint32_t SaveXmlFileInOneWrite(const TiXmlDocument& document, const std::wstring& path);
// The bytes SaveXmlFileInOneWrite writes; false where the document holds a node (a comment, say)
// that only the library's own printer knows.
bool PrintXmlDocument(const TiXmlDocument& document, std::string& printed);

} // namespace Gathrix::Utils
