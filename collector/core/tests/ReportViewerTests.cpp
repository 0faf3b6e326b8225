#include "collector/core/ReportViewer.h"

#include "common/Text.h"
#include "common/tests/support/BlockedTarget.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

using Gathrix::Testing::PathExists;
using Gathrix::Testing::ReadFileBytes;
using Gathrix::Testing::ScratchFolder;

namespace {

// The repository file that a target of the table is written from.
std::wstring SourceOf(const std::wstring& target) {
    std::wstring relative = target.substr(2);  // without ".\"
    if (relative.compare(0, 5, L"data\\") == 0)
        relative = relative.substr(5);
    return Gathrix::Testing::SourceDir() + L"\\collector\\resources\\" + relative;
}

std::set<std::wstring> Listing(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.insert(entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

size_t CountEnding(const std::set<std::wstring>& names, const std::wstring& ending) {
    size_t count = 0;
    for (const std::wstring& name : names)
        count += name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
    return count;
}

// Runs the extraction with `folder` as the working folder.
void ExtractInto(const std::wstring& folder) {
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    Gathrix::ExtractReportViewerResources();
    SetCurrentDirectoryW(previous);
}

class ReportViewer : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* sub : {L"data", L"data\\stylesheet", L"data\\images", L"data\\scripts"})
            CreateDirectoryW((work / sub).c_str(), nullptr);
    }
    ScratchFolder work{L"viewer"};
};

} // namespace

TEST_F(ReportViewer, WritesEveryFileByteForByte) {
    // A longer file left from an earlier run must be cut to the new content.
    Gathrix::Testing::WriteFileBytes(work / L"index.html", std::string(100000, 'x'));
    ExtractInto(work.Path());

    ASSERT_EQ(46u, Gathrix::ReportViewerResources().size());
    for (const Gathrix::ReportViewerResource& row : Gathrix::ReportViewerResources()) {
        const std::wstring written = work / std::wstring(row.targetPath).substr(2);
        const std::string source = ReadFileBytes(SourceOf(row.targetPath));
        ASSERT_FALSE(source.empty()) << Gathrix::Utils::ToUtf8(row.targetPath);
        ASSERT_TRUE(PathExists(written)) << Gathrix::Utils::ToUtf8(row.targetPath);
        EXPECT_TRUE(source == ReadFileBytes(written)) << Gathrix::Utils::ToUtf8(row.targetPath) << " differs";
    }

    const std::set<std::wstring> images = Listing(work / L"data\\images");
    EXPECT_EQ(35u, CountEnding(images, L".png"));
    EXPECT_EQ(36u, images.size());
    EXPECT_EQ(1u, images.count(L"favicon.ico"));
    const std::set<std::wstring> stylesheets = Listing(work / L"data\\stylesheet");
    EXPECT_EQ(7u, CountEnding(stylesheets, L".xslt"));
    EXPECT_EQ(1u, stylesheets.count(L"htmlstyle.css"));
    EXPECT_EQ(8u, stylesheets.size());
    EXPECT_EQ((std::set<std::wstring>{L"treeviewFunctions.js"}), Listing(work / L"data\\scripts"));
    EXPECT_EQ((std::set<std::wstring>{L"index.html"}), Listing(work.Path()));
}

// A file the viewer cannot write is named with its reason in one ERROR; the others are written.
TEST_F(ReportViewer, UnwritableFilesAreLeftOutWithAnErrorNamingThem) {
    for (const auto& blocking : Gathrix::Testing::BlockingCases) {
        SCOPED_TRACE(blocking.name);
        DeleteFileW((work / L"data\\stylesheet\\tree.xslt").c_str());
        Gathrix::Testing::LogCapture& log = Gathrix::Testing::LogCapture::Start();
        {
            Gathrix::Testing::BlockedTarget target(work / L"data\\stylesheet\\tree.xslt", blocking.how);
            if (!target.Ready())
                continue;
            ExtractInto(work.Path());
        }
        ASSERT_EQ(1u, log.entries.size());
        EXPECT_EQ(Gathrix::Logging::Error, log.entries[0].level);
        const std::wstring start = L"The file '.\\data\\stylesheet\\tree.xslt' could not be written: ";
        EXPECT_EQ(0u, log.entries[0].message.find(start)) << Gathrix::Utils::ToUtf8(log.entries[0].message);
        EXPECT_GT(log.entries[0].message.size(), start.size());
        EXPECT_TRUE(PathExists(work / L"data\\stylesheet\\header.xslt"));
        EXPECT_TRUE(PathExists(work / L"data\\scripts\\treeviewFunctions.js"));
    }

    // A missing folder too.
    Gathrix::Testing::LogCapture& log = Gathrix::Testing::LogCapture::Start();
    DeleteFileW((work / L"data\\scripts\\treeviewFunctions.js").c_str());
    ASSERT_TRUE(RemoveDirectoryW((work / L"data\\scripts").c_str()));
    ExtractInto(work.Path());
    EXPECT_FALSE(PathExists(work / L"data\\scripts"));
    EXPECT_TRUE(PathExists(work / L"data\\stylesheet\\tree.xslt"));
    EXPECT_TRUE(PathExists(work / L"index.html"));
    ASSERT_EQ(1u, log.entries.size());
    EXPECT_EQ(0u, log.entries[0].message.find(L"The file '.\\data\\scripts\\treeviewFunctions.js' could not be written: "));
}

TEST_F(ReportViewer, MissingResourcesAreLeftOutQuietly) {
    Gathrix::Testing::LogCapture& log = Gathrix::Testing::LogCapture::Start();

    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(work.Path().c_str()));
    Gathrix::ExtractResourceToFile(999, L"PNG", L".\\data\\images\\none.png");
    Gathrix::ExtractResourceToFile(156, L"XSLT", L".\\data\\images\\wrongtype.png");
    Gathrix::ExtractResourceToFile(105, L"Icon", L".\\data\\images\\noicon.ico");
    SetCurrentDirectoryW(previous);
    for (const wchar_t* name : {L"none.png", L"wrongtype.png", L"noicon.ico"})
        EXPECT_FALSE(PathExists(work / (L"data\\images\\" + std::wstring(name)))) << Gathrix::Utils::ToUtf8(name);
    EXPECT_TRUE(log.entries.empty());
}

TEST(ReportViewerImages, SizesFitTheirPlaces) {
    for (const Gathrix::ReportViewerResource& row : Gathrix::ReportViewerResources()) {
        const std::wstring target = row.targetPath;
        if (std::wstring(row.type) != L"PNG")
            continue;
        const std::string png = ReadFileBytes(SourceOf(target));
        ASSERT_GE(png.size(), 24u);
        ASSERT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, 8)) << Gathrix::Utils::ToUtf8(target);
        auto at = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(png[i])); };
        const unsigned width = (at(16) << 24) | (at(17) << 16) | (at(18) << 8) | at(19);
        const unsigned height = (at(20) << 24) | (at(21) << 16) | (at(22) << 8) | at(23);
        const std::wstring name = target.substr(target.rfind(L'\\') + 1);
        unsigned expectedWidth = 19, expectedHeight = 15;
        if (name == L"minus.png" || name == L"plus.png" || name == L"placeholder.png")
            expectedWidth = 15;
        if (name == L"quellonlogo.png") {
            expectedWidth = 90;
            expectedHeight = 22;
        }
        EXPECT_EQ(expectedWidth, width) << Gathrix::Utils::ToUtf8(name);
        EXPECT_EQ(expectedHeight, height) << Gathrix::Utils::ToUtf8(name);
    }
}
