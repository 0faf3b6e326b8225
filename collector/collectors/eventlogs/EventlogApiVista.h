#pragma once
// The event-log API of Windows Vista and later, loaded at run time from the system folder so
// that the collector still starts where it is missing (Windows 2000 and XP): there the
// construction throws and the reader takes the classic API instead. Every value of an event is
// read by rendering one XPath of the event's XML.

#include "collector/collectors/eventlogs/EventlogApi.h"
#include "collector/platform/DynamicLibrary.h"
#include "collector/platform/WaitBounds.h"

#include <windows.h>
#include <winevt.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

class WevtlogApiWinVista : public WevtlogApi {
public:
    class EventWinVista : public Event {
    public:
        // Takes over the event handle; `api` must outlive the event.
        EventWinVista(WevtlogApiWinVista& api, EVT_HANDLE event);
        ~EventWinVista() override;
        EventWinVista(const EventWinVista&) = delete;
        EventWinVista& operator=(const EventWinVista&) = delete;

        std::wstring GetEventId() override;
        std::uint8_t GetLevel() override;
        std::wstring GetLevelName() override;
        std::wstring GetLevelText() override;
        DateTime GetTimeCreated() override;
        std::wstring GetUser() override;
        std::wstring GetMessage() override;
        std::wstring GetSource() override;
        EventLevelNames::Interface GetInterface() const override { return EventLevelNames::Interface::WinVista; }

        // Renders one value into `buffer` (120 zero bytes when given), enlarging it once when
        // the value does not fit; the buffer then starts with the value's EVT_VARIANT.
        void RenderValue(std::vector<BYTE>& buffer, const wchar_t* xpath);

    private:
        const EVT_VARIANT& Render(std::vector<BYTE>& buffer, const wchar_t* xpath);

        WevtlogApiWinVista* api;
        EVT_HANDLE event;
        EVT_HANDLE publisherMetadata = nullptr;
    };

    // Throws WinApiException when the library or one of its functions can't be loaded. Each read
    // of the next event waits at most `nextEventBound` milliseconds.
    explicit WevtlogApiWinVista(std::uint32_t nextEventBound = WaitBounds::EventlogNextEventMilliseconds);
    ~WevtlogApiWinVista() override;
    WevtlogApiWinVista(const WevtlogApiWinVista&) = delete;
    WevtlogApiWinVista& operator=(const WevtlogApiWinVista&) = delete;

    void OpenProtocol(const std::wstring& logName) override;
    // The next event, null at the end of the log. Any other failure, the bound passed among them,
    // throws WinApiException.
    Event* GetNextEvent() override;

private:
    friend class EventWinVista;

    std::uint32_t nextEventBound;
    EVT_HANDLE query = nullptr;
    EVT_HANDLE renderContext = nullptr;
    std::unique_ptr<System::DynamicLibrary> library;
    decltype(&::EvtQuery) evtQuery = nullptr;
    decltype(&::EvtNext) evtNext = nullptr;
    decltype(&::EvtClose) evtClose = nullptr;
    decltype(&::EvtCreateRenderContext) evtCreateRenderContext = nullptr;
    decltype(&::EvtRender) evtRender = nullptr;
    decltype(&::EvtOpenPublisherMetadata) evtOpenPublisherMetadata = nullptr;
    decltype(&::EvtFormatMessage) evtFormatMessage = nullptr;
};

} // namespace Gathrix
