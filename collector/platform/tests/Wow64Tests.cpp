#include "collector/platform/Wow64.h"

#include "collector/platform/Variables.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace Gathrix::System::OperatingSystem;
using Gathrix::Testing::LogCapture;
using Entries = std::vector<LogCapture::Entry>;

namespace {

const LogCapture::Entry secondDisable = {
    Gathrix::Logging::Error,
    L"An attempt to disable file system redirection was made before a previous attempt was successfully reverted."};
const LogCapture::Entry revertWithoutDisable = {
    Gathrix::Logging::Error, L"An attempt to revert file system redirection was made although it was not disabled."};

bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring Windir() {
    wchar_t buffer[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"windir", buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

// A fresh switch for each test; a test that leaves the redirection off fails here.
class Wow64Test : public ::testing::Test {
protected:
    void SetUp() override {
        Wow64::Destroy();
        if (!Is64BitOperatingSystem())
            GTEST_SKIP() << "Windows here is 32-bit: there is no redirection to switch";
    }
    void TearDown() override { Wow64::Destroy(); }
};

} // namespace

TEST_F(Wow64Test, CallsArePairedAndMisuseIsRefused) {
    LogCapture& log = LogCapture::Start();
    EXPECT_FALSE(Wow64::RevertFileSystemRedirection());
    EXPECT_EQ(Entries{revertWithoutDisable}, log.entries);

    log.entries.clear();
    if (!Wow64::DisableFileSystemRedirection() && !RunsUnderWow64())
        GTEST_SKIP() << "the system refuses to switch the redirection of a 64-bit process";
    log.entries.clear();
    EXPECT_FALSE(Wow64::DisableFileSystemRedirection());
    EXPECT_TRUE(Wow64::RevertFileSystemRedirection());
    EXPECT_FALSE(Wow64::RevertFileSystemRedirection());
    EXPECT_TRUE(Wow64::DisableFileSystemRedirection());
    EXPECT_TRUE(Wow64::RevertFileSystemRedirection());
    EXPECT_EQ((Entries{secondDisable, revertWithoutDisable}), log.entries);
}

TEST_F(Wow64Test, OwnerRevertsOnlyWhatItSwitchedOff) {
    LogCapture& log = LogCapture::Start();
    {
        Wow64RedirectionOff outer;
        if (!outer.Succeeded() && !RunsUnderWow64())
            GTEST_SKIP() << "the system refuses to switch the redirection of a 64-bit process";
        ASSERT_TRUE(outer.Succeeded());
        {
            Wow64RedirectionOff inner;
            EXPECT_FALSE(inner.Succeeded());
        }
        // The inner owner reverted nothing: the redirection is still off.
        EXPECT_FALSE(Wow64::DisableFileSystemRedirection());
    }
    EXPECT_TRUE(Wow64::DisableFileSystemRedirection());
    EXPECT_TRUE(Wow64::RevertFileSystemRedirection());
    EXPECT_EQ((Entries{secondDisable, secondDisable}), log.entries);
}

// A 32-bit process's case: the 64-bit test build, with one view, does not build it.
#ifndef GATHRIX_TEST_BUILD_64
TEST_F(Wow64Test, NativeSystemFolderOnlyWithRedirectionOff) {
    if (!RunsUnderWow64())
        GTEST_SKIP() << "Windows here is 32-bit: the file-system views are one";
    const std::wstring name = L"\\gathrix-native-only-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    const std::wstring nativePath = Windir() + L"\\System32" + name;
    {
        Wow64RedirectionOff off;
        ASSERT_TRUE(off.Succeeded());
        Gathrix::Testing::WriteFileBytes(nativePath, "native");
        EXPECT_TRUE(Gathrix::Testing::PathExists(nativePath));
    }
    EXPECT_FALSE(Gathrix::Testing::PathExists(nativePath));  // reaches SysWOW64 now
    {
        Wow64RedirectionOff off;
        ASSERT_TRUE(off.Succeeded());
        EXPECT_TRUE(Gathrix::Testing::PathExists(nativePath));
        DeleteFileW(nativePath.c_str());
    }
}
#endif

TEST(Wow64Folders, RedirectedAndExemptFolders) {
    const std::wstring windir = Windir();
    ASSERT_FALSE(windir.empty());
    const std::vector<std::pair<std::wstring, std::wstring>> redirected = {
        {windir + L"\\System32", windir + L"\\SysWOW64"},
        {windir + L"\\lastgood\\system32", windir + L"\\lastgood\\SysWOW64"},
    };
    EXPECT_EQ(redirected, Wow64::GetRedirectedDirectories());

    std::vector<std::wstring> exempt = {windir + L"\\system32\\catroot", windir + L"\\system32\\catroot2",
                                        windir + L"\\system32\\drivers\\etc", windir + L"\\system32\\logfiles",
                                        windir + L"\\system32\\spool"};
    if (IsVersion(5, 1) || IsVersion(5, 2) || IsVersion(6, 0))
        exempt.push_back(windir + L"\\system32\\driverstore");
    EXPECT_EQ(exempt, Wow64::GetRedirectionExemptDirectories());
}

// The release tests and the exempt list under the releases this system can pretend to be.
TEST(Wow64Folders, WindowsReleases) {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_GT(length, 0u);
    wchar_t wineVersion[16] = {};
    if (GetEnvironmentVariableW(L"GATHRIX_RELEASE_CHILD", wineVersion, 16) > 0)
        GTEST_SKIP() << "this is the child process, see ReleaseChild";

    HMODULE ntdll = GetModuleHandleW(L"ntdll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr)
        GTEST_SKIP() << "only Wine lets one program pretend to be another Windows release";

    struct Release {
        const wchar_t* word;
        const wchar_t* expected;  // "major minor xp vista exempt"
    };
    const Release releases[] = {
        {L"win7", L"6 1 0 0 5"},
        {L"vista", L"6 0 0 1 6"},
        {L"winxp64", L"5 2 1 0 6"},
        {L"win10", L"10 0 0 0 5"},
    };
    Gathrix::Testing::ScratchFolder scratch(L"releases");
    for (const Release& release : releases) {
        const std::wstring exeName = L"gathrix-release-" + std::wstring(release.word) + L"-" +
                                     std::to_wstring(GetCurrentProcessId()) + L".exe";
        const std::wstring copy = scratch / exeName;
        ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
        const std::wstring appKey = L"Software\\Wine\\AppDefaults\\" + exeName;
        Gathrix::UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key.Put(), nullptr));
        const std::wstring word = release.word;
        RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(word.c_str()),
                       static_cast<DWORD>((word.size() + 1) * sizeof(wchar_t)));
        key.Reset();

        SetEnvironmentVariableW(L"GATHRIX_RELEASE_CHILD", release.expected);
        auto result = Gathrix::Testing::RunProcess(L"\"" + copy + L"\" --gtest_filter=Wow64Folders.ReleaseChild");
        SetEnvironmentVariableW(L"GATHRIX_RELEASE_CHILD", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());
        EXPECT_EQ(0u, result.exitCode) << Gathrix::Utils::ToUtf8(release.word) << "\n" << result.output;
        EXPECT_NE(std::string::npos, result.output.find("[  PASSED  ] 1 test")) << result.output;
    }
}

TEST(Wow64Folders, ReleaseChild) {
    wchar_t expected[32] = {};
    if (GetEnvironmentVariableW(L"GATHRIX_RELEASE_CHILD", expected, 32) == 0)
        GTEST_SKIP() << "runs only as the child of WindowsReleases";
    unsigned major = 0, minor = 0, xp = 0, vista = 0, exempt = 0;
    ASSERT_EQ(5, swscanf(expected, L"%u %u %u %u %u", &major, &minor, &xp, &vista, &exempt));
    EXPECT_TRUE(IsVersion(major, static_cast<int>(minor)));
    EXPECT_TRUE(IsVersion(major));
    EXPECT_FALSE(IsVersion(major, static_cast<int>(minor) + 1));
    EXPECT_EQ(xp != 0, IsWindowsXp());
    EXPECT_EQ(vista != 0, IsWindowsVistaOrServer2008());
    EXPECT_EQ(exempt, Wow64::GetRedirectionExemptDirectories().size());
}

namespace {

// Stand-ins for the system's switch: they record their calls and answer as told.
struct FakeSystem {
    static inline int disableCalls = 0;
    static inline int revertCalls = 0;
    static inline bool disableSucceeds = true;
    static inline bool revertSucceeds = true;
    static inline PVOID revertedWith = nullptr;

    static BOOL WINAPI Disable(PVOID* oldValue) {
        ++disableCalls;
        *oldValue = reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(0x1234 + disableCalls));
        return disableSucceeds;
    }
    static BOOL WINAPI Revert(PVOID oldValue) {
        ++revertCalls;
        revertedWith = oldValue;
        return revertSucceeds;
    }
    static void Reset() {
        disableCalls = revertCalls = 0;
        disableSucceeds = revertSucceeds = true;
        revertedWith = nullptr;
    }
};

} // namespace

TEST_F(Wow64Test, StatesOfTheSwitch) {
    FakeSystem::Reset();
    Wow64::UseRedirectionFunctions(&FakeSystem::Disable, &FakeSystem::Revert);
    LogCapture& log = LogCapture::Start();
    struct Step {
        bool disable;  // else revert
        bool systemSucceeds;
        bool result;
        std::vector<LogCapture::Entry> logged;
    };
    const LogCapture::Entry disableFailed = {Gathrix::Logging::Error, L"Unable to disable wow64 redirection"};
    const LogCapture::Entry revertFailed = {Gathrix::Logging::Error, L"Unable to revert wow64 redirection"};
    const Step steps[] = {
        {false, true, false, {revertWithoutDisable}},
        {true, false, false, {disableFailed}},   // a failed disable leaves the switch on
        {false, true, false, {revertWithoutDisable}},
        {true, true, true, {}},
        {true, true, false, {secondDisable}},
        {false, false, false, {revertFailed}},   // a failed revert leaves it off
        {true, true, false, {secondDisable}},
        {false, true, true, {}},
        {false, true, false, {revertWithoutDisable}},
        {true, true, true, {}},
    };
    int expectedDisableCalls = 0, expectedRevertCalls = 0;
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
        const Step& step = steps[i];
        log.entries.clear();
        FakeSystem::disableSucceeds = FakeSystem::revertSucceeds = step.systemSucceeds;
        bool result = step.disable ? Wow64::DisableFileSystemRedirection() : Wow64::RevertFileSystemRedirection();
        EXPECT_EQ(step.result, result) << "step " << i;
        EXPECT_EQ(step.logged, log.entries) << "step " << i;
        // The system is asked only when the state allows the call.
        const bool asked = step.logged.empty() || step.logged[0] == disableFailed || step.logged[0] == revertFailed;
        (step.disable ? expectedDisableCalls : expectedRevertCalls) += asked ? 1 : 0;
        EXPECT_EQ(expectedDisableCalls, FakeSystem::disableCalls) << "step " << i;
        EXPECT_EQ(expectedRevertCalls, FakeSystem::revertCalls) << "step " << i;
    }

    // Still off at the end of the process: the switch turns it back on with the system's value.
    FakeSystem::revertSucceeds = true;
    const int revertsBefore = FakeSystem::revertCalls;
    Wow64::Destroy();
    EXPECT_EQ(revertsBefore + 1, FakeSystem::revertCalls);
    EXPECT_EQ(reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(0x1234 + FakeSystem::disableCalls)),
              FakeSystem::revertedWith);
}

TEST_F(Wow64Test, OwnerPairsTheCalls) {
    FakeSystem::Reset();
    Wow64::UseRedirectionFunctions(&FakeSystem::Disable, &FakeSystem::Revert);
    LogCapture& log = LogCapture::Start();
    {
        Wow64RedirectionOff outer;
        EXPECT_TRUE(outer.Succeeded());
        {
            Wow64RedirectionOff inner;
            EXPECT_FALSE(inner.Succeeded());
        }
        EXPECT_EQ(0, FakeSystem::revertCalls);  // the inner owner switched nothing, so it reverts nothing
    }
    EXPECT_EQ(1, FakeSystem::disableCalls);
    EXPECT_EQ(1, FakeSystem::revertCalls);
    FakeSystem::disableSucceeds = false;
    {
        Wow64RedirectionOff refused;
        EXPECT_FALSE(refused.Succeeded());
    }
    EXPECT_EQ(1, FakeSystem::revertCalls);
    EXPECT_EQ((Entries{secondDisable, {Gathrix::Logging::Error, L"Unable to disable wow64 redirection"}}), log.entries);
}
