#pragma once
// What the jobs that read file paths from the registry share: a path text (a Run entry, a
// service's image, a COM server) written as the file properties of every file it names, in both
// file-system views.

#include <string>

namespace Gathrix {

class ResultFileWriter;

// Writes one "fileinfo" element per file the text names, each captioned with its full path; a
// text that names no existing file writes nothing.
void WriteFilePropertiesNamedBy(const std::wstring& pathText, ResultFileWriter* writer);

} // namespace Gathrix
