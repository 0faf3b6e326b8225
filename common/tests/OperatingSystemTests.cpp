#include "common/OperatingSystem.h"

#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace Gathrix::System::OperatingSystem;

namespace {

// The version as the kernel reports it, beside the API under test.
RTL_OSVERSIONINFOW KernelVersion() {
    RTL_OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "RtlGetVersion")));
    if (rtlGetVersion)
        rtlGetVersion(&version);
    return version;
}

} // namespace

TEST(OperatingSystem, VersionTestsAgreeWithTheKernel) {
    const RTL_OSVERSIONINFOW running = KernelVersion();
    ASSERT_GT(running.dwMajorVersion, 4u);
    const DWORD major = running.dwMajorVersion;
    const int minor = static_cast<int>(running.dwMinorVersion);

    struct Probe {
        DWORD major;
        int minor;
        bool orGreater;
        bool exactly;
    };
    const Probe probes[] = {
        {major, minor, true, true},
        {major, -1, true, true},
        {major, minor + 1, false, false},
        {major + 1, -1, false, false},
        {major + 1, 0, false, false},
        {major - 1, -1, true, false},
        {major - 1, 99, true, false},  // a smaller major passes whatever its minor
        {0xFFFFFFFFu, -1, false, false},
        {0xFFFFFFFEu, -1, false, false},
    };
    for (const Probe& p : probes) {
        EXPECT_EQ(p.orGreater, IsVersionOrGreater(p.major, p.minor)) << p.major << "." << p.minor;
        EXPECT_EQ(p.exactly, IsVersion(p.major, p.minor)) << p.major << "." << p.minor;
    }
    if (minor > 0) {
        EXPECT_TRUE(IsVersionOrGreater(major, minor - 1));
        EXPECT_FALSE(IsVersion(major, minor - 1));
    }
    EXPECT_EQ(major == 6 && minor == 0, IsWindowsVistaOrServer2008());
    EXPECT_EQ(major == 5 && minor == 1, IsWindowsXp());
}

TEST(OperatingSystem, Is64BitFollowsTheNativeArchitecture) {
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    EXPECT_EQ(info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64, Is64BitOperatingSystem());
#ifdef _WIN64
    EXPECT_TRUE(Is64BitOperatingSystem());
#endif
}

TEST(OperatingSystem, AdministratorOnlyWithTheGroupEnabled) {
    EXPECT_EQ(1, IsUserAdmin());

    // The same test in a child whose token has the Administrators group for deny only.
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                         0, 0, 0, 0, &administrators));
    HANDLE processToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &processToken));
    SID_AND_ATTRIBUTES denied = {administrators, 0};
    HANDLE restricted = nullptr;
    BOOL made = CreateRestrictedToken(processToken, 0, 1, &denied, 0, nullptr, 0, nullptr, &restricted);
    CloseHandle(processToken);
    FreeSid(administrators);
    ASSERT_TRUE(made);

    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    Gathrix::Testing::ProcessOptions options;
    options.token = restricted;
    SetEnvironmentVariableW(L"GATHRIX_EXPECTED_ADMIN", L"0");
    auto result = Gathrix::Testing::RunProcess(std::wstring(L"\"") + self +
                                                   L"\" --gtest_filter=OperatingSystemChild.ExpectedAdmin",
                                               options);
    SetEnvironmentVariableW(L"GATHRIX_EXPECTED_ADMIN", nullptr);
    CloseHandle(restricted);
    EXPECT_EQ(0u, result.exitCode) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("[  PASSED  ] 1 test")) << result.output;
}

// The child of the test above: it says which answer its token must give.
TEST(OperatingSystemChild, ExpectedAdmin) {
    wchar_t expected[8] = {};
    if (GetEnvironmentVariableW(L"GATHRIX_EXPECTED_ADMIN", expected, 8) == 0)
        GTEST_SKIP() << "runs only as the child of AdministratorOnlyWithTheGroupEnabled";
    EXPECT_EQ(_wtoi(expected), IsUserAdmin());
}
