#include "collector/core/Application.h"
#include "collector/core/CollectorEntry.h"

#include "common/Exceptions.h"
#include "common/ExitCode.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using Gathrix::Application;
using Gathrix::ExitException;
using namespace Gathrix::Testing;

// Runs `action` and gives back the ExitException it throws (code -1 when none).
std::pair<int, std::wstring> ExitOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ExitException& exception) {
        return {exception.GetExitCode(), exception.GetMessageText()};
    }
    return {-1, L""};
}

// Keeps the process's current folder across a test that changes it.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() { GetCurrentDirectoryW(MAX_PATH, saved); }
    ~CurrentFolderGuard() { SetCurrentDirectoryW(saved); }
    static std::wstring Current() {
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        return folder;
    }

private:
    wchar_t saved[MAX_PATH];
};

TEST(ApplicationNames, ResultFileNamesDropSlashesBlanksAndWhatNoFileNameHolds) {
    const struct {
        const wchar_t *level1, *level2, *level3, *expected;
    } cases[] = {
        {L"General", L"General Information", L"", L"General_GeneralInformation.xml"},
        {L"System", L"Event logs", L"Application/System", L"System_Eventlogs_ApplicationSystem.xml"},
        {L"System", L"", L"Drivers", L"System_Drivers.xml"},
        {L"A/B C", L"", L"", L"ABC.xml"},
        {L"Gr\u00f6\u00dfe \u03a9", L"x", L"y", L"Gr\u00f6\u00dfe\u03a9_x_y.xml"},
        {L"Files: C:\\Temp", L"a*b?", L"<c>|\"d\"\t", L"FilesCTemp_ab_cd.xml"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Application::MakeResultFileName(c.level1, c.level2, c.level3), c.expected) << c.expected;
    try {
        Application::MakeResultFileName(L"", L"x", L"y");
        ADD_FAILURE() << "empty level 1 accepted";
    } catch (const Gathrix::MessageException& exception) {
        EXPECT_EQ(exception.GetMessageText(), L"Level1 wasn't set. Can't create filename");
    }
}

TEST(ApplicationEntry, DebugPrivilegeFailureEndsWith3) {
    EXPECT_NO_THROW(Gathrix::EnableDebugPrivilege());
    auto [code, text] = ExitOf([] { Gathrix::EnableDebugPrivilege(L"SeNoSuchPrivilegeAtAll"); });
    EXPECT_EQ(code, Gathrix::NoDebugPrivilege);
    EXPECT_EQ(text, L"Permission denied.\nCannot set debug privileges.");
}

TEST(ApplicationPreparation, ModeFileIsQualifiedAgainstTheStartFolder) {
    CurrentFolderGuard guard;
    ScratchFolder scratch(L"app");
    WriteFileBytes(scratch / L"Mode.xml", "<Config />");
    SetCurrentDirectoryW(scratch.Path().c_str());
    EXPECT_EQ(Application::CheckSettingsFile(L".\\Mode.xml"), scratch / L"Mode.xml");
    EXPECT_EQ(Application::CheckSettingsFile(L"Mode.xml"), scratch / L"Mode.xml");
    auto [code, text] = ExitOf([] { Application::CheckSettingsFile(L"other.xml"); });
    EXPECT_EQ(code, Gathrix::ConfigFileError);
    EXPECT_EQ(text, L"File: '" + (scratch / L"other.xml") + L"' doesn't exist.");
}

TEST(ApplicationPreparation, WorkingFolderIsQualifiedCreatedAndMadeCurrent) {
    CurrentFolderGuard guard;
    ScratchFolder scratch(L"app");
    SetCurrentDirectoryW(scratch.Path().c_str());
    const struct {
        std::wstring given, expected;
    } cases[] = {
        {scratch / L"new\\with\\parents", scratch / L"new\\with\\parents"},
        {scratch / L"trailing\\", scratch / L"trailing"},
        {L"relative\\work", scratch / L"relative\\work"},
    };
    for (const auto& c : cases) {
        SetCurrentDirectoryW(scratch.Path().c_str());
        EXPECT_EQ(Application::PrepareWorkingFolder(c.given), c.expected);
        EXPECT_EQ(CurrentFolderGuard::Current(), c.expected);
    }
    SetEnvironmentVariableW(L"GATHRIX_TEST_ROOT", scratch.Path().c_str());
    // The variables read the environment once: a variable set before any test reads it is %TEMP%.
    wchar_t temp[MAX_PATH];
    GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    std::wstring expanded = Application::PrepareWorkingFolder(L"%temp%\\GathrixAppTest");
    EXPECT_EQ(expanded, std::wstring(temp) + L"\\GathrixAppTest");
    SetCurrentDirectoryW(scratch.Path().c_str());
    RemoveTree(expanded);
}

TEST(ApplicationPreparation, OnlyAnEarlierRunsLeftoversAreEmptiedAnythingElseIsRefusedWith5) {
    CurrentFolderGuard guard;
    ScratchFolder scratch(L"app");
    std::wstring work = scratch / L"work";
    CreateDirectoryW(work.c_str(), nullptr);
    CreateDirectoryW((work + L"\\data").c_str(), nullptr);
    CreateDirectoryW((work + L"\\data\\stylesheet").c_str(), nullptr);
    CreateDirectoryW((work + L"\\data\\images").c_str(), nullptr);
    WriteFileBytes(work + L"\\data\\images\\x.gif", "x");
    WriteFileBytes(work + L"\\index.html", "<html/>");

    ASSERT_EQ(Application::PrepareWorkingFolder(work), work);
    Application::EmptyWorkingFolder(work);
    EXPECT_FALSE(PathExists(work + L"\\data"));
    EXPECT_FALSE(PathExists(work + L"\\index.html"));
    SetCurrentDirectoryW(scratch.Path().c_str());

    // A run that ended with 9 before its stylesheet folder existed leaves an empty data folder:
    // it holds nothing to lose and must not lock every later run out.
    RemoveTree(work);
    CreateDirectoryW(work.c_str(), nullptr);
    CreateDirectoryW((work + L"\\data").c_str(), nullptr);
    ASSERT_EQ(Application::PrepareWorkingFolder(work), work);
    Application::EmptyWorkingFolder(work);
    EXPECT_FALSE(PathExists(work + L"\\data"));
    SetCurrentDirectoryW(scratch.Path().c_str());

    // Each of these makes the folder someone else's.
    for (const wchar_t* foreign : {L"notes.txt", L"data", L"index.html\\", L"data\\"}) {
        RemoveTree(work);
        CreateDirectoryW(work.c_str(), nullptr);
        std::wstring path = work + L"\\" + foreign;
        if (path.back() == L'\\') {
            path.pop_back();
            // A folder named like the start page, or a user's own data folder without a run's trace.
            CreateDirectoryW(path.c_str(), nullptr);
            WriteFileBytes(path + L"\\mine.txt", "mine");
        } else {
            WriteFileBytes(path, "mine");  // a file, even one named like the data folder
        }
        auto [code, text] = ExitOf([&] { Application::PrepareWorkingFolder(work); });
        EXPECT_EQ(code, Gathrix::TempFolderError) << foreign;
        EXPECT_EQ(text, L"Cannot use the temporary folder '" + work + L"'.");
        EXPECT_TRUE(PathExists(path)) << foreign;
        EXPECT_EQ(CurrentFolderGuard::Current(), scratch.Path());
    }

    RemoveTree(work);
    CreateDirectoryW(work.c_str(), nullptr);
    WriteFileBytes(work + L"\\file", "x");
    auto [code, text] = ExitOf([&] { Application::PrepareWorkingFolder(work + L"\\file\\below"); });
    EXPECT_EQ(code, Gathrix::TempFolderError);
    EXPECT_EQ(text, L"No access to temporary folder '" + work + L"\\file\\below'.");
}

TEST(ApplicationPreparation, DataFoldersAreCreatedOrEndWith9) {
    CurrentFolderGuard guard;
    ScratchFolder scratch(L"app");
    SetCurrentDirectoryW(scratch.Path().c_str());
    CreateDirectoryW(L"data", nullptr);
    CreateDirectoryW(L"data\\images", nullptr);
    WriteFileBytes(scratch / L"data\\images\\kept.gif", "present folders are kept as they are");
    Application::CreateDataFolders(scratch.Path());
    for (const wchar_t* folder : {L"data\\stylesheet", L"data\\scripts", L"data\\images"}) {
        DWORD attributes = GetFileAttributesW((scratch / folder).c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << folder;
    }
    EXPECT_TRUE(PathExists(scratch / L"data\\images\\kept.gif"));

    // A file where the data folder belongs: nothing below it can be made.
    RemoveTree(scratch / L"data");
    WriteFileBytes(scratch / L"data", "x");
    auto [code, text] = ExitOf([&] { Application::CreateDataFolders(scratch.Path()); });
    EXPECT_EQ(code, Gathrix::DataFoldersNotCreated);
    EXPECT_EQ(text, L"Can't create directories in temporary folder: " + scratch.Path());
}

} // namespace
