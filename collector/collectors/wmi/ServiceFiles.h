#pragma once
// The executable or driver file of a service, as the services and drivers jobs report it.

#include <string>

namespace Gathrix {

class ResultFileWriter;

// Writes the file-properties element of every file the path text resolves to (both views of a
// 64-bit Windows, the 32-bit view's first); when it resolves to none, one "serviceinfo" leaf
// "Path: " followed by the path text exactly as delivered.
void WriteServiceFiles(ResultFileWriter& writer, const std::wstring& pathText);

} // namespace Gathrix
