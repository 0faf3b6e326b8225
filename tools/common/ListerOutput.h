#pragma once
// How the listers put text on standard output: one byte per UTF-16 code unit, the byte having the
// unit's value for every unit below 256 and '?' for the others. The collector reads each byte back
// as the character of the same value. A wide C runtime stream would stop writing altogether at
// the first unit it cannot convert, losing every later record.

#include <windows.h>

#include <string>

namespace Gathrix::Listers {

inline std::string ToOutputBytes(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t unit : text)
        bytes.push_back(static_cast<unsigned>(unit) < 256 ? static_cast<char>(static_cast<unsigned char>(unit)) : '?');
    return bytes;
}

// Every "\n" becomes "\r\n", as the C runtime's text mode writes it.
inline std::string WithCrLf(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n')
            bytes.push_back('\r');
        bytes.push_back(c);
    }
    return bytes;
}

// Writes the bytes to standard output at once (nothing is buffered in the process). A failed or
// short write is not retried: the reader sees the output end there.
inline void WriteOut(const std::string& bytes) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || bytes.empty())
        return;
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace Gathrix::Listers
