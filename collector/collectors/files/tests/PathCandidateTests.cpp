#include "collector/collectors/files/PathCandidate.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/platform/Variables.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Gathrix;
using namespace Gathrix::Testing;
using System::OperatingSystem::Is64BitOperatingSystem;

namespace {

struct Found {
    std::wstring path;
    bool useRedirection;
    bool operator==(const Found& other) const {
        return Utils::EqualsNoCase(path, other.path) && useRedirection == other.useRedirection;
    }
};

void PrintTo(const Found& found, std::ostream* out) {
    *out << "{" << std::string(found.path.begin(), found.path.end()) << ", " << found.useRedirection << "}";
}

std::vector<Found> Resolve(const std::wstring& text) {
    std::vector<Found> found;
    for (const auto& candidate : ResolvePathCandidates(text)) {
        EXPECT_FALSE(candidate.IsViewEntered());
        found.push_back({candidate.GetPath(), candidate.UsesRedirection()});
    }
    return found;
}

// A file that exists in both views of a 64-bit Windows comes back once per view, the 32-bit
// view's first; on 32-bit Windows once.
std::vector<Found> BothViews(const std::wstring& path) {
    if (Is64BitOperatingSystem())
        return {{path, true}, {path, false}};
    return {{path, false}};
}

} // namespace

TEST(MapToRedirectedPath, TranslatesWholeComponentsOfRedirectedFoldersOnly) {
    const std::wstring windows = WindowsDir();
    struct Case {
        std::wstring path;
        bool mapped;
        std::wstring out;
    } cases[] = {
        {windows + L"\\System32\\a.dll", true, windows + L"\\SysWOW64\\a.dll"},
        {windows + L"\\SYSTEM32\\Sub\\b.dll", true, windows + L"\\SysWOW64\\Sub\\b.dll"},
        {windows + L"\\System32", true, windows + L"\\SysWOW64"},
        {windows + L"\\lastgood\\system32\\c.dll", true, windows + L"\\lastgood\\SysWOW64\\c.dll"},
        // Only the leading folder is translated, not the same text further on.
        {windows + L"\\System32\\x" + windows + L"\\System32", true,
         windows + L"\\SysWOW64\\x" + windows + L"\\System32"},
        {windows + L"\\System32x\\a.dll", false, L""},
        {windows + L"\\System32\\spool\\drivers\\x.dll", false, L""},
        {windows + L"\\System32\\spool", false, L""},
        {windows + L"\\System32\\spoolss.dll", true, windows + L"\\SysWOW64\\spoolss.dll"},
        {windows + L"\\System32\\drivers\\etc\\hosts", false, L""},
        {windows + L"\\System32\\drivers\\etcetera", true, windows + L"\\SysWOW64\\drivers\\etcetera"},
        {windows + L"\\System32\\catroot2\\x", false, L""},
        {windows + L"\\System32\\LogFiles\\x", false, L""},
        {windows + L"\\SysWOW64\\a.dll", false, L""},
        {L"C:\\Other\\System32\\a.dll", false, L""},
        {L"", false, L""},
    };
    for (const auto& c : cases) {
        std::wstring out = L"untouched";
        EXPECT_EQ(c.mapped, MapToRedirectedPath(c.path, out)) << std::string(c.path.begin(), c.path.end());
        EXPECT_EQ(c.mapped ? c.out : L"untouched", out);
    }
}

TEST(PathCandidate, ViewIsEnteredOnceAndLeftByTheDestructor) {
    if (!Is64BitOperatingSystem())
        GTEST_SKIP() << "Windows here is 32-bit: there is no view to switch";
    Wow64StandIns switchCalls;
    const auto& calls = Wow64StandIns::Calls();
    PathCandidate candidate(L"C:\\x", false);
    EXPECT_FALSE(candidate.IsViewEntered());
    candidate.EnterView();
    candidate.EnterView();  // a second enter must not switch again
    EXPECT_TRUE(candidate.IsViewEntered());
    EXPECT_EQ(std::vector<std::wstring>{L"off"}, calls);
    PathCandidate copy(candidate);
    EXPECT_FALSE(copy.IsViewEntered());
    candidate.LeaveView();
    candidate.LeaveView();
    EXPECT_FALSE(candidate.IsViewEntered());
    EXPECT_EQ((std::vector<std::wstring>{L"off", L"on"}), calls);
    {
        PathCandidate forgotten(L"C:\\y", false);
        forgotten.EnterView();
    }
    EXPECT_EQ((std::vector<std::wstring>{L"off", L"on", L"off", L"on"}), calls);
    // Had the destructor not left the view, this enter would be refused as a second switch-off.
    PathCandidate next(L"C:\\z", false);
    next.EnterView();
    EXPECT_TRUE(next.IsViewEntered());
    next.LeaveView();
    // The 32-bit view is the one the process has anyway: its candidates never switch.
    PathCandidate view32(L"C:\\w", true);
    view32.EnterView();
    view32.LeaveView();
    EXPECT_EQ(3u, switchCalls.Pairs());
    EXPECT_TRUE(switchCalls.Paired());
}

TEST(ResolvePathCandidates, DerivesTheFileFromPrefixesQuotesAndArguments) {
    ScratchFolder scratch(L"resolve");
    const std::wstring folder = scratch / L"Program Files";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring app = folder + L"\\app.exe";
    WriteFileBytes(app, "MZ");
    const std::wstring plain = scratch / L"plain.sys";
    WriteFileBytes(plain, "x");

    // The Windows folder's own Temp folder lies outside the redirected folders.
    NativePath driver(WindowsDir() + L"\\Temp\\" + UniqueName(L"driver") + L".sys");
    driver.MakeFile();
    const std::wstring driverName = driver.Path().substr(WindowsDir().size() + 1);

    struct Case {
        std::wstring text;
        std::vector<Found> expected;
    } cases[] = {
        {plain, BothViews(plain)},
        {L"\"" + app + L"\" /run", BothViews(app)},
        {L"\"" + app + L"\"", BothViews(app)},
        // Unquoted, the first piece ends at the blank in the folder name.
        {app + L" /run", {}},
        {L"\"" + app, {}},
        // The system itself takes this form; the prefix is removed only when the text fails.
        {L"\\??\\" + plain, BothViews(L"\\??\\" + plain)},
        {L"\\??\\\"" + app + L"\" /run", BothViews(app)},
        {L"\\SystemRoot\\" + driverName, BothViews(WindowsDir() + L"\\" + driverName)},
        {L"\\systemroot\\" + driverName + L" -k group", BothViews(WindowsDir() + L"\\" + driverName)},
        {L"%GATHRIX_NOT_DEFINED%\\plain.sys", {}},
        {scratch.Path(), {}},
        {scratch / L"missing.sys", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Resolve(c.text)) << std::string(c.text.begin(), c.text.end());
}

TEST(ResolvePathCandidates, ExpandsVariablesFirst) {
    ScratchFolder scratch(L"resolvevar");
    WriteFileBytes(scratch / L"v.dll", "x");
    SetEnvironmentVariableW(L"GATHRIX_TEST_FOLDER", scratch.Path().c_str());
    System::Variables::Destroy();  // the variables read the environment when made
    EXPECT_EQ(BothViews(scratch / L"v.dll"), Resolve(L"%GATHRIX_TEST_FOLDER%\\v.dll"));
    SetEnvironmentVariableW(L"GATHRIX_TEST_FOLDER", nullptr);
    System::Variables::Destroy();
}

TEST(ResolvePathCandidates, FindsBareNamesInTheCurrentFolderThenAlongPath) {
    ScratchFolder current(L"current"), first(L"path1"), second(L"path2");
    const std::wstring name = UniqueName(L"bare") + L".exe";
    WriteFileBytes(second / name, "x");
    WriteFileBytes(current / L"here.exe", "x");

    wchar_t oldPath[32767] = {};
    GetEnvironmentVariableW(L"PATH", oldPath, 32767);
    SetEnvironmentVariableW(L"PATH", (first.Path() + L";;" + second.Path() + L"\\;" + oldPath).c_str());
    System::Variables::Destroy();  // PATH is read once per variables object
    wchar_t oldCurrent[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, oldCurrent);
    SetCurrentDirectoryW(current.Path().c_str());

    EXPECT_EQ(BothViews(second / name), Resolve(name));
    EXPECT_EQ(BothViews(second / name), Resolve(name + L" --option"));
    EXPECT_EQ(BothViews(L"here.exe"), Resolve(L"here.exe"));
    WriteFileBytes(first / name, "x");
    EXPECT_EQ(BothViews(first / name), Resolve(name));
    EXPECT_EQ(std::vector<Found>{}, Resolve(L"not-there-" + name));

    SetCurrentDirectoryW(oldCurrent);
    SetEnvironmentVariableW(L"PATH", oldPath);
    System::Variables::Destroy();
}

TEST(ResolvePathCandidates, SystemFolderFilesComeFromTheViewTheyLieIn) {
    if (!Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 64-bit Windows: there is no SysWOW64 folder";
    NativePath onlyNative(NativeSystemDir() + L"\\" + UniqueName(L"native") + L".dll");
    onlyNative.MakeFile();
    const std::wstring only32Name = UniqueName(L"only32") + L".dll";
    NativePath only32(Wow64SystemDir() + L"\\" + only32Name);
    only32.MakeFile();
    const std::wstring bothName = UniqueName(L"both") + L".dll";
    NativePath bothNative(NativeSystemDir() + L"\\" + bothName), both32(Wow64SystemDir() + L"\\" + bothName);
    bothNative.MakeFile();
    both32.MakeFile();
    const std::wstring hostsName = UniqueName(L"hosts");
    NativePath exempt(NativeSystemDir() + L"\\drivers\\etc\\" + hostsName);
    exempt.MakeFile();

    EXPECT_EQ((std::vector<Found>{{onlyNative.Path(), false}}), Resolve(onlyNative.Path()));
    EXPECT_EQ((std::vector<Found>{{only32.Path(), true}}), Resolve(NativeSystemDir() + L"\\" + only32Name));
    EXPECT_EQ((std::vector<Found>{{both32.Path(), true}, {bothNative.Path(), false}}),
              Resolve(L"%windir%\\System32\\" + bothName));
    // The exempt folder is the same folder in both views: the 32-bit candidate keeps its text.
    EXPECT_EQ((std::vector<Found>{{exempt.Path(), true}, {exempt.Path(), false}}), Resolve(exempt.Path()));
}

// A 32-bit process's case: the 64-bit test build, with one view, does not build it.
#ifndef GATHRIX_TEST_BUILD_64
TEST(PathCandidate, NativeViewShowsTheNativeSystemFolderUnderWow64) {
    if (!RunsUnderWow64())
        GTEST_SKIP() << "needs a 64-bit Windows: a 32-bit Windows has one view";
    NativePath onlyNative(NativeSystemDir() + L"\\" + UniqueName(L"native") + L".dll");
    onlyNative.MakeFile();
    EXPECT_FALSE(PathExists(onlyNative.Path()));  // redirected to SysWOW64
    PathCandidate candidate(onlyNative.Path(), false);
    candidate.EnterView();
    EXPECT_TRUE(PathExists(onlyNative.Path()));
    candidate.LeaveView();
    EXPECT_FALSE(PathExists(onlyNative.Path()));
    EXPECT_TRUE(PathCandidate(onlyNative.Path(), false).FileExists());
    EXPECT_FALSE(PathCandidate(onlyNative.Path(), true).FileExists());
}
#endif

TEST(PathCandidate, ThirtyTwoBitWindowsHasOnlyTheNativeView) {
    if (Is64BitOperatingSystem())
        GTEST_SKIP() << "needs a 32-bit Windows (a WINEARCH=win32 prefix)";
    try {
        PathCandidate candidate(L"C:\\x", true);
        FAIL() << "the 32-bit view was accepted on 32-bit Windows";
    } catch (const std::runtime_error& refused) {
        EXPECT_STREQ("WOW 64 file system redirection cannot be used on a 32bit operating system.", refused.what());
    }
    ScratchFolder scratch(L"win32");
    WriteFileBytes(scratch / L"a.dll", "x");
    EXPECT_EQ((std::vector<Found>{{scratch / L"a.dll", false}}), Resolve(scratch / L"a.dll"));
    const std::wstring systemFile = NativeSystemDir() + L"\\kernel32.dll";
    EXPECT_EQ((std::vector<Found>{{systemFile, false}}), Resolve(systemFile));
}
