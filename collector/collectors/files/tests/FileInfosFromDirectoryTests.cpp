#include "collector/collectors/files/Directory.h"
#include "collector/collectors/files/FileInfosFromDirectory.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/WrittenTree.h"
#include "common/Exceptions.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// Each file comes once per view it exists in: twice on 64-bit Windows, where an ordinary file
// is seen in both views.
std::size_t ViewsPerFile() { return System::OperatingSystem::Is64BitOperatingSystem() ? 2 : 1; }

// The file paths of the folder in the reverse of the order the system lists them,
// each repeated once per view.
std::vector<std::string> ReversedListing(const std::wstring& folder) {
    std::vector<std::string> paths;
    for (const auto& file : FileProperties::FindMatchingFiles(folder + L"\\*.*"))
        paths.insert(paths.begin(), ViewsPerFile(), Narrow(file));
    return paths;
}

class FolderFilesTest : public WorkingFolderTest {
protected:
    ScratchFolder tree{L"startup"};
};

} // namespace

TEST(Directory, ValidationTakesExactlyOneFolderWithoutWildcards) {
    ScratchFolder tree(L"directory");
    WriteFileBytes(tree / L"file.txt", "x");
    const std::wstring windows = WindowsDir();
    struct Case {
        std::wstring path;
        std::wstring resolved;  // empty: refused with `message`
        std::wstring message;
        std::vector<LogCapture::Entry> log;
    } cases[] = {
        {windows + L"\\", windows, L"", {}},
        {windows + L"\\\\\\", windows, L"", {}},
        {tree.Path(), tree.Path(), L"", {}},
        {windows.substr(0, 5) + L"*", L"", L"The directory " + windows.substr(0, 5) + L"* could not be found.",
         {{Logging::Error, L"Cannot open a directory including wildcards (*,?). Specified was " +
                               windows.substr(0, 5) + L"*."}}},
        {tree / L"fil?.txt", L"", L"The directory " + (tree / L"fil?.txt") + L" could not be found.",
         {{Logging::Error, L"Cannot open a directory including wildcards (*,?). Specified was " + (tree / L"fil?.txt") +
                               L"."}}},
        {tree / L"missing\\", L"",
         L"The directory " + (tree / L"missing\\") + L" could not be found: " +
             System::GetErrorText(ERROR_FILE_NOT_FOUND),
         {}},
        {tree / L"file.txt", L"",
         L"The directory The specified directory is no directory. Specified was " + (tree / L"file.txt") +
             L". could not be found.",
         {{Logging::Error, L"The specified directory is no directory. Specified was " + (tree / L"file.txt") + L"."}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.path));
        auto& log = LogCapture::Start();
        Directory directory(c.path);
        EXPECT_EQ(c.path, directory.GetPath());
        EXPECT_EQ(L"", directory.GetResolvedPath());
        if (c.resolved.empty()) {
            try {
                directory.Validate();
                ADD_FAILURE() << "nothing thrown";
            } catch (const DirectoryException& refused) {
                EXPECT_EQ(c.message, refused.GetMessageText());
            }
        } else {
            directory.Validate();
        }
        EXPECT_EQ(c.resolved, directory.GetResolvedPath());
        EXPECT_EQ(c.log, log.entries);
        // Validated once: a second call returns at once, also after a refusal.
        directory.Validate();
        EXPECT_EQ(c.log.size(), log.entries.size());
    }
}

TEST(Directory, FilesComeNewestListedFirstAheadOfWhatTheListHeld) {
    ScratchFolder tree(L"directory-files");
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.log"})
        WriteFileBytes(tree / name, Narrow(name));
    ASSERT_TRUE(CreateDirectoryW((tree / L"sub").c_str(), nullptr));
    WriteFileBytes(tree / L"sub\\d.txt", "below");

    Directory directory(tree.Path());
    directory.Validate();
    std::vector<std::unique_ptr<FileProperties>> files;
    files.push_back(std::make_unique<FileProperties>(tree / L"a.txt", L""));
    directory.GetFiles(files, tree / L"*.txt");
    std::vector<std::string> paths;
    for (const auto& file : files)
        paths.push_back(Narrow(file->GetPath()));
    std::vector<std::string> expected;
    for (const auto& file : FileProperties::FindMatchingFiles(tree / L"*.txt"))
        expected.insert(expected.begin(), ViewsPerFile(), Narrow(file));
    expected.push_back(Narrow(tree / L"a.txt"));
    EXPECT_EQ(expected, paths);
    EXPECT_EQ(2 * ViewsPerFile() + 1, files.size()) << "sub-folders yield nothing";

    // The wildcard path is taken as it comes: a folder written with a trailing backslash doubles it.
    files.clear();
    directory.GetFiles(files, tree.Path() + L"\\\\c.*");
    ASSERT_EQ(ViewsPerFile(), files.size());
    EXPECT_EQ(tree.Path() + L"\\\\c.log", files[0]->GetPath());
}

TEST_F(FolderFilesTest, EachFileIsAGroupOfItsPropertiesWithTheVersionFoldedIn) {
    WriteFileBytes(tree / L"notes.txt", "abc");
    ASSERT_TRUE(CopyFileW((FilesFixtureDir() + L"\\version\\full.dll").c_str(), (tree / L"tool.dll").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryW((tree / L"sub").c_str(), nullptr));
    WriteFileBytes(tree / L"sub\\hidden.txt", "not listed");

    FileInfosFromDirectory job(tree.Path() + L"\\");
    EXPECT_TRUE(job.HasDirectory());
    std::vector<ITreeElement*> before;
    job.GetChildren(before);
    EXPECT_TRUE(before.empty()) << "nothing is read before Collect";

    const Written element = CollectedOne(job);
    EXPECT_EQ("true", element.showNumOfChildren);
    EXPECT_EQ("folder", element.type);
    EXPECT_EQ(Narrow(tree.Path()), element.value) << "the validated path, trailing backslash removed";
    // Doubled backslash: the folder was given with one at its end.
    std::vector<std::string> expected = ReversedListing(tree.Path());
    for (auto& path : expected)
        path.insert(Narrow(tree.Path()).size(), "\\");
    ASSERT_EQ(expected, ValuesOf(element.children));

    for (const auto& group : element.children) {
        SCOPED_TRACE(group.value);
        EXPECT_EQ("file", group.type);
        EXPECT_EQ("false", group.showNumOfChildren);
        const bool isDll = group.value.size() > 4 && group.value.substr(group.value.size() - 4) == ".dll";
        std::vector<std::string> labels;
        for (const auto& leaf : group.children) {
            EXPECT_EQ("fileinfo", leaf.type);
            labels.push_back(leaf.value.substr(0, leaf.value.find(": ")));
        }
        const std::vector<std::string> basic{"date created", "date last modified", "date last access", "attributes",
                                             "extended attributes", "MD5"};
        if (!isDll) {
            EXPECT_EQ(basic, labels);
            continue;
        }
        std::vector<std::string> withMore = basic;
        withMore.push_back("...more infos");
        ASSERT_EQ(withMore, labels);
        const Written& more = group.children.back();
        EXPECT_EQ("false", more.showNumOfChildren);
        ASSERT_FALSE(more.children.empty());
        EXPECT_EQ("file version: ", more.children[0].value.substr(0, 14));
        EXPECT_EQ("language: ", more.children.back().value.substr(0, 10));
    }

    // Asked afterwards, the job hands out the same groups.
    std::vector<ITreeElement*> children;
    job.GetChildren(children);
    ASSERT_EQ(element.children.size(), children.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(element.children[i].value, Narrow(children[i]->GetValue()));
        EXPECT_EQ(L"file", children[i]->GetType());
    }
}

TEST_F(FolderFilesTest, AFolderThatFailsOrHoldsNothingShowsItsCaptionAlone) {
    auto& log = LogCapture::Start();
    FileInfosFromDirectory empty(tree.Path());
    const Written emptyElement = CollectedOne(empty);
    EXPECT_EQ(Narrow(tree.Path()), emptyElement.value);
    EXPECT_TRUE(emptyElement.children.empty());

    FileInfosFromDirectory missing(tree / L"missing\\");
    EXPECT_FALSE(missing.HasDirectory());
    const Written missingElement = CollectedOne(missing);
    EXPECT_EQ(Narrow(tree / L"missing\\"), missingElement.value) << "the path as passed in";
    EXPECT_TRUE(missingElement.children.empty());
    EXPECT_TRUE(log.entries.empty()) << "a folder that is not found is not logged";

    FileInfosFromDirectory wildcard(tree / L"*");
    EXPECT_FALSE(wildcard.HasDirectory());
    EXPECT_TRUE(CollectedOne(wildcard).children.empty());
    EXPECT_EQ(1u, log.entries.size());

    FileInfosFromDirectory unwritten(tree.Path());
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { unwritten.Collect(); }));
}
