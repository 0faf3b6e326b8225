#pragma once
// Hand-made EVENTLOGRECORDs and a stand-in for the classic event-log calls that serves them (Wine's
// ReadEventLogW reads no event).

#include "collector/collectors/eventlogs/EventlogApiWin2000.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <vector>

namespace Gathrix::Testing {

struct RecordSpec {
    DWORD eventId = 1000;
    WORD eventType = 4;
    DWORD timeGenerated = 1600000000;
    std::wstring source = L"GathrixSource";
    std::string sid;  // SID bytes; empty: none
    std::vector<std::wstring> strings;
};

inline void Append(std::vector<BYTE>& bytes, const void* data, size_t size) {
    const BYTE* begin = static_cast<const BYTE*>(data);
    bytes.insert(bytes.end(), begin, begin + size);
}
inline void AppendText(std::vector<BYTE>& bytes, const std::wstring& text) { Append(bytes, text.c_str(), (text.size() + 1) * 2); }
inline void Align(std::vector<BYTE>& bytes) {
    while (bytes.size() % 4)
        bytes.push_back(0);
}

// One record as the system lays it out: fixed part, source, computer, SID, strings, length.
inline std::vector<BYTE> MakeRecord(const RecordSpec& spec) {
    EVENTLOGRECORD header = {};
    std::vector<BYTE> bytes(sizeof header, 0);
    AppendText(bytes, spec.source);
    AppendText(bytes, L"TESTPC");
    Align(bytes);
    header.UserSidOffset = static_cast<DWORD>(bytes.size());
    header.UserSidLength = static_cast<DWORD>(spec.sid.size());
    Append(bytes, spec.sid.data(), spec.sid.size());
    Align(bytes);
    header.StringOffset = static_cast<DWORD>(bytes.size());
    header.NumStrings = static_cast<WORD>(spec.strings.size());
    for (const auto& text : spec.strings)
        AppendText(bytes, text);
    Align(bytes);
    header.DataOffset = static_cast<DWORD>(bytes.size());
    header.Length = static_cast<DWORD>(bytes.size() + 4);
    header.Reserved = 0x654c664c;
    header.EventID = spec.eventId;
    header.EventType = spec.eventType;
    header.TimeGenerated = header.TimeWritten = spec.timeGenerated;
    Append(bytes, &header.Length, 4);
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

inline std::string SidBytes(const wchar_t* text) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text, &sid))
        return std::string();
    std::string bytes(static_cast<const char*>(sid), GetLengthSid(sid));
    LocalFree(sid);
    return bytes;
}

// The stand-in classic API: serves whole records newest first, as many as fit, 122 with the size
// needed when the next one does not fit, 38 at the end; optionally an error at one read call.
struct ClassicLog {
    static inline std::vector<std::vector<BYTE>> records;
    static inline size_t next = 0;
    static inline int reads = 0;
    static inline int failAtRead = -1;
    static inline DWORD failError = 0;
    static inline bool opened = false;
    static inline bool closed = false;

    static void Reset(std::vector<std::vector<BYTE>> newRecords) {
        records = std::move(newRecords);
        next = 0;
        reads = 0;
        failAtRead = -1;
        opened = closed = false;
    }
    static HANDLE WINAPI Open(LPCWSTR, LPCWSTR) {
        opened = true;
        return reinterpret_cast<HANDLE>(0x4711);
    }
    static BOOL WINAPI Read(HANDLE, DWORD flags, DWORD, LPVOID buffer, DWORD size, DWORD* bytesRead, DWORD* needed) {
        EXPECT_EQ(static_cast<DWORD>(EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ), flags);
        *bytesRead = *needed = 0;
        if (reads++ == failAtRead) {
            SetLastError(failError);
            return FALSE;
        }
        if (next >= records.size()) {
            SetLastError(ERROR_HANDLE_EOF);
            return FALSE;
        }
        if (records[next].size() > size) {
            *needed = static_cast<DWORD>(records[next].size());
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        BYTE* out = static_cast<BYTE*>(buffer);
        while (next < records.size() && *bytesRead + records[next].size() <= size) {
            std::memcpy(out + *bytesRead, records[next].data(), records[next].size());
            *bytesRead += static_cast<DWORD>(records[next].size());
            ++next;
        }
        return TRUE;
    }
    static BOOL WINAPI Close(HANDLE) {
        closed = true;
        return TRUE;
    }
    static ClassicEventLogFunctions Functions() { return {&Open, &Read, &Close}; }
};

} // namespace Gathrix::Testing
