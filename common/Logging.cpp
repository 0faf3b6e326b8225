#include "common/Logging.h"

#include "common/FileWrites.h"
#include "common/Text.h"
#include "common/XmlFiles.h"

#include <tinyxml.h>

#include <cstdio>

namespace Gathrix::Logging {

namespace {

const wchar_t* const LevelNames[] = {L"OFF", L"DEBUG", L"INFO", L"WARNING", L"ERROR", L"FATAL ERROR"};
const int LevelCount = 6;

// The text log is bytes: code units below 256 as the byte of that value, line feeds as CR LF
// (the layout of a text-mode stream), '?' for every character that has no byte. Written by
// hand because the runtime's wide streams fail for good on the first character they cannot
// convert.
std::string ToLogBytes(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (unit == L'\n') {
            bytes += "\r\n";
        } else if (unit < 256) {
            bytes += static_cast<char>(static_cast<unsigned char>(unit));
        } else {
            // A surrogate pair is one character: one '?'.
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i;
            bytes += '?';
        }
    }
    return bytes;
}

void AppendText(TiXmlElement& parent, const char* name, const std::string& utf8Text) {
    TiXmlElement* element = new TiXmlElement(name);
    parent.LinkEndChild(element);
    element->LinkEndChild(new TiXmlText(utf8Text));
}

} // namespace

std::wstring GetLevelName(int level) {
    if (level < 0 || level >= LevelCount)
        return std::wstring();
    return LevelNames[level];
}

// ---------------------------------------------------------------- Logger

void Logger::AddHandler(ILogHandler* handler) {
    if (handler != nullptr)
        Instance().handlers.push_back(handler);
}

void Logger::Log(int level, std::wstring message) {
    for (ILogHandler* handler : handlers) {
        if (handler->minLevel > level)
            continue;
        // Read anew per handler: two handlers may stamp one entry with different times.
        handler->Write(level, message, DateTime::NowUtc());
    }
}

void Logger::Debug(const std::wstring& message) { Instance().Log(LogLevel::Debug, message); }
void Logger::Info(const std::wstring& message) { Instance().Log(LogLevel::Info, message); }
void Logger::Warning(const std::string& utf8Message) {
    Instance().Log(LogLevel::Warning, Utils::FromUtf8(utf8Message));
}
void Logger::Error(const std::wstring& message) { Instance().Log(LogLevel::Error, message); }
void Logger::Error(const std::string& utf8Message) { Instance().Log(LogLevel::Error, Utils::FromUtf8(utf8Message)); }
void Logger::Fatal(const std::wstring& message) { Instance().Log(LogLevel::FatalError, message); }

void Logger::FlushAll() {
    for (ILogHandler* handler : Instance().handlers)
        handler->Flush();
}

void Logger::SetConsole(std::function<void(const std::wstring&)> console) {
    Instance().console = std::move(console);
}

void Logger::HandlerCouldNotWrite(const ILogHandler& failed, const std::wstring& path, std::uint32_t error) {
    static thread_local bool telling = false;
    std::wstring text;
    try {
        text = Utils::NoteWriteFailure(path, error);
        if (console)
            console(text + L"\n");
    } catch (...) {
        return;  // logging never throws to its caller
    }
    if (telling)
        return;
    telling = true;
    for (ILogHandler* handler : handlers) {
        if (handler != &failed && handler->minLevel <= LogLevel::Error)
            handler->Write(LogLevel::Error, text, DateTime::NowUtc());
    }
    telling = false;
}

void ILogHandler::CouldNotWrite(const std::wstring& path, std::uint32_t error) {
    if (writeFailureTold)
        return;
    writeFailureTold = true;
    Logger::Instance().HandlerCouldNotWrite(*this, path, error);
}

// ---------------------------------------------------------------- text log

LogFileHandler::LogFileHandler(int minLevel, const std::string& fileName) : ILogHandler(minLevel), fileName(fileName) {
    // Every message starts at the same column: after the longest level name plus four blanks.
    size_t longest = 0;
    for (int level = 0; level < LevelCount; ++level) {
        fillBlanks[level] = static_cast<int>(std::wcslen(LevelNames[level]));
        longest = std::max(longest, static_cast<size_t>(fillBlanks[level]));
    }
    for (int& blanks : fillBlanks)
        blanks = static_cast<int>(longest) - blanks + 4;
}

std::wstring LogFileHandler::FormatLine(int level, const std::wstring& message, const DateTime& time) const {
    std::wstring line = time.ToUtcString();
    line += L" (UTC)\t[";
    line += GetLevelName(level);
    line += L"]";
    if (level >= 0 && level < LevelCount)
        line.append(static_cast<size_t>(fillBlanks[level]), L' ');
    line += message;
    return line;
}

void LogFileHandler::Write(int level, std::wstring message, DateTime time) {
    std::string bytes;
    try {
        bytes = ToLogBytes(FormatLine(level, message, time) + L"\n");
    } catch (...) {
        return;  // logging never throws to its caller
    }
    const std::wstring path = Utils::FromUtf8(fileName);
    const std::uint32_t error = Utils::AppendToFile(path, bytes);
    if (error != 0)
        CouldNotWrite(path, error);
}

void LogFileHandler::Reset() {
    const std::wstring path = Utils::FromUtf8(fileName);
    const std::uint32_t error = Utils::WriteWholeFile(path, std::string());
    if (error != 0)
        CouldNotWrite(path, error);
}

// ---------------------------------------------------------------- XML log

XmlLogFileHandler::XmlLogFileHandler(int minLevel, const std::string& fileName)
    : ILogHandler(minLevel), path(Utils::FromUtf8(fileName)), document(new TiXmlDocument(fileName)) {}

XmlLogFileHandler::~XmlLogFileHandler() = default;

void XmlLogFileHandler::CreateRootElement() {
    // A log left by an earlier run is continued; a missing or unreadable one is not an error.
    Utils::LoadXmlFile(*document, path);
    root = nullptr;
    for (TiXmlNode* child = document->FirstChild("Logfile"); child != nullptr; child = child->NextSibling("Logfile")) {
        if (child->ToElement() != nullptr) {
            root = child->ToElement();
            break;
        }
    }
    if (root == nullptr) {
        root = new TiXmlElement("Logfile");
        document->LinkEndChild(root);
    }
}

void XmlLogFileHandler::Write(int level, std::wstring message, DateTime time) {
    if (root == nullptr)
        CreateRootElement();
    std::string stamp;
    try {
        stamp = Utils::ToUtf8(time.ToUtcString()) + " (UTC)";
    } catch (...) {
        return;
    }
    TiXmlElement* entry = new TiXmlElement("LogEntry");
    root->LinkEndChild(entry);
    AppendText(*entry, "DateTime", stamp);
    AppendText(*entry, "Level", std::to_string(level));
    AppendText(*entry, "Message", Utils::ToXmlUtf8(message));
}

void XmlLogFileHandler::Reset() {
    document->Clear();
    root = nullptr;
    Save();
    CreateRootElement();
}

void XmlLogFileHandler::Flush() {
    Save();
}

void XmlLogFileHandler::Save() {
    std::string printed;
    const std::uint32_t error = Utils::PrintXmlDocument(*document, printed) ? Utils::ReplaceWholeFile(path, printed)
                                                                            : Utils::SaveXmlFile(*document, path);
    if (error != 0)
        CouldNotWrite(path, error);
}

} // namespace Gathrix::Logging
