#pragma once
// One process-wide logger; handlers registered with it receive every entry at or above their
// threshold. A program that registers no handler loses every entry silently.

#include "common/DateTime.h"
#include "common/Singleton.h"

#include <cstdint>
#include <functional>
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

protected:
    // The handler's own file could not be written: told once per handler (see
    // Logger::HandlerCouldNotWrite), never again through this handler.
    void CouldNotWrite(const std::wstring& path, std::uint32_t error);

private:
    bool writeFailureTold = false;
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

    // Where a log that cannot write its own file says so: the program's console. Without one, such
    // a failure reaches the other logs only.
    static void SetConsole(std::function<void(const std::wstring&)> console);
    // A handler's file could not be written: the console is told, and every other handler gets it
    // as an ERROR. The failing handler is never handed its own failure (that would fail again and
    // again), and a failure met while one is being told goes to the console only.
    void HandlerCouldNotWrite(const ILogHandler& failed, const std::wstring& path, std::uint32_t error);

private:
    friend class Utils::Singleton<Logger>;
    Logger() = default;

    std::vector<ILogHandler*> handlers;
    std::function<void(const std::wstring&)> console;
};

// The text log: every entry is appended at once, the file opened and closed per entry; an entry
// that cannot be written whole is left out whole.
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
    // The last whole save stays when a save fails: the log that is packed is the one the run
    // could write.
    void Save();

    std::wstring path;
    std::unique_ptr<TiXmlDocument> document;
    TiXmlElement* root = nullptr;
};

} // namespace Gathrix::Logging
