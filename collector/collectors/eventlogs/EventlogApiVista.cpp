#include "collector/collectors/eventlogs/EventlogApiVista.h"

#include "common/Exceptions.h"
#include "common/Text.h"

#include <algorithm>

namespace Gathrix {

namespace {

constexpr size_t FirstValueBufferSize = 120;
constexpr DWORD FirstMessageBufferSize = 256;

const wchar_t* const EventIdPath = L"Event/System/EventID";
const wchar_t* const LevelPath = L"Event/System/Level";
const wchar_t* const TimeCreatedPath = L"Event/System/TimeCreated/@SystemTime";
const wchar_t* const UserPath = L"Event/System/Security/@UserID";
const wchar_t* const ProviderPath = L"Event/System/Provider/@Name";

} // namespace

WevtlogApiWinVista::WevtlogApiWinVista(std::uint32_t nextEventBound) : nextEventBound(nextEventBound) {
    // By full path from the system folder: a wevtapi.dll in the current folder is never loaded.
    library = std::make_unique<System::DynamicLibrary>(System::SystemLibraryPath(L"wevtapi.dll"));
    evtQuery = library->GetFunction<decltype(evtQuery)>("EvtQuery");
    evtNext = library->GetFunction<decltype(evtNext)>("EvtNext");
    evtClose = library->GetFunction<decltype(evtClose)>("EvtClose");
    evtCreateRenderContext = library->GetFunction<decltype(evtCreateRenderContext)>("EvtCreateRenderContext");
    evtRender = library->GetFunction<decltype(evtRender)>("EvtRender");
    evtOpenPublisherMetadata = library->GetFunction<decltype(evtOpenPublisherMetadata)>("EvtOpenPublisherMetadata");
    evtFormatMessage = library->GetFunction<decltype(evtFormatMessage)>("EvtFormatMessage");
}

WevtlogApiWinVista::~WevtlogApiWinVista() {
    if (query)
        evtClose(query);
    if (renderContext)
        evtClose(renderContext);
}

void WevtlogApiWinVista::OpenProtocol(const std::wstring& logName) {
    if (query) {
        evtClose(query);
        query = nullptr;
    }
    query = evtQuery(nullptr, logName.c_str(), L"*", EvtQueryChannelPath | EvtQueryReverseDirection);
    if (query == nullptr)
        throw WinApiException(L"EvtQuery", GetLastError());
}

WevtlogApi::Event* WevtlogApiWinVista::GetNextEvent() {
    if (query == nullptr)
        throw MessageException(L"call OpenProtocol() first");
    EVT_HANDLE event = nullptr;
    DWORD returned = 0;
    // Bounded: a service that stops answering would otherwise hold the whole run.
    if (evtNext(query, 1, &event, nextEventBound, 0, &returned) == TRUE && event != nullptr)
        return new EventWinVista(*this, event);
    const DWORD error = GetLastError();
    if (error == ERROR_NO_MORE_ITEMS)
        return nullptr;
    if (error == ERROR_TIMEOUT)
        throw WinApiException(L"EvtNext timed out, no event within " + std::to_wstring(nextEventBound) + L" milliseconds",
                              error);
    throw WinApiException(L"EvtNext", error);
}

WevtlogApiWinVista::EventWinVista::EventWinVista(WevtlogApiWinVista& api, EVT_HANDLE event)
    : api(&api), event(event) {}

WevtlogApiWinVista::EventWinVista::~EventWinVista() {
    if (event)
        api->evtClose(event);
    if (publisherMetadata)
        api->evtClose(publisherMetadata);
}

void WevtlogApiWinVista::EventWinVista::RenderValue(std::vector<BYTE>& buffer, const wchar_t* xpath) {
    if (api->renderContext) {
        api->evtClose(api->renderContext);
        api->renderContext = nullptr;
    }
    LPCWSTR paths[] = {xpath};
    api->renderContext = api->evtCreateRenderContext(1, paths, EvtRenderContextValues);
    if (api->renderContext == nullptr)
        throw WinApiException(L"EvtCreateRenderContext", GetLastError());
    for (bool enlarged = false;; enlarged = true) {
        DWORD used = 0;
        DWORD properties = 0;
        if (api->evtRender(api->renderContext, event, EvtRenderEventValues, static_cast<DWORD>(buffer.size()),
                           buffer.data(), &used, &properties))
            return;
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || enlarged)
            throw WinApiException(L"EvtRender", error);
        // Never smaller than one value: the caller reads the variant at the buffer's start.
        buffer.assign(std::max<size_t>(used, sizeof(EVT_VARIANT)), 0);
    }
}

const EVT_VARIANT& WevtlogApiWinVista::EventWinVista::Render(std::vector<BYTE>& buffer, const wchar_t* xpath) {
    buffer.assign(FirstValueBufferSize, 0);
    RenderValue(buffer, xpath);
    return *reinterpret_cast<const EVT_VARIANT*>(buffer.data());
}

std::wstring WevtlogApiWinVista::EventWinVista::GetEventId() {
    std::vector<BYTE> buffer;
    return std::to_wstring(Render(buffer, EventIdPath).UInt16Val);
}

std::uint8_t WevtlogApiWinVista::EventWinVista::GetLevel() {
    std::vector<BYTE> buffer;
    return Render(buffer, LevelPath).ByteVal;
}

std::wstring WevtlogApiWinVista::EventWinVista::GetLevelName() {
    return EventLevelNames::Name(EventLevelNames::Interface::WinVista, GetLevel());
}

std::wstring WevtlogApiWinVista::EventWinVista::GetLevelText() {
    return std::to_wstring(GetLevel());
}

DateTime WevtlogApiWinVista::EventWinVista::GetTimeCreated() {
    std::vector<BYTE> buffer;
    const ULONGLONG count = Render(buffer, TimeCreatedPath).FileTimeVal;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(count & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(count >> 32);
    return DateTime(time, DateTime::Utc);
}

std::wstring WevtlogApiWinVista::EventWinVista::GetUser() {
    std::vector<BYTE> buffer;
    PSID sid = Render(buffer, UserPath).SidVal;
    std::wstring account;
    std::wstring domain;
    if (sid == nullptr || !System::LookupAccountBySid(sid, account, domain))
        return L"-unknown-";
    return domain + L"\\" + account;
}

std::wstring WevtlogApiWinVista::EventWinVista::GetSource() {
    std::vector<BYTE> buffer;
    const wchar_t* name = Render(buffer, ProviderPath).StringVal;
    // A provider rendered as a null value has no name to show.
    return name ? std::wstring(name) : std::wstring();
}

std::wstring WevtlogApiWinVista::EventWinVista::GetMessage() {
    const std::wstring provider = GetSource();
    if (publisherMetadata) {
        api->evtClose(publisherMetadata);
        publisherMetadata = nullptr;
    }
    publisherMetadata = api->evtOpenPublisherMetadata(nullptr, provider.c_str(), nullptr, 0x400, 0);
    if (publisherMetadata == nullptr)
        throw WinApiException(L"EvtOpenPublisherMetadata(" + provider + L")", GetLastError());
    std::vector<wchar_t> text(FirstMessageBufferSize, L'\0');
    for (bool enlarged = false;; enlarged = true) {
        DWORD used = 0;
        if (api->evtFormatMessage(publisherMetadata, event, static_cast<DWORD>(-1), 0, nullptr, EvtFormatMessageEvent,
                                  static_cast<DWORD>(text.size()), text.data(), &used))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || enlarged)
            throw WinApiException(L"EvtFormatMessage", error);
        text.assign(std::max<size_t>(used, 1), L'\0');
    }
    // The text ends at its terminating zero, or at the buffer's end when it has none.
    size_t length = 0;
    while (length < text.size() && text[length] != L'\0')
        ++length;
    return std::wstring(text.data(), length);
}

} // namespace Gathrix
