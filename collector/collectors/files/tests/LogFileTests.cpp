#include "collector/collectors/files/FileContent.h"
#include "collector/collectors/files/LogFile.h"
#include "collector/collectors/files/tests/WrittenTree.h"
#include "common/Exceptions.h"

#include <gtest/gtest.h>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

class LogFileTest : public WorkingFolderTest {};

} // namespace

TEST_F(LogFileTest, AnEmptyElementWithItsTwoAttributes) {
    struct Case {
        bool grouped;
        int minLevel;
        Attributes attributes;
    } cases[] = {
        {true, 3, {{"type", "grouped"}, {"minlevel", "3"}}},
        {false, 0, {{"minlevel", "0"}}},
        {false, -1, {{"minlevel", "-1"}}},
        {true, 5, {{"type", "grouped"}, {"minlevel", "5"}}},
    };
    for (const auto& c : cases) {
        LogFile job(c.grouped, c.minLevel);
        EXPECT_EQ(L"Logfile", job.GetElementName());
        const Written element = CollectedOne(job);
        EXPECT_EQ("Logfile", element.name);
        EXPECT_EQ(c.attributes, element.attributes);
        EXPECT_TRUE(element.children.empty());
        EXPECT_EQ("", element.value);

        Serialization::AttributeList described;
        job.DescribeAttributes(described);
        ASSERT_EQ(c.attributes.size(), described.size());
        for (std::size_t i = 0; i < described.size(); ++i)
            EXPECT_EQ(c.attributes[i], std::make_pair(Narrow(described[i].first), Narrow(described[i].second)));
    }
}

TEST_F(LogFileTest, LogElementsAndLaterJobsAreSiblings) {
    ScratchFolder empty(L"logfile");
    LogFile grouped(true, 2), plain(false, 4);
    FileContent later(empty.Path(), L"*.log", false);
    const std::vector<Written> written = Collected({&grouped, &plain, &later});
    ASSERT_EQ(3u, written.size());
    EXPECT_EQ("Logfile", written[0].name);
    EXPECT_EQ("Logfile", written[1].name);
    EXPECT_EQ((Attributes{{"minlevel", "4"}}), written[1].attributes);
    EXPECT_EQ("TreeElement", written[2].name);
    EXPECT_TRUE(written[0].children.empty() && written[1].children.empty());
}

TEST_F(LogFileTest, CollectingWithoutAWriterThrows) {
    LogFile job(true, 1);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
}
