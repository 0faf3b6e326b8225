#include "collector/core/ConsoleStatus.h"

#include <windows.h>

namespace Gathrix {

namespace {

// Taken by the first successful console query and never refreshed: every status text starts
// where the first one started.
struct ConsoleState {
    bool queried = false;
    HANDLE output = nullptr;
    COORD origin{};
    DWORD cells = 0;
    std::wstring held;  // shown while the process had no standard output: goes out with the next text
};

ConsoleState& State() {
    static ConsoleState state;
    return state;
}

void WriteText(HANDLE output, const std::wstring& text) {
    if (output == nullptr || output == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        // The console takes UTF-16 as it is: no code page can lose a character here.
        const wchar_t* rest = text.c_str();
        DWORD left = static_cast<DWORD>(text.size());
        while (left > 0) {
            DWORD written = 0;
            if (!WriteConsoleW(output, rest, left, &written, nullptr) || written == 0)
                return;
            rest += written;
            left -= written;
        }
        return;
    }
    std::string bytes = EncodeForPipe(text);
    const char* rest = bytes.data();
    DWORD left = static_cast<DWORD>(bytes.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(output, rest, left, &written, nullptr) || written == 0)
            return;
        rest += written;
        left -= written;
    }
}

} // namespace

std::string EncodeForPipe(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n')
            bytes += "\r\n";
        else if (static_cast<unsigned>(c) <= 0xFF)
            bytes += static_cast<char>(static_cast<unsigned char>(c));
        else
            bytes += '?';
    }
    return bytes;
}

void PrintStatus(const std::wstring& text) {
    ConsoleState& state = State();
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!state.queried) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(output, &info)) {
            state.output = output;
            state.origin = info.dwCursorPosition;
            state.cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
            state.queried = true;
        }
    }
    if (state.queried) {
        DWORD filled = 0;
        if (FillConsoleOutputCharacterW(state.output, L' ', state.cells, state.origin, &filled))
            SetConsoleCursorPosition(state.output, state.origin);
        output = state.output;
    }
    // While the standard handles are hidden (the report's rendering), a text such as a log's
    // failure would be lost for good: it waits for the next one.
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        state.held += text;
        return;
    }
    WriteText(output, state.held + text);
    state.held.clear();
}

std::wstring FormatProgress(std::uint32_t index, std::uint32_t total, const std::wstring& level1,
                            const std::wstring& level2, const std::wstring& level3) {
    std::wstring line = std::to_wstring(index) + L"/" + std::to_wstring(total);
    if (!level1.empty()) {
        line += L": " + level1;
        if (!level2.empty()) {
            line += L" -> " + level2;
            if (!level3.empty())
                line += L" -> " + level3;
        }
    }
    return line + L"...\n";
}

void PrintProgress(std::uint32_t index, std::uint32_t total, const std::wstring& level1,
                   const std::wstring& level2, const std::wstring& level3) {
    PrintStatus(FormatProgress(index, total, level1, level2, level3));
}

} // namespace Gathrix
