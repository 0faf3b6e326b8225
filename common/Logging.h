#pragma once
// One process-wide logger; handlers registered with it receive every entry at or above their
// threshold. A program that registers no handler loses every entry silently.

#include "common/DateTime.h"
#include "common/Singleton.h"

#include <memory>
#include <string>
#include <vector>

class TiXmlDocument;
class TiXmlElement;

namespace Gathrix::Logging {

// Level 0 is a threshold only: nothing is logged at it.
enum LogLevel : int { Off = 0, Debug = 1, Info = 2, Warning = 3, Error = 4, FatalError = 5 };

// "OFF", "DEBUG", "INFO", "WARNING", "ERROR", "FATAL ERROR"; empty for other values.
std::wstring GetLevelName(int level);

class ILogHandler {
public:
    explicit ILogHandler(int minLevel) : minLevel(minLevel) {}
    virtual ~ILogHandler() = default;

    virtual void Write(int level, std::wstring message, DateTime time) = 0;
    virtual void Reset() = 0;
    virtual void Flush() = 0;

    int minLevel;
};

class Logger : public Utils::Singleton<Logger> {
public:
    // The list does not own the handlers; a null pointer is ignored.
    static void AddHandler(ILogHandler* handler);

    void Log(int level, std::wstring message);

    static void Debug(const std::wstring& message);
    static void Info(const std::wstring& message);
    static void Warning(const std::string& utf8Message);
    static void Error(const std::wstring& message);
    static void Error(const std::string& utf8Message);
    static void Fatal(const std::wstring& message);
    static void FlushAll();

private:
    friend class Utils::Singleton<Logger>;
    Logger() = default;

    std::vector<ILogHandler*> handlers;
};

// The text log: every entry is appended at once, the file opened and closed per entry.
class LogFileHandler : public ILogHandler {
public:
    LogFileHandler(int minLevel, const std::string& fileName);

    void Write(int level, std::wstring message, DateTime time) override;
    void Reset() override;
    void Flush() override {}

    // The text line of one entry, without its line end.
    std::wstring FormatLine(int level, const std::wstring& message, const DateTime& time) const;

private:
    std::string fileName;
    int fillBlanks[6];
};

// The XML log: entries collect in memory and reach the file only through Flush.
class XmlLogFileHandler : public ILogHandler {
public:
    XmlLogFileHandler(int minLevel, const std::string& fileName = "data\\Logfile.xml");
    ~XmlLogFileHandler() override;

    // Continues the "Logfile" element of an existing file, or starts a new one.
    void CreateRootElement();

    void Write(int level, std::wstring message, DateTime time) override;
    void Reset() override;
    void Flush() override;

private:
    std::wstring path;
    std::unique_ptr<TiXmlDocument> document;
    TiXmlElement* root = nullptr;
};

} // namespace Gathrix::Logging
