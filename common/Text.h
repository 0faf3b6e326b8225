#pragma once
// Text helpers shared by the whole collector and the wizard. Text is UTF-16 everywhere;
// UTF-8 only at the XML library's boundary.

#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix::Utils {

// Lowers every UTF-16 unit on its own with the user's default locale (beyond ASCII too);
// the result always has the input's length, which the case-insensitive replacement relies on.
std::wstring ToLower(const std::wstring& text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);

// Replaces in `target` the places where `find` occurs in `search` (both of one length);
// replacement text is never searched again. Returns the number of replacements.
unsigned ReplaceAll(const std::wstring& search, std::wstring& target, const std::wstring& find,
                    const std::wstring& replacement);
unsigned ReplaceAllNoCase(std::wstring& text, const std::wstring& find, const std::wstring& replacement);

void NormalizeBackslashes(std::wstring& text);
void NormalizeForwardSlashes(std::wstring& text);
std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& delimiter);
std::wstring MakeValidFileName(const std::wstring& text);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// A relative file path as a URL path: "\" becomes "/", every UTF-8 byte other than a letter,
// a digit, "-", ".", "_", "~" and "/" becomes %XX, so that "#", "?", "%", "&" and blanks in a file
// name stay part of the name when a browser follows the link.
std::wstring EscapeUrlPath(const std::wstring& path);

} // namespace Gathrix::Utils

namespace Gathrix::System {

// The system's message for a Windows error code, line ends folded, followed by
// " (error code: N)"; "error code: N" alone when the system has no message.
std::wstring GetErrorText(std::uint32_t errorCode);

// Account and domain name of a SID, cached per process (failures too).
bool LookupAccountBySid(void* sid, std::wstring& accountName, std::wstring& domainName);

} // namespace Gathrix::System
