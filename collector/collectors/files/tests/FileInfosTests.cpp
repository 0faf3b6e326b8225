#include "collector/collectors/files/FileInfos.h"
#include "collector/collectors/files/FileProperties.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/platform/Variables.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/OperatingSystem.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/WrittenResult.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

using Element = Written;

std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

class FileInfosTest : public ResultFolderTest {
protected:
    // Collects the item into a fresh result file and returns the elements of its "ResultSet".
    // A file's properties are written by Write; a job by Collect.
    std::vector<Element> Written(ITreeElement& item) {
        ResultFileWriter writer(nullptr);
        writer.SetDirectory(data);
        writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
        item.writer = &writer;
        if (auto* properties = dynamic_cast<FileProperties*>(&item))
            properties->Write();
        else
            item.Collect();
        EXPECT_EQ(2, writer.GetDepth()) << "the item left elements open";
        writer.CloseDocument();
        WellFormedBytes(L"Job.xml");
        std::vector<Element> elements = ReadResultSet(DataFile(L"Job.xml"));
        DeleteFileW(DataFile(L"Job.xml").c_str());
        return elements;
    }
};

} // namespace

TEST(FileInfos, CaptionIsTheExpandedFolderAndTheFilter) {
    const std::wstring windows = WindowsDir();
    struct Case {
        std::wstring path, filter, caption;
    } cases[] = {
        {L"C:\\Logs", L"*.log", L"found file information of C:\\Logs\\*.log"},
        {L"C:/Logs//old", L"*.log", L"found file information of C:\\Logs\\old\\*.log"},
        {L"%windir%\\Logs", L"*.log", L"found file information of " + windows + L"\\Logs\\*.log"},
        // Already a folder text, or not one folder: the path as written.
        {L"C:\\Logs\\", L"*.log", L"found file information of C:\\Logs\\*.log"},
        {L"%ProgramFiles%\\App", L"*.dll", L"found file information of %ProgramFiles%\\App*.dll"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.caption, FileInfos(c.path, c.filter, false).GetValue()) << Narrow(c.path);

    FileInfos job(L"C:\\Logs", L"*.log", true);
    EXPECT_EQ(L"true", job.GetShowNumOfChildren());
    EXPECT_EQ(L"fileinfo", job.GetType());
    std::vector<ITreeElement*> children;
    job.GetChildren(children);
    EXPECT_TRUE(children.empty());
}

TEST_F(FileInfosTest, OneElementPerFileWithItsPropertiesAndNoneForAMissingFolder) {
    ScratchFolder tree(L"infos");
    CreateDirectoryW((tree / L"sub").c_str(), nullptr);
    WriteFileBytes(tree / L"a.txt", "abc");
    WriteFileBytes(tree / L"b.log", "");
    WriteFileBytes(tree / L"locked.txt", "secret");
    WriteFileBytes(tree / L"sub\\c.txt", "");
    UniqueHandle lock(CreateFileW((tree / L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);

    FileInfos job(tree.Path(), L"*.txt", true);
    auto& log = LogCapture::Start();
    const std::vector<Element> written = Written(job);
    ASSERT_EQ(1u, written.size());
    const Element& element = written[0];
    EXPECT_EQ("true", element.showNumOfChildren);
    EXPECT_EQ("fileinfo", element.type);
    EXPECT_EQ("found file information of " + Narrow(tree.Path()) + "\\*.txt", element.value);
    // Captions are relative to the job's folder; the locked file is reported with what it gives.
    ASSERT_EQ((std::vector<std::string>{"a.txt", "locked.txt", "sub\\c.txt"}), ValuesOf(element.children));
    for (const auto& file : element.children) {
        EXPECT_EQ("false", file.showNumOfChildren);
        EXPECT_EQ("fileinfo", file.type);
        for (const auto& leaf : file.children) {
            EXPECT_EQ("fileinfo", leaf.type);
            EXPECT_TRUE(leaf.children.empty());
        }
    }
    const std::vector<std::string> a = ValuesOf(element.children[0].children);
    ASSERT_EQ(6u, a.size());
    EXPECT_EQ("attributes: [-A--]", a[3]);
    EXPECT_EQ("extended attributes: [--I----]", a[4]);
    EXPECT_EQ("MD5: 900150983CD24FB0D6963F7D28E17F72", a[5]);
    EXPECT_EQ(5u, element.children[1].children.size()) << "no digest for the locked file";
    EXPECT_EQ("MD5: D41D8CD98F00B204E9800998ECF8427E", ValuesOf(element.children[2].children).back());
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Error, L"Cannot read file version info from file '" +
                                                                   (tree / L"locked.txt") + L"': " +
                                                                   System::GetErrorText(ERROR_SHARING_VIOLATION)}}),
              log.entries);

    FileInfos missing(tree / L"missing", L"*.txt", true);
    const std::vector<Element> none = Written(missing);
    ASSERT_EQ(1u, none.size());
    EXPECT_EQ("found file information of " + Narrow(tree.Path()) + "\\missing\\*.txt", none[0].value);
    EXPECT_TRUE(none[0].children.empty());
}

TEST_F(FileInfosTest, FilePropertiesWriteWhatTheirLeavesHold) {
    const std::wstring dll = FilesFixtureDir() + L"\\version\\full.dll";
    FileProperties properties(dll, L"");
    const std::vector<Element> written = Written(properties);
    ASSERT_EQ(1u, written.size());
    EXPECT_EQ("false", written[0].showNumOfChildren);
    EXPECT_EQ(Narrow(dll), written[0].value);

    std::vector<ITreeElement*> children;
    properties.GetChildren(children);
    std::vector<std::unique_ptr<ITreeElement>> owned(children.begin(), children.end());
    std::vector<std::string> leaves;
    for (const auto& child : owned) {
        EXPECT_EQ(L"fileinfo", child->GetType());
        leaves.push_back(Narrow(child->GetValue()));
    }
    EXPECT_EQ(leaves, ValuesOf(written[0].children));

    std::vector<std::string> labels;
    for (const auto& leaf : leaves)
        labels.push_back(leaf.substr(0, leaf.find(": ")));
    EXPECT_EQ((std::vector<std::string>{"date created", "date last modified", "date last access", "attributes",
                                        "extended attributes", "MD5", "file version", "product version", "Comments",
                                        "internal name", "product name", "company", "copyright",
                                        "product version (localized)", "description", "trademarks", "private build",
                                        "file version localized", "original filename", "special build", "language"}),
              labels);
}

TEST_F(FileInfosTest, CollectingWithoutAWriterThrowsBeforeWriting) {
    FileInfos job(L"C:\\", L"*", false);
    FileProperties properties(FilesFixtureDir() + L"\\version\\full.dll", L"");
    for (ITreeElement* item : std::initializer_list<ITreeElement*>{&job, &properties}) {
        try {
            if (item == &properties)
                properties.Write();
            else
                item->Collect();
            ADD_FAILURE() << "nothing thrown";
        } catch (const MessageException& e) {
            EXPECT_EQ(L"Result file writer not initialized", e.GetMessageText());
        }
    }
}

TEST_F(FileInfosTest, SystemFolderFilesOfBothViewsAreReported) {
    if (!System::OperatingSystem::Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no SysWOW64 folder";
    const std::wstring name = UniqueName(L"infos");
    NativePath native(NativeSystemDir() + L"\\" + name), wow(Wow64SystemDir() + L"\\" + name);
    for (NativePath* tree : {&native, &wow}) {
        tree->MakeFolder();
        tree->MakeFolder(L"x");
    }
    InNativeView([&] {
        WriteFileBytes(native.Path() + L"\\x\\n.dll", "abc");
        WriteFileBytes(wow.Path() + L"\\x\\w.dll", "");
    });

    FileInfos job(L"%windir%\\System32\\" + name, L"*.dll", true);
    const std::vector<Element> written = Written(job);
    ASSERT_EQ(1u, written.size());
    // Captions are relative to the configured folder; the 32-bit view's files lie elsewhere.
    ASSERT_EQ((std::vector<std::string>{"x\\n.dll", Narrow(wow.Path()) + "\\x\\w.dll"}), ValuesOf(written[0].children));
    EXPECT_EQ("MD5: 900150983CD24FB0D6963F7D28E17F72", ValuesOf(written[0].children[0].children).back());
    EXPECT_EQ("MD5: D41D8CD98F00B204E9800998ECF8427E", ValuesOf(written[0].children[1].children).back());
}

// As a 32-bit process on 64-bit Windows, every native-view access of the job (the searches, each
// folder's listing, each file's properties) lies between a switch-off and its switch-on; the
// files and their properties are the same as without switching.
TEST_F(FileInfosTest, EveryNativeViewAccessOfTheJobIsPairedWithItsSwitchBack) {
    if (!System::OperatingSystem::Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no view to switch";
    ScratchFolder scratch(L"switch");
    CreateDirectoryW((scratch / L"sub").c_str(), nullptr);
    WriteFileBytes(scratch / L"a.dll", "abc");
    WriteFileBytes(scratch / L"sub\\b.dll", "");

    Wow64StandIns switchCalls;
    FileInfos job(scratch.Path(), L"*.dll", true);
    const std::vector<Element> written = Written(job);
    ASSERT_EQ(1u, written.size());
    ASSERT_EQ((std::vector<std::string>{"a.dll", "sub\\b.dll"}), ValuesOf(written[0].children));
    EXPECT_EQ("MD5: 900150983CD24FB0D6963F7D28E17F72", ValuesOf(written[0].children[0].children).back());
    EXPECT_EQ("MD5: D41D8CD98F00B204E9800998ECF8427E", ValuesOf(written[0].children[1].children).back());
    EXPECT_TRUE(switchCalls.Paired());
    // At least the two searches, the two listings and one access per file.
    EXPECT_GE(switchCalls.Pairs(), 6u);
}
