#include "collector/collectors/eventlogs/EventlogApiWin2000.h"

#include "collector/platform/Variables.h"
#include "collector/platform/Wow64.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Registry.h"
#include "common/Text.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <utility>

namespace Gathrix {

namespace {

constexpr DWORD BackwardsSequentialRead = EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ;
// Seconds from 1601-01-01 (FILETIME) to 1970-01-01 (TimeGenerated), in 100 ns.
constexpr std::uint64_t UnixEpochAsFileTime = 116444736000000000ull;

// "a;;b" is three parts, the middle one empty: every part is tried.
std::vector<std::wstring> SplitAtSemicolons(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t at = text.find(L';'); at != std::wstring::npos; at = text.find(L';', start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

ClassicEventLogFunctions ClassicEventLogFunctions::System() {
    return {&OpenEventLogW, &ReadEventLogW, &CloseEventLog};
}

WevtlogApiWin2000::WevtlogApiWin2000(ClassicEventLogFunctions functions)
    : functions(functions), buffer(FirstBufferSize, 0) {}

WevtlogApiWin2000::~WevtlogApiWin2000() {
    CloseLog();
}

void WevtlogApiWin2000::CloseLog() {
    if (log) {
        functions.close(log);
        log = nullptr;
    }
    current = end = 0;
    atEnd = true;
}

void WevtlogApiWin2000::OpenProtocol(const std::wstring& name) {
    CloseLog();
    log = functions.open(nullptr, name.c_str());
    if (log == nullptr)
        throw WinApiException(L"OpenEventLog", GetLastError());
    logName = name;
    DWORD bytes = 0;
    ReadBlock(bytes);
    current = 0;
    end = bytes;
    atEnd = bytes == 0;
}

void WevtlogApiWin2000::ReadBlock(DWORD& byteCount) {
    if (log == nullptr)
        throw MessageException(L"call OpenProtocol() first");
    for (;;) {
        byteCount = 0;
        DWORD needed = 0;
        if (functions.read(log, BackwardsSequentialRead, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
                           &byteCount, &needed)) {
            // The system never reports more than it was given room for; a block claiming so is
            // not read past the buffer.
            if (byteCount > buffer.size())
                throw WinApiException(L"ReadEventLog", ERROR_EVENTLOG_FILE_CORRUPT);
            return;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) {
            byteCount = 0;
            return;
        }
        // The next record is larger than the buffer: grow to what it needs and read again. A
        // size that would not grow the buffer would ask again for ever.
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
            throw WinApiException(L"ReadEventLog", error);
        buffer.resize(needed, 0);
    }
}

WevtlogApi::Event* WevtlogApiWin2000::GetNextEvent() {
    if (log == nullptr)
        throw MessageException(L"call OpenProtocol() first");
    if (atEnd)
        return nullptr;
    if (current >= end) {
        DWORD bytes = 0;
        ReadBlock(bytes);
        if (bytes == 0) {
            atEnd = true;
            current = end = 0;
            return nullptr;
        }
        current = 0;
        end = bytes;
    }
    // A record must hold its fixed part and lie inside the block; anything else would make the
    // reading run past the block or stand still on a zero length.
    DWORD length = 0;
    if (end - current >= sizeof(DWORD))
        std::memcpy(&length, buffer.data() + current, sizeof(DWORD));
    if (length < sizeof(EVENTLOGRECORD) || length > end - current) {
        atEnd = true;
        throw WinApiException(L"ReadEventLog", ERROR_EVENTLOG_FILE_CORRUPT);
    }
    std::vector<BYTE> record(buffer.begin() + static_cast<std::ptrdiff_t>(current),
                             buffer.begin() + static_cast<std::ptrdiff_t>(current + length));
    current += length;
    return new EventWin2000(std::move(record), logName);
}

WevtlogApiWin2000::EventWin2000::EventWin2000(std::vector<BYTE> bytes, std::wstring name)
    : record(std::move(bytes)), header(), logName(std::move(name)) {
    std::memcpy(&header, record.data(), std::min(record.size(), sizeof(EVENTLOGRECORD)));
}

std::wstring WevtlogApiWin2000::EventWin2000::TextAt(size_t offset, size_t* next) const {
    std::wstring text;
    size_t at = offset;
    for (; at + sizeof(wchar_t) <= record.size(); at += sizeof(wchar_t)) {
        wchar_t unit;
        std::memcpy(&unit, record.data() + at, sizeof(wchar_t));
        if (unit == L'\0') {
            at += sizeof(wchar_t);
            break;
        }
        text.push_back(unit);
    }
    if (next)
        *next = at;
    return text;
}

std::wstring WevtlogApiWin2000::EventWin2000::GetEventId() {
    return std::to_wstring(header.EventID & 0xFFFFu);
}

std::uint8_t WevtlogApiWin2000::EventWin2000::GetLevel() {
    return static_cast<std::uint8_t>(header.EventType & 0xFFu);
}

std::wstring WevtlogApiWin2000::EventWin2000::GetLevelName() {
    return EventLevelNames::Name(EventLevelNames::Interface::Win2000, header.EventType);
}

std::wstring WevtlogApiWin2000::EventWin2000::GetLevelText() {
    return std::to_wstring(GetLevel());
}

DateTime WevtlogApiWin2000::EventWin2000::GetTimeCreated() {
    // Seconds since 1970 as an unsigned count: an event after 2038 keeps its date.
    const std::uint64_t count = static_cast<std::uint64_t>(header.TimeGenerated) * 10000000ull + UnixEpochAsFileTime;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(count & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(count >> 32);
    return DateTime(time, DateTime::Utc);
}

std::wstring WevtlogApiWin2000::EventWin2000::GetUser() {
    const size_t offset = header.UserSidOffset;
    const size_t length = header.UserSidLength;
    if (length == 0 || offset > record.size() || length > record.size() - offset)
        return L"-unknown-";
    // A copy, so that the SID is aligned and cannot reach past the record.
    std::vector<BYTE> sid(record.begin() + static_cast<std::ptrdiff_t>(offset),
                          record.begin() + static_cast<std::ptrdiff_t>(offset + length));
    if (length < 8 || GetSidLengthRequired(sid[1]) > length || !IsValidSid(sid.data()))
        return L"-unknown-";
    std::wstring account;
    std::wstring domain;
    if (!System::LookupAccountBySid(sid.data(), account, domain))
        return L"-unknown-";
    return domain + L"\\" + account;
}

std::wstring WevtlogApiWin2000::EventWin2000::GetSource() {
    return TextAt(sizeof(EVENTLOGRECORD));
}

std::wstring WevtlogApiWin2000::EventWin2000::GetMessage() {
    const std::vector<std::wstring> files = GetMessageFiles();
    std::wstring message = FormatFromMessageFiles(files, header.EventID, GetInsertionStrings());
    ResolveParameterInserts(files, message);
    return message;
}

std::vector<std::wstring> WevtlogApiWin2000::EventWin2000::GetMessageFiles() {
    const std::wstring key = L"HKLM\\System\\CurrentControlSet\\Services\\EventLog\\" + logName + L"\\" + GetSource();
    std::vector<std::wstring> files;
    try {
        System::RegistryKey source(key, System::View32);
        DWORD type = 0;
        for (const auto& part : SplitAtSemicolons(source.GetValue(L"EventMessageFile", type)))
            for (auto& candidate : System::Variables::Instance().Expand(part))
                files.push_back(std::move(candidate));
    } catch (const ErrorCodeException& exception) {
        Logging::Logger::Instance().Log(Logging::Debug, L"Unable to read event message file names in the registry key '" +
                                                            key + L"': " + exception.GetMessageText());
        files.clear();
    }
    return files;
}

std::vector<std::wstring> WevtlogApiWin2000::EventWin2000::GetInsertionStrings() const {
    std::vector<std::wstring> texts;
    texts.reserve(InsertionCount);
    for (size_t number = 1; number <= InsertionCount; ++number)
        texts.push_back(L"%" + std::to_wstring(number));
    // Strings beyond the hundredth have no placeholder to fill and are left out; a string that
    // runs past the record's end stops there.
    size_t offset = header.StringOffset;
    for (size_t index = 0; index < header.NumStrings && index < InsertionCount && offset < record.size(); ++index)
        texts[index] = TextAt(offset, &offset);
    return texts;
}

std::wstring WevtlogApiWin2000::EventWin2000::FormatFromMessageFiles(const std::vector<std::wstring>& files,
                                                                    DWORD messageId,
                                                                    const std::vector<std::wstring>& texts) {
    std::vector<DWORD_PTR> arguments;
    for (const auto& text : texts)
        arguments.push_back(reinterpret_cast<DWORD_PTR>(text.c_str()));
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                        (texts.empty() ? FORMAT_MESSAGE_IGNORE_INSERTS : FORMAT_MESSAGE_ARGUMENT_ARRAY);
    for (const auto& file : files) {
        UniqueLibrary module(LoadMessageFile(file));
        if (!module)
            continue;
        LPWSTR text = nullptr;
        const DWORD length =
            FormatMessageW(flags, module.Get(), messageId, 0, reinterpret_cast<LPWSTR>(&text), 0,
                           texts.empty() ? nullptr : reinterpret_cast<va_list*>(arguments.data()));
        UniqueLocalMemory owner(text);
        if (length != 0 && text != nullptr)
            return std::wstring(text, length);
    }
    return std::wstring();
}

HMODULE WevtlogApiWin2000::EventWin2000::LoadMessageFile(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module != nullptr)
        return module;
    // A message file that exists only in the 64-bit system folder: a 32-bit process on 64-bit
    // Windows sees it with the redirection off.
    if (!System::OperatingSystem::Wow64::RunsUnderWow64())
        return nullptr;
    System::OperatingSystem::Wow64RedirectionOff nativeView;
    if (!nativeView.Succeeded()) {
        Logging::Logger::Instance().Log(Logging::Error,
                                        L"Unable to disable WOW64 file system redirection to load the a message file.");
        return nullptr;
    }
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

void WevtlogApiWin2000::EventWin2000::ResolveParameterInserts(const std::vector<std::wstring>& files,
                                                             std::wstring& message) {
    size_t position = 0;
    for (size_t at = message.find(L"%%", position); at != std::wstring::npos; at = message.find(L"%%", position)) {
        size_t digitsEnd = at + 2;
        while (digitsEnd < message.size() && std::iswdigit(message[digitsEnd]))
            ++digitsEnd;
        const size_t digitCount = digitsEnd - (at + 2);
        if (digitCount == 0) {
            position = at + 2;
            continue;
        }
        // A number too large for a message id names no message.
        const std::wstring digits = message.substr(at + 2, digitCount);
        const unsigned long long number = digitCount <= 10 ? std::stoull(digits) : ~0ull;
        std::wstring text;
        if (number <= 0xFFFFFFFFull)
            text = FormatFromMessageFiles(files, static_cast<DWORD>(number), {});
        if (text.empty()) {
            position = at + digitCount;
            continue;
        }
        message.replace(at, 2 + digitCount, text);
        position = at + text.size();
    }
}

} // namespace Gathrix
