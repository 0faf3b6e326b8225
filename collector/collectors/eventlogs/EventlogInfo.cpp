#include "collector/collectors/eventlogs/EventlogInfo.h"

#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Logging.h"

#include <memory>
#include <new>
#include <utility>

namespace Gathrix {

EventlogInfo::EventlogInfo(std::wstring logName) : EventlogInfo(std::move(logName), ClassicEventLogFunctions::System()) {}

EventlogInfo::EventlogInfo(std::wstring logName, ClassicEventLogFunctions classicFunctions,
                           std::uint32_t nextEventBound)
    : logName(std::move(logName)), classicFunctions(classicFunctions), nextEventBound(nextEventBound) {}

std::wstring EventlogInfo::EventCaption(const EventlogEntry& entry) {
    return L"[" + entry.levelName + L"] " + entry.timeCreated.ToUtcString() + L": " + entry.source +
           L" (Message ID: " + entry.eventId + L")";
}

void EventlogInfo::Collect() {
    RequireWriter();
    EventlogReader reader(logName, classicFunctions, nextEventBound);

    // A read failure (the API failing in mid-log, a time it can't represent) ends this log only:
    // what was read is kept, and the failure closes the log's element.
    std::wstring failure;
    bool failed = false;
    bool more = false;
    EventlogEntry entry;
    // The first read comes before anything is written: the 30-day window of the run starts here
    // at the latest.
    try {
        entry = reader.ReadNext(more);
    } catch (const MessageException& exception) {
        failure = exception.GetMessageText();
        failed = true;
    }

    writer->OpenNode(L"TreeElement");
    writer->AddAttribute(L"showNumOfChildren", L"true");
    writer->AddAttribute(L"type", L"winevtlog");
    writer->OpenNodeWithText(L"Value", L"Windows eventlog '" + logName + L"'");
    writer->CloseNode();

    const int depth = writer->GetDepth();
    while (more) {
        std::unique_ptr<TreeElementGroup> group;
        try {
            auto messageLeaf = std::make_unique<TreeElementLeaf>(L"Message: " + entry.message, L"message");
            auto userLeaf = std::make_unique<TreeElementLeaf>(L"User: " + entry.user, L"user");
            group = std::make_unique<TreeElementGroup>(EventCaption(entry), entry.typeWord, false);
            group->writer = writer;
            group->AddJobItem(messageLeaf.release());
            group->AddJobItem(userLeaf.release());
            group->Collect();
        } catch (const std::bad_alloc&) {
            // The event is skipped; the memory of its elements is given back at once, and
            // whatever of it was already opened in the file is closed again.
            writer->CloseToDepth(depth);
        }
        group.reset();
        try {
            entry = reader.ReadNext(more);
        } catch (const MessageException& exception) {
            failure = exception.GetMessageText();
            failed = true;
            more = false;
        }
    }

    if (failed) {
        const std::wstring text = L"Error reading the eventlog '" + logName + L"': " + failure;
        Logging::Logger::Instance().Log(Logging::Error, text);
        TreeElementLeaf leaf(text, L"lvlerror");
        leaf.writer = writer;
        leaf.Collect();
    }
    writer->CloseNode();
}

} // namespace Gathrix
