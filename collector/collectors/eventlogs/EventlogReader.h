#pragma once
// Reads one Windows event log for the report, newest event first, through the event-log API of
// Vista and later or, where that can't be loaded, the classic API. The report ends a log at the
// first event older than 30 days before the run's first read, and after 60000 events.

#include "collector/collectors/eventlogs/EventlogApi.h"
#include "collector/collectors/eventlogs/EventlogApiWin2000.h"
#include "collector/platform/WaitBounds.h"
#include "common/DateTime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Gathrix {

// One event as the report shows it.
struct EventlogEntry {
    // All texts empty; the time is the moment the record is made.
    EventlogEntry();
    // An empty record filled from the event unless it is null.
    explicit EventlogEntry(WevtlogApi::Event* event);

    // Reads the event's values in a fixed order. A message that can't be formatted becomes
    // "-no message found-" (WARNING); any other failed value ends the filling (ERROR) and the
    // record keeps what was read.
    void Fill(WevtlogApi::Event& event);

    std::wstring eventId;
    std::wstring source;
    std::wstring user;
    std::wstring message;
    std::wstring levelText;
    std::wstring levelName;
    // 0 until read; a record whose filling failed before the level keeps 0 and the type word
    // "unknown".
    std::uint8_t level = 0;
    DateTime timeCreated;
    // The report's icon word for the level, named by the interface that read the event.
    std::wstring typeWord = L"unknown";
};

class EventlogReader {
public:
    static constexpr std::uint64_t RetentionWindow = 2592000000ull;  // 30 days in milliseconds
    static constexpr std::uint32_t MaximumEvents = 60000;

    // Chooses and opens the API; never throws: failures are logged and the reader stays empty.
    explicit EventlogReader(std::wstring logName);
    // The same, the classic API calling these functions where it is chosen (tests serve
    // hand-made records through them), the newer API waiting at most `nextEventBound`
    // milliseconds for each event.
    EventlogReader(std::wstring logName, ClassicEventLogFunctions classicFunctions,
                   std::uint32_t nextEventBound = WaitBounds::EventlogNextEventMilliseconds);
    ~EventlogReader();
    EventlogReader(const EventlogReader&) = delete;
    EventlogReader& operator=(const EventlogReader&) = delete;

    // The next event to report, with `more` true; `more` false when the log has ended for the
    // report (the record returned then is empty). A read failure of the API other than the end
    // of the log passes out as WinApiException, a time that can't be represented as
    // MessageException.
    EventlogEntry ReadNext(bool& more);

    // The start of the 30-day window, taken at the first ReadNext of the process; empty before.
    static const std::optional<DateTime>& RunStart() { return runStart; }

    // For tests: makes the reader use this API object (already opened) instead of its own.
    EventlogReader(std::wstring logName, std::unique_ptr<WevtlogApi> openedApi);

private:
    static inline std::optional<DateTime> runStart;

    std::wstring logName;
    std::unique_ptr<WevtlogApi> api;
    std::uint32_t deliveredCount = 0;
};

} // namespace Gathrix
