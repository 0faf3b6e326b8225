#pragma once
// What the configuration reader's tests share: the log lines it writes, a small part parser for
// job elements that makes one leaf per element, and a text form of the entities it returns.

#include "collector/config/ConfigFileParser.h"
#include "collector/config/PartParsers.h"
#include "collector/result/JobModel.h"
#include "common/Logging.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace Gathrix::ConfigParsing::Testing {

struct LogLine {
    int level;
    std::wstring text;
    bool operator==(const LogLine& other) const { return level == other.level && text == other.text; }
};
void PrintTo(const LogLine& line, std::ostream* out);

class LogCapture : public Logging::ILogHandler {
public:
    LogCapture() : ILogHandler(Logging::Debug) {}
    void Write(int level, std::wstring message, DateTime) override { lines.push_back({level, std::move(message)}); }
    void Reset() override {}
    void Flush() override {}

    std::vector<LogLine> lines;
};

// Every test starts with a fresh logger that writes only into `log`.
class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The lines at `minLevel` and above, in order.
    std::vector<LogLine> Lines(int minLevel = Logging::Warning) const;

    // Validates the snippet's root element through the parser's delegate for its name, as the
    // reader does, and parses it into `container` when it is valid. The log is emptied first, so
    // Lines() then holds what this element alone logged. Returns the verdict.
    bool ParseSnippet(IConfigPartParser& parser, const std::string& xml, IJobItemContainer& container);

    // Writes a mode file named "Standard" whose one "Level1" holds `jobs` from its fourth line on,
    // and reads it with every part parser registered.
    TopLevelEntityList ReadModeFile(const std::string& jobs, const ContactData& contact = {},
                                    const std::wstring& installedProducts = L"");

    LogCapture log;
};

// Handles a few job elements that take no children: one leaf per element, its value the element
// name followed by its attribute "id" when it has one ("Services#2").
class LeafJobParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

// The jobs a parser put into the container, each of the kind expected (a job of another kind
// fails the test and is left out).
template <class Job>
std::vector<Job*> JobsOf(const TreeElementGroup& container) {
    std::vector<Job*> jobs;
    std::vector<ITreeElement*> children;
    container.GetChildren(children);
    for (ITreeElement* child : children) {
        auto* job = dynamic_cast<Job*>(child);
        EXPECT_NE(nullptr, job);
        if (job)
            jobs.push_back(job);
    }
    return jobs;
}

// The reader with the parsers of this area and LeafJobParser, registered in the usual order.
void RegisterTestParsers(ConfigFileParser& reader);

// "Level1 / Level2 / Level3: item, item" with the levels that are set; a group as
// "Caption(type)[item, item]".
std::wstring Describe(const TopLevelEntity& entity);
std::vector<std::wstring> Describe(const TopLevelEntityList& entities);

// Replaces every "{path}" in the expected text by the mode file's path.
std::wstring WithPath(const std::wstring& text, const std::wstring& path);

} // namespace Gathrix::ConfigParsing::Testing
