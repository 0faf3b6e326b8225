#pragma once
// The classic event-log API of advapi32 (Windows 2000 and XP): records are read in blocks of
// whole EVENTLOGRECORD structures, newest first. A classic record carries only the insertion
// strings of its message, so the message is formatted here from the message files that the
// event's source registers under the EventLog service key.

#include "collector/collectors/eventlogs/EventlogApi.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Gathrix {

// The three calls of the classic API; tests hand in their own to serve hand-made records.
struct ClassicEventLogFunctions {
    HANDLE(WINAPI* open)(LPCWSTR server, LPCWSTR source);
    BOOL(WINAPI* read)(HANDLE log, DWORD flags, DWORD offset, LPVOID buffer, DWORD size, DWORD* bytesRead,
                       DWORD* bytesNeeded);
    BOOL(WINAPI* close)(HANDLE log);

    static ClassicEventLogFunctions System();
};

class WevtlogApiWin2000 : public WevtlogApi {
public:
    static constexpr size_t FirstBufferSize = 2000;
    static constexpr size_t InsertionCount = 100;

    class EventWin2000 : public Event {
    public:
        // `record` is one whole record, exactly its Length bytes.
        EventWin2000(std::vector<BYTE> record, std::wstring logName);

        std::wstring GetEventId() override;
        std::uint8_t GetLevel() override;
        std::wstring GetLevelName() override;
        std::wstring GetLevelText() override;
        DateTime GetTimeCreated() override;
        std::wstring GetUser() override;
        std::wstring GetMessage() override;
        std::wstring GetSource() override;
        EventLevelNames::Interface GetInterface() const override { return EventLevelNames::Interface::Win2000; }

        // The candidate paths of the source's "EventMessageFile" value, in order; empty (with a
        // DEBUG line) when the value can't be read.
        std::vector<std::wstring> GetMessageFiles();
        // "%1" to "%100", the first of them replaced by the record's insertion strings.
        std::vector<std::wstring> GetInsertionStrings() const;
        // The first message for the id that a file (or, once a file is loaded, the system)
        // knows; empty when none does.
        static std::wstring FormatFromMessageFiles(const std::vector<std::wstring>& files, DWORD messageId,
                                                   const std::vector<std::wstring>& texts);
        static HMODULE LoadMessageFile(const std::wstring& path);
        // Replaces each "%%" and number by the message of that number.
        static void ResolveParameterInserts(const std::vector<std::wstring>& files, std::wstring& message);

        const EVENTLOGRECORD& Header() const { return header; }

    private:
        // The zero-terminated text at `offset`, cut at the record's end.
        std::wstring TextAt(size_t offset, size_t* next = nullptr) const;

        std::vector<BYTE> record;
        EVENTLOGRECORD header;
        std::wstring logName;
    };

    explicit WevtlogApiWin2000(ClassicEventLogFunctions functions = ClassicEventLogFunctions::System());
    ~WevtlogApiWin2000() override;
    WevtlogApiWin2000(const WevtlogApiWin2000&) = delete;
    WevtlogApiWin2000& operator=(const WevtlogApiWin2000&) = delete;

    void OpenProtocol(const std::wstring& logName) override;
    Event* GetNextEvent() override;
    // Reads the next block into the buffer; 0 bytes at the end of the log.
    void ReadBlock(DWORD& byteCount);

    size_t GetBufferSize() const { return buffer.size(); }

private:
    void CloseLog();

    ClassicEventLogFunctions functions;
    std::wstring logName;
    HANDLE log = nullptr;
    std::vector<BYTE> buffer;
    size_t current = 0;  // offset of the next record in the buffer
    size_t end = 0;      // one past the block's last byte
    bool atEnd = true;   // no block, or the log has ended
};

} // namespace Gathrix
