#include "common/DateTime.h"

#include "common/Exceptions.h"
#include "common/Text.h"

namespace Gathrix {

namespace {

const std::uint64_t MaximumCount = 0x8000000000000000ull;
const LCID EnglishUnitedStates = 1033;

std::uint64_t CountOf(const FILETIME& fileTime) {
    return (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

[[noreturn]] void ThrowLastError() {
    throw MessageException(System::GetErrorText(GetLastError()));
}

// Asks for the length first (it counts the NUL, which is not kept), then fills the text.
template <class Format>
std::wstring FormatTwice(Format format) {
    int length = format(nullptr, 0);
    if (length <= 0)
        ThrowLastError();
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (format(&text[0], length) <= 0)
        ThrowLastError();
    text.resize(static_cast<size_t>(length - 1));
    return text;
}

} // namespace

DateTime::DateTime(const SYSTEMTIME& systemTime, Kind kind) : kind(kind), fileTime{} {
    if (!SystemTimeToFileTime(&systemTime, &fileTime))
        ThrowLastError();
}

DateTime::DateTime(const FILETIME& fileTime, Kind kind) : kind(kind), fileTime{} {
    if (CountOf(fileTime) > MaximumCount)
        throw MessageException(L"Cannot create DateTime: filetime is too big.");
    this->fileTime = fileTime;
}

DateTime DateTime::NowUtc() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return DateTime(now, Utc);
}

std::uint64_t DateTime::GetCount() const {
    return CountOf(fileTime);
}

// A count the calendar refuses (2^63 is allowed by the limit above but is no calendar date)
// must not leave an undefined SYSTEMTIME behind.
SYSTEMTIME DateTime::ToSystemTime() const {
    SYSTEMTIME systemTime;
    if (!FileTimeToSystemTime(&fileTime, &systemTime))
        ThrowLastError();
    return systemTime;
}

DateTime DateTime::ToLocalTime() const {
    if (kind == Local)
        return DateTime(fileTime, Local);
    SYSTEMTIME utc = ToSystemTime();
    SYSTEMTIME local;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        ThrowLastError();
    return DateTime(local, Local);
}

DateTime DateTime::ToUtc() const {
    if (kind == Utc)
        return DateTime(fileTime, Utc);
    SYSTEMTIME local = ToSystemTime();
    SYSTEMTIME utc;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc))
        ThrowLastError();
    return DateTime(utc, Utc);
}

std::wstring DateTime::ToString() const {
    const SYSTEMTIME systemTime = ToSystemTime();
    std::wstring date = FormatTwice([&](wchar_t* buffer, int size) {
        return GetDateFormatW(EnglishUnitedStates, DATE_SHORTDATE, &systemTime, nullptr, buffer, size);
    });
    std::wstring time = FormatTwice([&](wchar_t* buffer, int size) {
        return GetTimeFormatW(EnglishUnitedStates, TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT, &systemTime,
                              nullptr, buffer, size);
    });
    return date + L" " + time;
}

std::wstring DateTime::ToUtcString() const {
    return ToUtc().ToString();
}

std::uint64_t DateTime::MillisecondsSince(const DateTime& earlier) const {
    if (earlier.kind != kind) {
        DateTime converted = kind == Utc ? earlier.ToUtc() : earlier.ToLocalTime();
        return MillisecondsSince(converted);
    }
    const std::uint64_t mine = GetCount();
    const std::uint64_t theirs = earlier.GetCount();
    if (mine <= theirs)
        return 0;
    return mine / 10000 - theirs / 10000;
}

} // namespace Gathrix
