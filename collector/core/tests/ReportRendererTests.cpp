#include "collector/core/ReportRenderer.h"

#include "collector/core/ReportViewer.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using Gathrix::Testing::LogCapture;
using Gathrix::Testing::PathExists;
using Gathrix::Testing::ReadFileBytes;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A working folder as a run leaves it: the viewer's files and the report fixture's result files,
// navigation and log.
class ReportRenderer : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* sub : {L"data", L"data\\stylesheet", L"data\\images", L"data\\scripts"})
            CreateDirectoryW((work / sub).c_str(), nullptr);
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(work.Path().c_str()));
        Gathrix::ExtractReportViewerResources();
        SetCurrentDirectoryW(previous);
        const std::wstring fixture = Gathrix::Testing::SourceDir() + L"\\collector\\resources\\tests\\report\\data\\";
        for (const wchar_t* name : {L"General_GeneralInformation.xml", L"Registry_Keys_HKLM_1.xml",
                                    L"Registry_Keys_HKCU.xml", L"Navigation.xml", L"Logfile.xml"})
            ASSERT_TRUE(CopyFileW((fixture + name).c_str(), (In(name)).c_str(), FALSE));
    }

    std::wstring In(const std::wstring& name) const { return data + L"\\" + name; }
    std::string Page(const std::wstring& name) const { return ReadFileBytes(In(name)); }

    ScratchFolder work{L"render"};
    std::wstring data = work / L"data";
};

} // namespace

TEST_F(ReportRenderer, RendersEveryPageWithWhatItReadsAndLinksTheRenderedPages) {
    LogCapture& log = LogCapture::Start();
    std::vector<bool> renderedAtFlush;
    Gathrix::ReportRenderSummary beforeLog;
    const Gathrix::ReportRenderSummary summary = Gathrix::RenderReportPages(data, [&](const auto& figures) {
        beforeLog = figures;
        renderedAtFlush = {PathExists(In(L"Registry_Keys_HKLM_1.html")),
                           PathExists(In(L"General_GeneralInformation.html"))};
    });

    EXPECT_EQ(3u, summary.pages);
    EXPECT_EQ(3u, summary.rendered);
    EXPECT_EQ(2u, beforeLog.rendered);
    EXPECT_EQ(1u, beforeLog.logPages);
    EXPECT_TRUE(log.entries.empty()) << Gathrix::Utils::ToUtf8(log.entries.front().message);
    // The page that shows the log waits for the log's last flush; the others do not.
    EXPECT_EQ((std::vector<bool>{true, false}), renderedAtFlush);
    EXPECT_FALSE(PathExists(In(L"Navigation.html")));
    EXPECT_FALSE(PathExists(In(L"Logfile.html")));

    const std::string general = Page(L"General_GeneralInformation.html");
    const std::string registry = Page(L"Registry_Keys_HKLM_1.html");
    for (const std::string* page : {&general, &registry}) {
        // Bytes and the declared charset agree: UTF-8, no byte-order mark, no UTF-16.
        EXPECT_EQ(0u, page->find("<!DOCTYPE")) << page->substr(0, 80);
        EXPECT_TRUE(Contains(*page, "charset=UTF-8"));
        EXPECT_FALSE(Contains(*page, "GathrixResult"));
        // The navigation, read with document(), links the rendered pages.
        EXPECT_TRUE(Contains(*page, "href=\"Registry_Keys_HKLM_1.html\""));
        EXPECT_TRUE(Contains(*page, "href=\"General_GeneralInformation.html\""));
        EXPECT_FALSE(Contains(*page, ".xml\""));
    }
    EXPECT_TRUE(Contains(registry, "href=\"Registry_Keys_HKLM_2.html\""));
    EXPECT_TRUE(Contains(registry, "href=\"Registry_Keys_HKCU.html\""));
    // The log, read with document(), is in the page.
    EXPECT_TRUE(Contains(general, "an error &lt;with markup&gt;"));
    EXPECT_TRUE(Contains(general, "Errors (2)"));
    // Links to file copies stay links to the copies.
    EXPECT_TRUE(Contains(registry, "href=\"./FileCopies/a%20b/notes.txt\""));
}

TEST_F(ReportRenderer, ADamagedResultFileGetsItsWarningAndTheOtherPagesAreRendered) {
    WriteFileBytes(In(L"Registry_Keys_Broken.xml"),
                   "<?xml version=\"1.0\" ?>\n<?xml-stylesheet type=\"text/xsl\" href=\"stylesheet\\stylesheet.xslt\"?>\n"
                   "<GathrixResult>\n    <ResultSet>\n        <Tree>\n");
    LogCapture& log = LogCapture::Start();
    const Gathrix::ReportRenderSummary summary = Gathrix::RenderReportPages(data, nullptr);

    EXPECT_EQ(4u, summary.pages);
    EXPECT_EQ(3u, summary.rendered);
    ASSERT_EQ(1u, log.entries.size());
    EXPECT_EQ(Gathrix::Logging::Warning, log.entries[0].level);
    const std::wstring expected = L"The report page " + data + L"\\Registry_Keys_Broken.xml could not be rendered";
    EXPECT_EQ(0u, log.entries[0].message.find(expected)) << Gathrix::Utils::ToUtf8(log.entries[0].message);
    for (const wchar_t* page : {L"General_GeneralInformation.html", L"Registry_Keys_HKLM_1.html", L"Registry_Keys_HKCU.html"})
        EXPECT_TRUE(Contains(Page(page), "divContent")) << Gathrix::Utils::ToUtf8(page);
    // The links of the other pages to it open its XML view.
    const std::string broken = Page(L"Registry_Keys_Broken.html");
    EXPECT_TRUE(Contains(broken, "URL=Registry_Keys_Broken.xml\""));
    EXPECT_FALSE(Contains(broken, "divContent"));
    EXPECT_TRUE(PathExists(In(L"Registry_Keys_Broken.xml")));
}
