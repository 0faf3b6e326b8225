#include "collector/core/ReportRenderer.h"

#include "collector/core/Application.h"
#include "collector/core/ReportViewer.h"
#include "common/FileWrites.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using Gathrix::ReportRenderOptions;
using Gathrix::ReportRenderSummary;
using Gathrix::ResultFileRecord;
using Gathrix::Testing::LogCapture;
using Gathrix::Testing::PathExists;
using Gathrix::Testing::ReadFileBytes;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;
using Gathrix::Utils::ToUtf8;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

// A result file as the result writer writes it: the levels, then a tree of values.
std::string ResultFile(const std::string& level1, const std::string& level2, const std::string& tree) {
    return "<?xml version=\"1.0\" ?>\n<?xml-stylesheet type=\"text/xsl\" href=\"stylesheet/stylesheet.xslt\"?>\n"
           "<GathrixResult>\n    <ActiveNavigation>\n        <Level1>\n            <Name>" + Escaped(level1) +
           "</Name>\n        </Level1>\n        <Level2>\n            <Name>" + Escaped(level2) +
           "</Name>\n        </Level2>\n        <Level3>\n            <Name></Name>\n        </Level3>\n"
           "    </ActiveNavigation>\n    <ResultSet>\n        <Tree>\n" + tree +
           "        </Tree>\n    </ResultSet>\n</GathrixResult>\n";
}

std::string Leaf(const std::string& value) {
    return "<TreeElement showNumOfChildren=\"false\" type=\"info\"><Value>" + Escaped(value) + "</Value></TreeElement>\n";
}

// A working folder as a run leaves it: the viewer's files, the log, the general page (which shows
// the log) and the pages added, with their navigation.
class ReportRenderer : public ::testing::Test {
protected:
    void SetUp() override { Prepare(work.Path()); }

    void Prepare(const std::wstring& folder) {
        working = folder;
        data = folder + L"\\data";
        for (const wchar_t* sub : {L"data", L"data\\stylesheet", L"data\\images", L"data\\scripts"})
            CreateDirectoryW((folder + L"\\" + sub).c_str(), nullptr);
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
        Gathrix::ExtractReportViewerResources();
        SetCurrentDirectoryW(previous);
        const std::wstring fixture = Gathrix::Testing::SourceDir() + L"\\collector\\resources\\tests\\report\\data\\";
        for (const wchar_t* name : {L"General_GeneralInformation.xml", L"Logfile.xml"})
            ASSERT_TRUE(CopyFileW((fixture + name).c_str(), In(name).c_str(), FALSE));
        records = {{L"General_GeneralInformation.xml", 0}};
        levels.clear();
    }

    // A page "Files" > `level2` holding `tree`, recorded as saved by this run.
    std::wstring AddPage(const std::string& level2, const std::string& tree) {
        const std::wstring name = Gathrix::Application::MakeResultFileName(L"Files", Gathrix::Utils::FromUtf8(level2), L"");
        WriteFileBytes(In(name), ResultFile("Files", level2, tree));
        records.push_back({name, 0});
        levels.emplace_back(level2, ToUtf8(name));
        return name;
    }

    void WriteNavigation() {
        std::string entries;
        for (const auto& level : levels)
            entries += "        <Level2Entry>\n            <Name>" + Escaped(level.first) + "</Name>\n            <Link>" +
                       Escaped(level.second) + "</Link>\n        </Level2Entry>\n";
        WriteFileBytes(In(L"Navigation.xml"),
                       "<?xml version=\"1.0\" ?>\n<Navigation>\n    <Level1Entry>\n        <Name>General</Name>\n"
                       "        <Link>General_GeneralInformation.xml</Link>\n        <Level2Entry>\n"
                       "            <Name>General Information</Name>\n"
                       "            <Link>General_GeneralInformation.xml</Link>\n        </Level2Entry>\n"
                       "    </Level1Entry>\n    <Level1Entry>\n        <Name>Files</Name>\n        <Link>" +
                           (levels.empty() ? std::string() : Escaped(levels.front().second)) + "</Link>\n" + entries +
                           "    </Level1Entry>\n</Navigation>\n");
    }

    ReportRenderSummary Render(ReportRenderOptions options = {}) {
        WriteNavigation();
        if (options.program.empty())
            options.program = Gathrix::Testing::DistDir() + L"\\Gathrix.exe";
        return Gathrix::RenderReportPages(data, records, [&](const ReportRenderSummary& figures) {
            beforeLog = figures;
            generalAtFlush = PathExists(In(L"General_GeneralInformation.html"));
        }, options);
    }

    static ReportRenderOptions StandIn() {
        ReportRenderOptions options;
        options.program = Gathrix::Testing::BinaryDir() + L"\\tests\\fixtures\\render_standin.exe";
        return options;
    }

    std::wstring In(const std::wstring& name) const { return data + L"\\" + name; }
    std::string Page(const std::wstring& resultFile) const {
        return ReadFileBytes(In(resultFile.substr(0, resultFile.size() - 4) + L".html"));
    }
    static std::vector<std::wstring> Warnings(const LogCapture& log, int level = Gathrix::Logging::Warning) {
        std::vector<std::wstring> found;
        for (const auto& entry : log.entries) {
            if (entry.level == level)
                found.push_back(entry.message);
        }
        return found;
    }

    ScratchFolder work{L"render"};
    std::wstring working, data;
    std::vector<ResultFileRecord> records;
    std::vector<std::pair<std::string, std::string>> levels;  // level-2 name, result file
    ReportRenderSummary beforeLog;
    bool generalAtFlush = true;
};

// Every page renders whole, with the navigation and (where it shows it) the log, whatever the
// working folder's or the level's name holds: nothing is read as a URL.
TEST_F(ReportRenderer, RendersEveryPageWithNavigationAndLogWhateverTheNames) {
    const std::vector<std::string> names = {"C#tools", "100%41", "50%", "a blank", "R&D", "Gr\xc3\xb6\xc3\x9f" "e \xce\xa9"};
    for (const std::string& special : names) {
        SCOPED_TRACE(special);
        const std::wstring folder = work / (L"w" + Gathrix::Utils::FromUtf8(special));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        Prepare(folder);
        const std::wstring page = AddPage("L" + special, Leaf("value of " + special));
        AddPage("plain", Leaf("plain value"));
        LogCapture& log = LogCapture::Start();
        const ReportRenderSummary summary = Render();

        EXPECT_EQ(3u, summary.pages);
        EXPECT_EQ(3u, summary.rendered);
        EXPECT_EQ(1u, beforeLog.logPages);
        EXPECT_EQ(2u, beforeLog.rendered);
        EXPECT_FALSE(generalAtFlush);  // the page that shows the log waits for its last flush
        EXPECT_TRUE(log.entries.empty()) << ToUtf8(log.entries.front().message);
        const struct {
            std::wstring page;
            std::vector<std::string> entries;  // the navigation entries it shows
        } shown[] = {
            {page, {"General", "Files", "L" + special, "plain"}},
            {L"General_GeneralInformation.xml", {"General", "Files", "General Information"}},
        };
        for (const auto& row : shown) {
            const std::string html = Page(row.page);
            // Bytes and the declared charset agree: UTF-8, no byte-order mark, no UTF-16.
            EXPECT_EQ(0u, html.find("<!DOCTYPE")) << html.substr(0, 80);
            EXPECT_TRUE(Contains(html, "charset=UTF-8"));
            EXPECT_TRUE(Contains(html, "divContent"));
            EXPECT_FALSE(Contains(html, "GathrixRenderInput"));
            for (const std::string& entry : row.entries)
                EXPECT_TRUE(Contains(html, ">" + Escaped(entry) + "</a>")) << ToUtf8(row.page) << ": " << entry;
        }
        EXPECT_TRUE(Contains(Page(page), Escaped("value of " + special)));
        // The log.
        const std::string general = Page(L"General_GeneralInformation.xml");
        EXPECT_TRUE(Contains(general, "an error &lt;with markup&gt;"));
        EXPECT_TRUE(Contains(general, "Errors (2)"));
    }
}

// Only this run's files are pages: a leftover of an earlier run is not rendered, and a file whose
// save failed gets a page saying so.
TEST_F(ReportRenderer, RendersOnlyThisRunsFilesAndSaysWhichCouldNotBeWritten) {
    AddPage("Kept", Leaf("this run"));
    WriteFileBytes(In(L"Old_Part.xml"), ResultFile("Old", "Part", Leaf("an earlier run")));
    records.push_back({L"Files_Lost.xml", ERROR_DISK_FULL});
    records.push_back({L"Navigation.xml", 0});
    LogCapture& log = LogCapture::Start();
    const ReportRenderSummary summary = Render();

    EXPECT_EQ(3u, summary.pages);
    EXPECT_EQ(2u, summary.rendered);
    EXPECT_TRUE(log.entries.empty()) << ToUtf8(log.entries.front().message);
    EXPECT_FALSE(PathExists(In(L"Old_Part.html")));
    EXPECT_FALSE(PathExists(In(L"Navigation.html")));
    const std::string lost = Page(L"Files_Lost.xml");
    EXPECT_TRUE(Contains(lost, "could not be written"));
    EXPECT_TRUE(Contains(lost, Escaped(ToUtf8(Gathrix::System::GetErrorText(ERROR_DISK_FULL)))));
    EXPECT_FALSE(Contains(lost, "href=\"Files_Lost.xml\""));  // there is no such file to open
}

// Deep and large pages render: a registry key 300 levels deep, and a value of more than ten
// million bytes (both beyond what Wine's XML parser takes in one piece).
TEST_F(ReportRenderer, RendersDeepAndLargePages) {
    std::string deep;
    for (int level = 0; level < 300; ++level)
        deep += "<TreeElement showNumOfChildren=\"false\" type=\"regkey\"><Value>key " + std::to_string(level) + "</Value>";
    for (int level = 0; level < 300; ++level)
        deep += "</TreeElement>";
    const std::wstring deepPage = AddPage("Deep", deep + "\n");
    const std::string large((11u << 20) + 7, 'A');
    const std::wstring largePage = AddPage("Large", Leaf("HKLM\\x\\v = " + large + "<end>"));
    LogCapture& log = LogCapture::Start();
    const ReportRenderSummary summary = Render();

    EXPECT_EQ(3u, summary.rendered) << (log.entries.empty() ? "" : ToUtf8(log.entries.front().message));
    EXPECT_TRUE(Contains(Page(deepPage), ">key 299<"));
    const std::string html = Page(largePage);
    EXPECT_TRUE(Contains(html, large + "&lt;end&gt;"));
}

// A processor that fails, runs out of memory, crashes or hangs costs only its own pages: each gets
// a WARNING with the reason and a page with its values as text, and the other pages render (a new
// child takes over after a crash or a hang).
TEST_F(ReportRenderer, AFailingProcessorCostsOnlyItsOwnPages) {
    const std::string value = "value <b>&amp;</b> of ";
    const std::vector<std::pair<std::string, std::wstring>> faults = {
        {"Crashes", L"ended unexpectedly (exit code 0xC0000005)"},
        {"Fine1", L""},
        {"Hangs", L"its rendering took longer than 20 seconds and was stopped"},
        {"Fine2", L""},
        {"Throws", L"the stand-in <failed> & said so"},
        {"OutOfMemory", L"out of memory"},
    };
    std::vector<std::wstring> pages;
    for (const auto& fault : faults)
        pages.push_back(AddPage(fault.first, "<TreeElement type=\"regkey\"><Value>" + Escaped(value + fault.first) +
                                                 "</Value>" + Leaf("below " + fault.first) + "</TreeElement>\n"));
    ReportRenderOptions options = StandIn();
    options.pageLimitMs = 20000;
    LogCapture& log = LogCapture::Start();
    const ReportRenderSummary summary = Render(options);

    EXPECT_EQ(7u, summary.pages);
    EXPECT_EQ(3u, summary.rendered);
    EXPECT_TRUE(Contains(Page(L"General_GeneralInformation.xml"), "an error &lt;with markup&gt;"));
    const std::vector<std::wstring> warnings = Warnings(log);
    ASSERT_EQ(4u, warnings.size());
    std::size_t warned = 0;
    for (std::size_t i = 0; i < faults.size(); ++i) {
        SCOPED_TRACE(faults[i].first);
        const std::string html = Page(pages[i]);
        if (faults[i].second.empty()) {
            EXPECT_TRUE(Contains(html, "divContent"));
            continue;
        }
        const std::wstring& warning = warnings[warned++];
        EXPECT_EQ(0u, warning.find(L"The report page " + In(pages[i]) + L" could not be rendered")) << ToUtf8(warning);
        EXPECT_NE(std::wstring::npos, warning.find(faults[i].second)) << ToUtf8(warning);
        // Its page: the reason, a link to the result file, the values as escaped text in nested lists.
        EXPECT_TRUE(Contains(html, Escaped(ToUtf8(faults[i].second))));
        EXPECT_TRUE(Contains(html, "<a href=\"" + ToUtf8(pages[i]) + "\">"));
        EXPECT_TRUE(Contains(html, "<li><span class=\"value\">" + Escaped(value + faults[i].first) +
                                       "</span><ul>\n<li><span class=\"value\">below " + faults[i].first + "</span></li>"))
            << html;
        EXPECT_TRUE(Contains(html, "<title>Quellon Support Information: Files - " + faults[i].first + "</title>"));
        EXPECT_FALSE(Contains(html, "refresh"));
    }
}

// The whole render is bounded too: what is left when the bound has passed gets its stand-in; a
// stand-in that cannot be written is an ERROR naming its file.
TEST_F(ReportRenderer, TheWholeRenderIsBounded) {
    const std::wstring first = AddPage("Hangs1", Leaf("one"));
    AddPage("Hangs2", Leaf("two"));
    WriteFileBytes(In(L"Files_Hangs2.html"), "held by another program");
    Gathrix::UniqueHandle held(
        CreateFileW(In(L"Files_Hangs2.html").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    ReportRenderOptions options = StandIn();
    options.pageLimitMs = 10 * 60 * 1000;
    options.totalLimitMs = 8000;
    LogCapture& log = LogCapture::Start();
    const ReportRenderSummary summary = Render(options);
    held.Reset();

    EXPECT_EQ(0u, summary.rendered);
    EXPECT_LT(summary.milliseconds, 60000u);
    const std::vector<std::wstring> warnings = Warnings(log);
    ASSERT_EQ(3u, warnings.size());
    for (const std::wstring& warning : warnings)
        EXPECT_NE(std::wstring::npos, warning.find(L"took longer than 8 seconds in all")) << ToUtf8(warning);
    for (const std::wstring& page : {first, std::wstring(L"General_GeneralInformation.xml")})
        EXPECT_TRUE(Contains(Page(page), "took longer than 8 seconds in all")) << ToUtf8(page);
    // The page that shows the log lists the log in its place.
    EXPECT_TRUE(Contains(Page(L"General_GeneralInformation.xml"), "Message</span>: an error &lt;with markup&gt;"));
    EXPECT_EQ((std::vector<std::wstring>{L"The file '" + In(L"Files_Hangs2.html") + L"' could not be written: " +
                                         Gathrix::System::GetErrorText(ERROR_SHARING_VIOLATION)}),
              Warnings(log, Gathrix::Logging::Error));
}

// What every page needs and is damaged or missing: each page gets its stand-in with the reason.
TEST_F(ReportRenderer, ADamagedStylesheetOrMissingNavigationGivesEveryPageItsStandIn) {
    const struct {
        const wchar_t* file;
        const char* content;  // null: deleted
        std::wstring reason;
    } cases[] = {
        {L"stylesheet\\tree.xslt", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">",
         L"the stylesheet tree.xslt could not be read"},
        {L"stylesheet\\resultSet.xslt",
         "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
         "<xsl:include href=\"file:///C:/elsewhere.xslt\"/></xsl:stylesheet>",
         L"includes \"file:///C:/elsewhere.xslt\", which is not a file of its folder"},
        {L"Navigation.xml", nullptr, L"the navigation could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.file));
        ScratchFolder folder{L"damaged"};
        Prepare(folder.Path());
        const std::wstring page = AddPage("Values", Leaf("a value"));
        WriteNavigation();
        if (c.content)
            WriteFileBytes(In(c.file), c.content);
        LogCapture& log = LogCapture::Start();
        ReportRenderOptions options;
        options.program = Gathrix::Testing::DistDir() + L"\\Gathrix.exe";
        if (!c.content)
            DeleteFileW(In(c.file).c_str());
        const ReportRenderSummary summary = Gathrix::RenderReportPages(data, records, nullptr, options);

        EXPECT_EQ(2u, summary.pages);
        EXPECT_EQ(0u, summary.rendered);
        const std::vector<std::wstring> warnings = Warnings(log);
        ASSERT_EQ(2u, warnings.size());
        EXPECT_NE(std::wstring::npos, warnings[0].find(c.reason)) << ToUtf8(warnings[0]);
        EXPECT_TRUE(Contains(Page(page), "a value"));
        EXPECT_TRUE(Contains(Page(L"General_GeneralInformation.xml"), "Jane Doe"));
    }
}

// A damaged result file: its page lists what could be read and says where reading stopped.
TEST_F(ReportRenderer, ADamagedResultFileGetsItsStandInAndTheOtherPagesRender) {
    AddPage("Fine", Leaf("fine value"));
    const std::string whole = ResultFile("Files", "Broken", Leaf("read before the damage"));
    WriteFileBytes(In(L"Files_Broken.xml"), whole.substr(0, whole.size() - 40));
    records.push_back({L"Files_Broken.xml", 0});
    LogCapture& log = LogCapture::Start();
    const ReportRenderSummary summary = Render();

    EXPECT_EQ(3u, summary.pages);
    EXPECT_EQ(2u, summary.rendered);
    const std::vector<std::wstring> warnings = Warnings(log);
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ(0u, warnings[0].find(L"The report page " + In(L"Files_Broken.xml") + L" could not be rendered"))
        << ToUtf8(warnings[0]);
    const std::string broken = Page(L"Files_Broken.xml");
    EXPECT_TRUE(Contains(broken, "read before the damage"));
    EXPECT_TRUE(Contains(broken, "the rest of the result file could not be read: ")) << broken;
    EXPECT_TRUE(Contains(Page(L"Files_Fine.xml"), "divContent"));
}

// A page file held by another program (a virus scanner, say) is an ERROR naming it; the other
// pages render.
TEST_F(ReportRenderer, APageFileHeldOpenIsNamedAndTheOtherPagesRender) {
    AddPage("Fine", Leaf("fine value"));
    AddPage("Held", Leaf("held value"));
    WriteFileBytes(In(L"Files_Held.html"), "held by another program");
    Gathrix::UniqueHandle held(
        CreateFileW(In(L"Files_Held.html").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    Gathrix::Utils::ForgetWriteFailures();
    LogCapture& log = LogCapture::Start();
    const ReportRenderSummary summary = Render();
    held.Reset();

    EXPECT_EQ(2u, summary.rendered);
    const std::vector<std::wstring> errors = Warnings(log, Gathrix::Logging::Error);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(L"The file '" + In(L"Files_Held.html") + L"' could not be written: " +
                  Gathrix::System::GetErrorText(ERROR_SHARING_VIOLATION),
              errors[0]);
    EXPECT_EQ(1u, Warnings(log).size());
    EXPECT_TRUE(Contains(Page(L"Files_Fine.xml"), "divContent"));
    EXPECT_EQ("held by another program", Page(L"Files_Held.xml"));
}

} // namespace
