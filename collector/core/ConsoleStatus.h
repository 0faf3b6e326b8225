#pragma once
// The collector's console status: one status text at a time. On a console each text replaces the
// previous one in place; through a pipe or into a file (the wizard's case) the texts follow each
// other.

#include <cstdint>
#include <string>

namespace Gathrix {

// A text printed while the process has no standard output is shown with the next text.
void PrintStatus(const std::wstring& text);

// "index/total: level1 -> level2 -> level3..." and a line end; a level is shown only when it and
// every level before it are set.
void PrintProgress(std::uint32_t index, std::uint32_t total, const std::wstring& level1,
                   const std::wstring& level2, const std::wstring& level3);

// The line PrintProgress shows.
std::wstring FormatProgress(std::uint32_t index, std::uint32_t total, const std::wstring& level1,
                            const std::wstring& level2, const std::wstring& level3);

// The bytes a text becomes on a pipe or in a file: each character up to U+00FF as one byte, '?'
// for any other, and every line feed preceded by a carriage return (text mode).
std::string EncodeForPipe(const std::wstring& text);

} // namespace Gathrix
