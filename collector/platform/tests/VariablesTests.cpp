#include "collector/platform/Variables.h"

#include "common/Text.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <userenv.h>

#include <map>
#include <string>
#include <vector>

using Gathrix::System::Variables;
using Gathrix::Testing::LogCapture;
using Strings = std::vector<std::wstring>;

namespace {

// Sets environment variables for one test and rebuilds the variables from that environment.
class VariablesTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& [name, value] : saved)
            SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
        Variables::Destroy();
    }

    void SetVariable(const std::wstring& name, const wchar_t* value) {
        if (saved.find(name) == saved.end())
            saved[name] = Get(name);
        ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), value)) << "setting a variable of this process";
    }

    static std::wstring Get(const std::wstring& name) {
        wchar_t buffer[32767];
        DWORD length = GetEnvironmentVariableW(name.c_str(), buffer, 32767);
        return std::wstring(buffer, length);
    }

    static Variables& Fresh() {
        Variables::Destroy();
        return Variables::Instance();
    }

    std::map<std::wstring, std::wstring> saved;
};

} // namespace

TEST_F(VariablesTest, EnvironmentEntriesSplitAtTheirFirstEqualsSign) {
    SetVariable(L"GATHRIX_EQUALS", L"a=b=c");
    SetVariable(L"GATHRIX_EMPTY", L"");
    SetVariable(L"=Y:", L"Y:\\work");
    std::map<std::wstring, std::wstring> environment = Fresh().GetEnvironmentVariables();
    EXPECT_EQ(L"a=b=c", environment[L"%GATHRIX_EQUALS%"]);
    EXPECT_EQ(L"Y:\\work", environment[L"%=Y:%"]);
    EXPECT_EQ(1u, environment.count(L"%GATHRIX_EMPTY%"));
    EXPECT_EQ(Strings{L"a=b=c\\x"}, Variables::Instance().Expand(L"%gathrix_equals%\\x"));
}

TEST_F(VariablesTest, ExpandReplacesEachVariableOnceInKeyOrder) {
    SetVariable(L"GATHRIX_A", L"[%GATHRIX_B%|?Prog?|]");  // B and the program variable come later
    SetVariable(L"GATHRIX_B", L"b");
    SetVariable(L"GATHRIX_C", L"[%GATHRIX_B%]");          // B came earlier: stays a token
    SetVariable(L"GATHRIX_SELF", L"%GATHRIX_SELF%+");
    Variables& variables = Fresh();
    variables.AddVariable(L"Prog", L"p");
    variables.AddVariable(L"prog", L"second");           // another key: it sorts after "Prog"
    variables.AddVariable(L"Prog", L"twin");             // the first value stays
    variables.AddVariable(L"Later", L"[%GATHRIX_B%]");   // program values see no environment

    const std::wstring windir = Get(L"windir");
    ASSERT_FALSE(windir.empty());
    struct Case {
        const wchar_t* text;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"%WINDIR%\\x", windir + L"\\x"},
        {L"%windir%\\x", windir + L"\\x"},
        {L"%windir\\x", L"%windir\\x"},
        {L"plain text", L"plain text"},
        {L"%GATHRIX_NOT_SET%\\x", L"%GATHRIX_NOT_SET%\\x"},
        {L"|?Nowhere?|\\x", L"|?Nowhere?|\\x"},
        {L"%GATHRIX_A%", L"[bp]"},
        {L"%GATHRIX_C%", L"[%GATHRIX_B%]"},
        {L"%GATHRIX_SELF%", L"%GATHRIX_SELF%+"},
        {L"|?PROG?|\\|?later?|", L"p\\[%GATHRIX_B%]"},
        {L"%%", L"%%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Strings{c.expected}, variables.Expand(c.text)) << Gathrix::Utils::ToUtf8(c.text);
}

TEST_F(VariablesTest, ProgramFilesGiveTheir64BitTwins) {
    SetVariable(L"ProgramFiles", L"C:\\PF32");
    SetVariable(L"ProgramW6432", L"C:\\PF64");
    SetVariable(L"CommonProgramFiles", L"C:\\CPF32");
    SetVariable(L"CommonProgramW6432", L"C:\\CPF64");
    Variables& variables = Fresh();
    EXPECT_EQ((Strings{L"C:\\PF32\\A", L"C:\\PF64\\A"}), variables.Expand(L"%ProgramFiles%\\A"));
    EXPECT_EQ((Strings{L"C:\\PF32\\A", L"C:\\PF64\\A"}), variables.Expand(L"%PROGRAMFILES%\\A"));
    EXPECT_EQ((Strings{L"C:\\CPF32;C:\\PF32", L"C:\\CPF64;C:\\PF64"}),
              variables.Expand(L"%CommonProgramFiles%;%ProgramFiles%"));
    EXPECT_EQ(Strings{L"C:\\PF64"}, variables.Expand(L"%ProgramW6432%"));

    // Without the twin in the environment its token stays in the second candidate.
    SetVariable(L"ProgramW6432", nullptr);
    EXPECT_EQ((Strings{L"C:\\PF32\\A", L"%ProgramW6432%\\A"}), Fresh().Expand(L"%ProgramFiles%\\A"));
}

TEST_F(VariablesTest, ExpandDirectory) {
    SetVariable(L"ProgramFiles", L"C:\\PF32");
    SetVariable(L"GATHRIX_DIR", L"D:/data//x");
    Variables& variables = Fresh();
    variables.AddVariable(L"XInstallDir", L"C:\\X");
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
        bool logged;
    };
    const Case cases[] = {
        {L"", L"", false},
        {L"C:/Temp", L"C:\\Temp\\", false},
        {L"C:\\Temp\\", L"", false},
        {L"C:\\Temp\\\\", L"C:\\Temp\\", false},
        {L"%GATHRIX_DIR%", L"D:\\data\\x\\", false},
        {L"|?XInstallDir?|\\sub", L"C:\\X\\sub\\", false},
        {L"%ProgramFiles%\\X", L"", false},
        {L"|?XInstallDir?|%ProgramFiles%", L"", true},
    };
    for (const Case& c : cases) {
        LogCapture& log = LogCapture::Start();
        EXPECT_EQ(c.expected, variables.ExpandDirectory(c.text)) << Gathrix::Utils::ToUtf8(c.text);
        std::vector<LogCapture::Entry> expectedLog;
        if (c.logged)
            expectedLog.push_back({Gathrix::Logging::Error, L"Variable in directory: " + std::wstring(c.text) + L" not unique"});
        EXPECT_EQ(expectedLog, log.entries) << Gathrix::Utils::ToUtf8(c.text);
    }
}

TEST_F(VariablesTest, PathDirectoriesAreReadOnce) {
    struct Case {
        const wchar_t* path;
        Strings expected;
    };
    const Case cases[] = {
        {L"C:\\A;;C:\\B", {L"C:\\A", L"", L"C:\\B"}},
        {L"C:\\A;", {L"C:\\A"}},
        {L"C:\\A", {L"C:\\A"}},
        {L";C:\\A", {L"", L"C:\\A"}},
    };
    for (const Case& c : cases) {
        SetVariable(L"PATH", c.path);
        Variables& variables = Fresh();
        EXPECT_EQ(c.expected, variables.GetPathDirectories()) << Gathrix::Utils::ToUtf8(c.path);
        SetVariable(L"PATH", L"C:\\changed");
        EXPECT_EQ(c.expected, variables.GetPathDirectories());
    }
}

TEST_F(VariablesTest, MissingPathIsLoggedOnceAndStaysEmpty) {
    SetVariable(L"PATH", nullptr);
    Variables& variables = Fresh();
    LogCapture& log = LogCapture::Start();
    EXPECT_TRUE(variables.GetPathDirectories().empty());
    SetVariable(L"PATH", L"C:\\late");
    EXPECT_TRUE(variables.GetPathDirectories().empty());
    const std::vector<LogCapture::Entry> expected = {
        {Gathrix::Logging::Error,
         L"Cannot expand environment variable '%PATH%': " + Gathrix::System::GetErrorText(ERROR_ENVVAR_NOT_FOUND)}};
    EXPECT_EQ(expected, log.entries);
}

TEST_F(VariablesTest, ProfilesRootDirectory) {
    wchar_t profiles[MAX_PATH];
    DWORD length = MAX_PATH;
    ASSERT_TRUE(GetProfilesDirectoryW(profiles, &length));
    std::wstring expected = profiles;
    while (!expected.empty() && expected.back() == L'\\')
        expected.pop_back();
    EXPECT_EQ(Strings{expected + L"\\Public"}, Fresh().Expand(L"|?profilesrootdirectory?|\\Public"));
}
