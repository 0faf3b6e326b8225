#include "common/Logging.h"
#include "common/FileWrites.h"
#include "common/Text.h"
#include "common/tests/support/BlockedTarget.h"
#include "common/tests/support/TestSupport.h"
#include "common/tests/support/XmlCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

using namespace Gathrix;
using namespace Gathrix::Logging;
using Gathrix::Testing::ReadFileBytes;
using Gathrix::Testing::ScratchFolder;

namespace {

DateTime Noon() {
    SYSTEMTIME time = {};
    time.wYear = 2020;
    time.wMonth = 11;
    time.wDay = 18;
    time.wHour = 21;
    time.wMinute = 5;
    time.wSecond = 7;
    return DateTime(time, DateTime::Utc);
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "text after the last line end";
    return lines;
}

// Every test starts with a logger that has no handler.
class LoggingTest : public ::testing::Test {
protected:
    void SetUp() override { Logger::Destroy(); }
    void TearDown() override { Logger::Destroy(); }
    ScratchFolder scratch{L"logging"};
};

struct LevelLayout {
    int level;
    const char* name;
    size_t blanks;
};
const LevelLayout Layouts[] = {{0, "OFF", 12},    {1, "DEBUG", 10}, {2, "INFO", 11},
                               {3, "WARNING", 8}, {4, "ERROR", 10}, {5, "FATAL ERROR", 4}};

} // namespace

TEST_F(LoggingTest, TextLineStartsEveryMessageSeventeenCharactersAfterTheTab) {
    const std::wstring path = scratch / L"log.txt";
    LogFileHandler handler(1, Utils::ToUtf8(path));
    for (const LevelLayout& layout : Layouts)
        handler.Write(layout.level, L"message " + std::to_wstring(layout.level), Noon());
    handler.Write(2, L"", Noon());

    const std::vector<std::string> lines = Lines(ReadFileBytes(path));
    ASSERT_EQ(7u, lines.size());
    for (const LevelLayout& layout : Layouts) {
        const std::string expected = "11/18/2020 21:05:07 (UTC)\t[" + std::string(layout.name) + "]" +
                                     std::string(layout.blanks, ' ') + "message " + std::to_string(layout.level);
        EXPECT_EQ(expected, lines[layout.level]);
        EXPECT_EQ(17u, lines[layout.level].find("message") - lines[layout.level].find('\t') - 1);
    }
    EXPECT_EQ("11/18/2020 21:05:07 (UTC)\t[INFO]" + std::string(11, ' '), lines[6]);
}

TEST_F(LoggingTest, TextLogKeepsEveryEntryWhateverItsCharacters) {
    // A non-ASCII file name, and characters beyond one byte in the middle of the run of entries.
    const std::wstring path = scratch / L"l\u00f6g \u03a9.log";
    LogFileHandler handler(1, Utils::ToUtf8(path));
    handler.Write(2, L"caf\u00e9 \u00ff", Noon());
    handler.Write(3, L"\u03a9 \u4e2d \U0001D11E end", Noon());
    handler.Write(4, L"two\nlines", Noon());
    handler.Write(2, L"after", Noon());

    const std::string prefix = "11/18/2020 21:05:07 (UTC)\t[";
    EXPECT_EQ(prefix + "INFO]" + std::string(11, ' ') + "caf\xe9 \xff\r\n" +
                  prefix + "WARNING]" + std::string(8, ' ') + "? ? ? end\r\n" +
                  prefix + "ERROR]" + std::string(10, ' ') + "two\r\nlines\r\n" +
                  prefix + "INFO]" + std::string(11, ' ') + "after\r\n",
              ReadFileBytes(path));

    handler.Reset();
    EXPECT_EQ("", ReadFileBytes(path));
    handler.Write(2, L"again", Noon());
    EXPECT_EQ(1u, Lines(ReadFileBytes(path)).size());
}

TEST_F(LoggingTest, UnopenableTextLogLosesTheEntryAndSaysSoOnce) {
    std::vector<std::wstring> console;
    Logger::SetConsole([&](const std::wstring& text) { console.push_back(text); });
    const std::wstring path = scratch / L"missing\\folder\\log.txt";
    LogFileHandler handler(1, Utils::ToUtf8(path));
    handler.Write(2, L"lost", Noon());
    handler.Write(2, L"lost again", Noon());
    EXPECT_FALSE(Testing::PathExists(scratch / L"missing"));
    EXPECT_EQ(console, std::vector<std::wstring>{L"The file '" + path + L"' could not be written: " +
                                                 System::GetErrorText(ERROR_PATH_NOT_FOUND) + L"\n"});
}

namespace {

// Keeps what the logger hands it, in a test that starts from a logger without handlers.
class Recorder : public ILogHandler {
public:
    Recorder() : ILogHandler(Debug) {}
    void Write(int level, std::wstring message, DateTime) override { entries.push_back({level, message}); }
    void Reset() override {}
    void Flush() override {}
    std::vector<std::pair<int, std::wstring>> entries;
};

} // namespace

// Either log's file made unwritable after a first whole write: the console hears it once with the
// file and the reason, the other log gets it as one ERROR, the failing log is never handed its own
// failure (which would fail again, for ever), and its file keeps what was last written whole.
TEST_F(LoggingTest, ALogThatCannotWriteItsFileSaysSoOnceAndKeepsItsLastWholeContent) {
    for (const auto& blocking : Testing::BlockingCases) {
        for (const bool xml : {false, true}) {
            SCOPED_TRACE(std::string(xml ? "XML log, " : "text log, ") + blocking.name);
            const std::wstring path = scratch / (xml ? L"Logfile.xml" : L"logfile.log");
            DeleteFileW(path.c_str());
            Logger::Destroy();
            Utils::ForgetWriteFailures();
            std::vector<std::wstring> console;
            Logger::SetConsole([&](const std::wstring& text) { console.push_back(text); });
            std::unique_ptr<ILogHandler> failing;
            if (xml) {
                auto handler = std::make_unique<XmlLogFileHandler>(1, Utils::ToUtf8(path));
                handler->CreateRootElement();
                failing = std::move(handler);
            } else {
                failing = std::make_unique<LogFileHandler>(1, Utils::ToUtf8(path));
            }
            Recorder other;
            Logger::AddHandler(failing.get());
            Logger::AddHandler(&other);

            Logger::Info(L"written whole");
            Logger::FlushAll();
            const std::string whole = ReadFileBytes(path);
            ASSERT_NE(std::string::npos, whole.find("written whole"));
            auto target = std::make_unique<Testing::BlockedTarget>(path, blocking.how);
            if (!target->Ready()) {
                Logger::Destroy();
                continue;
            }
            Logger::Info(L"lost");
            Logger::FlushAll();
            Logger::Info(L"lost again");
            Logger::FlushAll();
            target.reset();
            if (blocking.how != Testing::Blocking::TakenByFolder) {
                EXPECT_EQ(whole, ReadFileBytes(path));
            }
            EXPECT_FALSE(Testing::PathExists(path + L".partial"));
            // Writable again, the log goes on, without its own failure in it.
            Logger::Info(L"back");
            Logger::FlushAll();
            const std::string after = ReadFileBytes(path);
            EXPECT_NE(std::string::npos, after.find("back"));
            EXPECT_EQ(std::string::npos, after.find("could not be written")) << after;

            ASSERT_EQ(1u, console.size());
            const std::wstring told = console[0].substr(0, console[0].size() - 1);
            EXPECT_EQ(L"\n", console[0].substr(told.size()));
            EXPECT_EQ(0u, told.find(L"The file '" + path + L"' could not be written: ")) << Utils::ToUtf8(told);
            EXPECT_EQ(told, Utils::FirstWriteFailure());
            std::vector<std::wstring> errors;
            for (const auto& entry : other.entries)
                if (entry.first == Error)
                    errors.push_back(entry.second);
            EXPECT_EQ(errors, std::vector<std::wstring>{told});
            Logger::Destroy();
        }
    }
    Utils::ForgetWriteFailures();
}

TEST_F(LoggingTest, HandlersTakeOnlyEntriesAtOrAboveTheirThreshold) {
    const std::wstring debugPath = scratch / L"debug.log";
    const std::wstring errorPath = scratch / L"error.log";
    LogFileHandler debugLog(1, Utils::ToUtf8(debugPath));
    LogFileHandler errorLog(4, Utils::ToUtf8(errorPath));

    Logger::Instance().Log(5, L"before any handler");
    Logger::AddHandler(&debugLog);
    Logger::AddHandler(nullptr);
    Logger::AddHandler(&errorLog);

    Logger::Instance().Log(0, L"level zero");
    Logger::Debug(L"debug");
    Logger::Info(L"info");
    Logger::Warning(std::string("warn \xc3\xa9"));
    Logger::Error(L"error wide");
    Logger::Error(std::string("error \xc3\xa9"));
    Logger::Fatal(L"fatal");
    Logger::Instance().Log(-1, L"negative");

    auto messages = [](const std::wstring& path) {
        std::vector<std::string> found;
        for (const std::string& line : Lines(ReadFileBytes(path)))
            found.push_back(line.substr(line.find('\t') + 1));
        return found;
    };
    EXPECT_THAT(messages(debugPath),
                ::testing::ElementsAre("[DEBUG]          debug", "[INFO]           info",
                                       "[WARNING]        warn \xe9", "[ERROR]          error wide",
                                       "[ERROR]          error \xe9", "[FATAL ERROR]    fatal"));
    EXPECT_THAT(messages(errorPath), ::testing::ElementsAre("[ERROR]          error wide",
                                                            "[ERROR]          error \xe9",
                                                            "[FATAL ERROR]    fatal"));
}

TEST_F(LoggingTest, XmlLogHoldsWhatWasLoggedUntilTheLastFlush) {
    const std::wstring path = scratch / L"Logfile \u00e9.xml";
    XmlLogFileHandler handler(1, Utils::ToUtf8(path));
    handler.CreateRootElement();
    Logger::AddHandler(&handler);

    Logger::Instance().Log(0, L"below every threshold");
    Logger::Instance().Log(1, L"first");
    Logger::Instance().Log(4, L"\u03a9 <&> \"quoted\"\ttab\nline");
    Logger::Instance().Log(2, L"");
    Logger::Instance().Log(3, std::wstring(L"bell\x07 and \xFFFF"));
    Logger::FlushAll();
    Logger::Instance().Log(2, L"after the flush");

    ASSERT_TRUE(Testing::PathExists(path));
    std::wstring reason;
    EXPECT_TRUE(Testing::IsWellFormedXmlFile(path, &reason)) << Utils::ToUtf8(reason);

    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(0u, bytes.find("<Logfile>\n    <LogEntry>\n        <DateTime>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("<Level>4</Level>\n        <Message>\xce\xa9 &lt;&amp;&gt; "
                                            "&quot;quoted&quot;&#x09;tab&#x0A;line</Message>"))
        << bytes;
    EXPECT_NE(std::string::npos, bytes.find("<Message></Message>")) << bytes;
    EXPECT_NE(std::string::npos, bytes.find("bell\xef\xbf\xbd and \xef\xbf\xbd")) << bytes;
    EXPECT_EQ(std::string::npos, bytes.find("after the flush"));

    TiXmlDocument reread;
    reread.Parse(bytes.c_str());
    ASSERT_FALSE(reread.Error()) << reread.ErrorDesc();
    std::vector<std::string> levels;
    for (TiXmlElement* entry = reread.RootElement()->FirstChildElement("LogEntry"); entry != nullptr;
         entry = entry->NextSiblingElement("LogEntry")) {
        levels.push_back(entry->FirstChildElement("Level")->GetText());
        const std::string stamp = entry->FirstChildElement("DateTime")->GetText();
        EXPECT_EQ(" (UTC)", stamp.substr(stamp.size() - 6)) << stamp;
    }
    EXPECT_THAT(levels, ::testing::ElementsAre("1", "4", "2", "3"));
}

TEST_F(LoggingTest, XmlLogContinuesTheLogOfAnEarlierRun) {
    const std::wstring path = scratch / L"Logfile.xml";
    Testing::WriteFileBytes(path, "<!-- earlier -->\n<Other />\n<Logfile>\n    <LogEntry>\n        <Message>old</Message>\n"
                                  "    </LogEntry>\n</Logfile>\n");
    XmlLogFileHandler handler(1, Utils::ToUtf8(path));
    handler.CreateRootElement();
    handler.Write(2, L"new", Noon());
    handler.Flush();

    TiXmlDocument reread;
    reread.Parse(ReadFileBytes(path).c_str());
    ASSERT_FALSE(reread.Error()) << reread.ErrorDesc();
    std::vector<std::string> messages;
    for (TiXmlElement* entry = reread.FirstChildElement("Logfile")->FirstChildElement("LogEntry"); entry != nullptr;
         entry = entry->NextSiblingElement("LogEntry"))
        messages.push_back(entry->FirstChildElement("Message")->GetText());
    EXPECT_THAT(messages, ::testing::ElementsAre("old", "new"));

    handler.Reset();
    handler.Write(2, L"fresh", Noon());
    handler.Flush();
    EXPECT_EQ("<Logfile>\n    <LogEntry>\n        <DateTime>11/18/2020 21:05:07 (UTC)</DateTime>\n"
              "        <Level>2</Level>\n        <Message>fresh</Message>\n    </LogEntry>\n</Logfile>\n",
              ReadFileBytes(path));
}

TEST(XmlCheck, RejectsWhatXmlForbids) {
    ScratchFolder scratch(L"xmlcheck");
    const struct {
        const char* bytes;
        bool wellFormed;
    } cases[] = {
        {"<a>&#x09;&#x0A;</a>", true},
        {"<a>&#x01;</a>", false},
        {"<a><b></a>", false},
        {"<a>\x01</a>", false},
    };
    for (const auto& c : cases) {
        const std::wstring path = scratch / L"check.xml";
        Testing::WriteFileBytes(path, c.bytes);
        EXPECT_EQ(c.wellFormed, Testing::IsWellFormedXmlFile(path)) << c.bytes;
    }
}
