#pragma once
// Records what reaches the logger, so that tests can check the exact lines a component logs.
// The logger has no removal, so one recorder lives for the whole test program.

#include "common/Logging.h"

#include <string>
#include <ostream>
#include <utility>
#include <vector>

namespace Gathrix::Testing {

class LogCapture : public Logging::ILogHandler {
public:
    struct Entry {
        int level;
        std::wstring message;
        bool operator==(const Entry& other) const { return level == other.level && message == other.message; }
    };

    // The recorder, registered on first use and emptied on every call.
    static LogCapture& Start() {
        static LogCapture capture;
        static bool registered = (Logging::Logger::AddHandler(&capture), true);
        (void)registered;
        capture.entries.clear();
        return capture;
    }

    void Write(int level, std::wstring message, DateTime) override { entries.push_back({level, std::move(message)}); }
    void Reset() override { entries.clear(); }
    void Flush() override {}

    std::vector<Entry> entries;

private:
    LogCapture() : ILogHandler(Logging::Debug) {}
};

inline void PrintTo(const LogCapture::Entry& entry, std::ostream* out) {
    std::string narrow;
    for (wchar_t unit : entry.message)
        narrow.push_back(unit < 128 ? static_cast<char>(unit) : '?');
    *out << "{" << entry.level << ", \"" << narrow << "\"}";
}

} // namespace Gathrix::Testing
