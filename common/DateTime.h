#pragma once
// The collector's one point-in-time type: a FILETIME count plus whether it is UTC or local time.

#include <windows.h>

#include <cstdint>
#include <string>

namespace Gathrix {

class DateTime {
public:
    enum Kind : std::int32_t { Utc = 0, Local = 1 };

    // Throws MessageException with the system's error text when the date is invalid.
    DateTime(const SYSTEMTIME& systemTime, Kind kind);
    // Throws MessageException "Cannot create DateTime: filetime is too big." above 2^63.
    DateTime(const FILETIME& fileTime, Kind kind);

    // The current system time as UTC.
    static DateTime NowUtc();

    DateTime ToLocalTime() const;
    DateTime ToUtc() const;

    // en-US short date and 24-hour time of the stored count, never converted: "11/18/2020 21:05:07".
    std::wstring ToString() const;
    std::wstring ToUtcString() const;

    // Whole milliseconds from `earlier` to this time; 0 when `earlier` is not before it.
    std::uint64_t MillisecondsSince(const DateTime& earlier) const;

    Kind GetKind() const { return kind; }
    FILETIME GetFileTime() const { return fileTime; }
    std::uint64_t GetCount() const;

private:
    SYSTEMTIME ToSystemTime() const;

    Kind kind;
    FILETIME fileTime;
};

} // namespace Gathrix
