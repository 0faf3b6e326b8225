#include "collector/collectors/files/DirectoryInfos.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/WrittenTree.h"
#include "common/DateTime.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// The three date leaves of a folder as the system reports its times, in the leaves' order:
// created, last modified, last access.
std::vector<std::string> DateLeaves(const std::wstring& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    EXPECT_TRUE(GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data));
    return {"date created: " + Narrow(DateTime(data.ftCreationTime, DateTime::Utc).ToString()),
            "date last modified: " + Narrow(DateTime(data.ftLastWriteTime, DateTime::Utc).ToString()),
            "date last access: " + Narrow(DateTime(data.ftLastAccessTime, DateTime::Utc).ToString())};
}

std::vector<std::string> Leaves(std::vector<std::string> dates, const char* attributes, const char* extended) {
    dates.push_back(std::string("attributes: ") + attributes);
    dates.push_back(std::string("extended attributes: ") + extended);
    return dates;
}

class DirectoryInfosTest : public WorkingFolderTest {
protected:
    ScratchFolder tree{L"folders"};
};

} // namespace

TEST_F(DirectoryInfosTest, EachFolderShowsItsTimesAndFlagsInTheLeafOrder) {
    for (const wchar_t* folder : {L"plain", L"hidden"})
        ASSERT_TRUE(CreateDirectoryW((tree / folder).c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW((tree / L"hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    {
        // Three different times show the leaves' order (Wine keeps the creation time it made).
        UniqueHandle folder(CreateFileW((tree / L"plain").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(folder);
        const FILETIME written{0x69050000u, 0x01D5C036u}, accessed{0xF7932000u, 0x01D761DDu};
        ASSERT_TRUE(SetFileTime(folder.Get(), nullptr, &accessed, &written));
    }

    struct Case {
        const wchar_t* folder;
        const char* attributes;
    } cases[] = {{L"plain", "[----]"}, {L"hidden", "[--HS]"}};
    auto& log = LogCapture::Start();
    for (const auto& c : cases) {
        DirectoryInfo info(tree / c.folder);
        EXPECT_TRUE(Collected({&info}).empty()) << "a folder element is written through Write only";

        Written written;
        {
            DirectoryInfos job(tree / c.folder, false);
            written = CollectedOne(job);
        }
        ASSERT_EQ(1u, written.children.size());
        const Written& folder = written.children[0];
        EXPECT_EQ("false", folder.showNumOfChildren);
        EXPECT_EQ("directoryinfo", folder.type);
        EXPECT_EQ(Narrow(tree / c.folder), folder.value);
        const auto expected = Leaves(DateLeaves(tree / c.folder), c.attributes, "[--I----]");
        if (c.folder == std::wstring(L"plain")) {
            EXPECT_EQ("date last modified: 1/1/2020 0:00:00", expected[1]);
            EXPECT_EQ("date last access: 6/15/2021 12:00:00", expected[2]);
        }
        EXPECT_EQ(expected, ValuesOf(folder.children)) << Narrow(c.folder);
        for (const auto& leaf : folder.children) {
            EXPECT_EQ("fileinfo", leaf.type);
            EXPECT_EQ("false", leaf.showNumOfChildren);
        }
        // The same leaves as new objects for whoever asks for the children.
        std::vector<ITreeElement*> children;
        info.GetChildren(children);
        std::vector<std::unique_ptr<ITreeElement>> owned(children.begin(), children.end());
        std::vector<std::string> texts;
        for (const auto& child : owned)
            texts.push_back(Narrow(child->GetValue()));
        EXPECT_EQ(expected, texts);
    }
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(DirectoryInfosTest, WithAndWithoutSubFolders) {
    for (const wchar_t* folder : {L"a", L"a\\x", L"a\\x\\deep", L"b", L".hidden"})
        ASSERT_TRUE(CreateDirectoryW((tree / folder).c_str(), nullptr));
    WriteFileBytes(tree / L"file.txt", "not a folder");
    const std::string root = Narrow(tree.Path());

    struct Case {
        std::wstring path;
        bool readSubFolders;
        std::vector<std::string> folders;
    } cases[] = {
        {tree.Path(), false, {root}},
        {tree.Path() + L"\\", false, {root}},
        // Depth first, each folder before what lies below it; dot-folders are left out.
        {tree.Path(), true, {root, root + "\\a", root + "\\a\\x", root + "\\a\\x\\deep", root + "\\b"}},
        {tree / L"*", false, {root + "\\a", root + "\\b"}},
        {tree / L"missing", true, {}},
    };
    for (const auto& c : cases) {
        DirectoryInfos job(c.path, c.readSubFolders);
        const Written element = CollectedOne(job);
        EXPECT_EQ("true", element.showNumOfChildren);
        EXPECT_EQ("directoryinfo", element.type);
        EXPECT_EQ("found directory information of " + Narrow(c.path), element.value);
        EXPECT_EQ(c.folders, ValuesOf(element.children)) << Narrow(c.path) << " " << c.readSubFolders;
        for (const auto& folder : element.children)
            EXPECT_EQ(5u, folder.children.size()) << folder.value;
    }
}

TEST_F(DirectoryInfosTest, TheCaptionKeepsTheVariablesAndTheFoldersAreExpanded) {
    DirectoryInfos job(L"%windir%\\Temp", false);
    EXPECT_EQ(L"found directory information of %windir%\\Temp", job.GetValue());
    EXPECT_EQ(L"true", job.GetShowNumOfChildren());
    EXPECT_EQ(L"directoryinfo", job.GetType());
    const Written element = CollectedOne(job);
    EXPECT_EQ("found directory information of %windir%\\Temp", element.value);
    ASSERT_EQ(1u, element.children.size());
    EXPECT_TRUE(Utils::EqualsNoCase(WindowsDir() + L"\\Temp", Utils::FromUtf8(element.children[0].value)))
        << element.children[0].value;
    std::vector<ITreeElement*> children;
    job.GetChildren(children);
    EXPECT_TRUE(children.empty());
}

TEST_F(DirectoryInfosTest, AFolderThatVanishedIsAWarningAndAnElementWithoutLeaves) {
    auto& log = LogCapture::Start();
    DirectoryInfo info(tree / L"gone");
    EXPECT_TRUE(info.GetProperties().empty());
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Warning, L"Cannot get file attributes from directory '" +
                                                                    (tree / L"gone") + L"': " +
                                                                    System::GetErrorText(ERROR_FILE_NOT_FOUND)}}),
              log.entries);
    // Read once: a second read logs nothing more.
    info.ReadAttributes();
    EXPECT_EQ(1u, log.entries.size());

    ResultFileWriter writer(nullptr);
    writer.SetDirectory(data);
    writer.Open(L"Gone.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
    info.writer = &writer;
    info.Write();
    EXPECT_EQ(2, writer.GetDepth());
    writer.CloseDocument();
    const std::string bytes = WellFormedBytes(L"Gone.xml");
    EXPECT_NE(std::string::npos, bytes.find("<Value>" + Narrow(tree / L"gone") + "</Value>"));
    EXPECT_EQ(std::string::npos, bytes.find("fileinfo"));
}

TEST_F(DirectoryInfosTest, CollectingWithoutAWriterThrowsBeforeWriting) {
    DirectoryInfos job(tree.Path(), false);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
    DirectoryInfo info(tree.Path());
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { info.Write(); }));
}

// As a 32-bit process on 64-bit Windows, the searches and every folder's read happen in the
// native view, each switch-off paired with its switch-on.
TEST_F(DirectoryInfosTest, EveryNativeViewAccessIsPairedWithItsSwitchBack) {
    if (!System::OperatingSystem::Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no view to switch";
    ASSERT_TRUE(CreateDirectoryW((tree / L"sub").c_str(), nullptr));
    Wow64StandIns switchCalls;
    DirectoryInfos job(tree.Path(), true);
    const Written element = CollectedOne(job);
    EXPECT_EQ((std::vector<std::string>{Narrow(tree.Path()), Narrow(tree / L"sub")}), ValuesOf(element.children));
    EXPECT_TRUE(switchCalls.Paired());
    // Two searches and one read per folder.
    EXPECT_GE(switchCalls.Pairs(), 4u);
}
