#pragma once
// The "WindowsEventlog" job: the events of one Windows event log of the last 30 days, newest
// first, as one tree element with one element per event (its message and its user inside).

#include "collector/collectors/eventlogs/EventlogReader.h"
#include "collector/result/JobModel.h"

#include <cstdint>
#include <string>

namespace Gathrix {

class EventlogInfo : public ITreeElement {
public:
    explicit EventlogInfo(std::wstring logName);
    // The same job, its reader given these functions for the classic API and this bound for each
    // event of the newer one (see EventlogReader).
    EventlogInfo(std::wstring logName, ClassicEventLogFunctions classicFunctions,
                 std::uint32_t nextEventBound = WaitBounds::EventlogNextEventMilliseconds);

    // Events are streamed: each one is written before the next is read. A read failure in the
    // middle of the log (an event not delivered within the bound among them) ends the log's
    // element with an error leaf after the events read so far.
    void Collect() override;

    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"winevtlog"; }
    std::wstring GetValue() const override { return std::wstring(); }

    const std::wstring& GetLogName() const { return logName; }

    // "[" level name "] " time ": " source " (Message ID: " id ")".
    static std::wstring EventCaption(const EventlogEntry& entry);

private:
    std::wstring logName;
    ClassicEventLogFunctions classicFunctions;
    std::uint32_t nextEventBound;
};

} // namespace Gathrix
