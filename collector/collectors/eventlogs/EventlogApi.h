#pragma once
// The two ways of reading a Windows event log behind one interface: the event-log API of Vista
// and later (wevtapi.dll) and the classic one of Windows 2000 and XP (advapi32). The reader asks
// for one event after another, newest first; every value of an event is read on request.

#include "common/DateTime.h"

#include <cstdint>
#include <string>

namespace Gathrix {

// Names and icon words of the event levels. The classic interface reports the event type of the
// record, the newer one the event level: the same number means different things.
namespace EventLevelNames {

enum class Interface { Win2000, WinVista };

std::wstring Name(Interface api, std::uint32_t level);
// The report's icon word for a level.
std::wstring TypeWord(Interface api, std::uint32_t level);

} // namespace EventLevelNames

class WevtlogApi {
public:
    class Event {
    public:
        virtual ~Event() = default;
        virtual std::wstring GetEventId() = 0;
        virtual std::uint8_t GetLevel() = 0;
        virtual std::wstring GetLevelName() = 0;
        virtual std::wstring GetLevelText() = 0;
        virtual DateTime GetTimeCreated() = 0;
        // Domain, "\" and account of the event's user; "-unknown-" when it can't be named.
        virtual std::wstring GetUser() = 0;
        virtual std::wstring GetMessage() = 0;
        virtual std::wstring GetSource() = 0;
        // Which interface read the event: the two number their levels differently (the classic
        // event type 2 is a warning, the newer level 2 an error).
        virtual EventLevelNames::Interface GetInterface() const = 0;
    };

    // Opens the log for reading, newest event first; throws a MessageException on failure.
    virtual void OpenProtocol(const std::wstring& logName) = 0;
    // The next event, owned by the caller, or null at the end of the log. Throws MessageException
    // "call OpenProtocol() first" when no log is open, WinApiException when reading fails.
    virtual Event* GetNextEvent() = 0;
    virtual ~WevtlogApi() = default;
};

} // namespace Gathrix
