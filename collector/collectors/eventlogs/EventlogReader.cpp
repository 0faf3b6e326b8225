#include "collector/collectors/eventlogs/EventlogReader.h"

#include "collector/collectors/eventlogs/EventlogApiVista.h"
#include "collector/collectors/eventlogs/EventlogApiWin2000.h"
#include "common/Exceptions.h"
#include "common/Logging.h"

#include <utility>

namespace Gathrix {

using Logging::Logger;

EventlogEntry::EventlogEntry() : timeCreated(DateTime::NowUtc()) {}

EventlogEntry::EventlogEntry(WevtlogApi::Event* event) : EventlogEntry() {
    if (event)
        Fill(*event);
}

void EventlogEntry::Fill(WevtlogApi::Event& event) {
    try {
        eventId = event.GetEventId();
        level = event.GetLevel();
        typeWord = EventLevelNames::TypeWord(event.GetInterface(), level);
        levelText = event.GetLevelText();
        levelName = event.GetLevelName();
        source = event.GetSource();
        try {
            message = event.GetMessage();
        } catch (const WinApiException& exception) {
            message = L"-no message found-";
            Logger::Instance().Log(Logging::Warning,
                                   L"Error extracting message from event log entry: " + exception.GetMessageText());
        }
        user = event.GetUser();
        timeCreated = event.GetTimeCreated();
    } catch (const WinApiException& exception) {
        Logger::Instance().Log(Logging::Error,
                               L"Error extracting values from event log entry: " + exception.GetMessageText());
    }
}

EventlogReader::EventlogReader(std::wstring name) : EventlogReader(std::move(name), ClassicEventLogFunctions::System()) {}

EventlogReader::EventlogReader(std::wstring name, ClassicEventLogFunctions classicFunctions,
                               std::uint32_t nextEventBound)
    : logName(std::move(name)) {
    try {
        api = std::make_unique<WevtlogApiWinVista>(nextEventBound);
    } catch (const MessageException&) {
        // Windows 2000 and XP have no wevtapi.dll: the classic API reads the log there.
        try {
            api = std::make_unique<WevtlogApiWin2000>(classicFunctions);
        } catch (const MessageException&) {
            Logger::Instance().Log(Logging::Error, L"Unable to open windows eventlog API.");
            return;
        }
    }
    try {
        api->OpenProtocol(logName);
    } catch (const MessageException& exception) {
        Logger::Instance().Log(Logging::Error,
                               L"Unable to open eventlog '" + logName + L"': " + exception.GetMessageText());
        api.reset();
    }
}

EventlogReader::EventlogReader(std::wstring name, std::unique_ptr<WevtlogApi> openedApi)
    : logName(std::move(name)), api(std::move(openedApi)) {}

EventlogReader::~EventlogReader() = default;

EventlogEntry EventlogReader::ReadNext(bool& more) {
    // One window for the whole run: later logs are measured against the same start.
    if (!runStart)
        runStart = DateTime::NowUtc();
    more = false;
    if (!api)
        return EventlogEntry();
    std::unique_ptr<WevtlogApi::Event> event(api->GetNextEvent());
    if (!event)
        return EventlogEntry();
    EventlogEntry entry(event.get());
    event.reset();

    // Events come newest first: the first one older than the window ends the log.
    if (runStart->MillisecondsSince(entry.timeCreated) > RetentionWindow)
        return EventlogEntry();
    if (deliveredCount >= MaximumEvents)
        return EventlogEntry();
    more = true;
    ++deliveredCount;
    return entry;
}

} // namespace Gathrix
