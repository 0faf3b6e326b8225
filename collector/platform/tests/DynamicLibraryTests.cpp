#include "collector/platform/DynamicLibrary.h"

#include "common/Exceptions.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using Gathrix::WinApiException;
using Gathrix::System::DynamicLibrary;
using Gathrix::System::GetErrorText;

namespace {

const wchar_t* const fixtureName = L"gathrix_test_library.dll";

std::wstring MessageOf(const std::wstring& path) {
    try {
        DynamicLibrary library(path);
    } catch (const WinApiException& e) {
        return e.GetMessageText();
    }
    return L"(loaded)";
}

} // namespace

TEST(DynamicLibrary, LoadsByFullPathAndFindsExports) {
    const std::wstring path = Gathrix::System::ProgramLibraryPath(fixtureName);
    ASSERT_TRUE(Gathrix::Testing::PathExists(path)) << Gathrix::Utils::ToUtf8(path);
    DynamicLibrary library(path);
    auto answer = library.GetFunction<int (*)()>("GathrixTestAnswer");
    EXPECT_EQ(42, answer());
    try {
        library.GetProcAddress("NoSuchExport");
        FAIL() << "no exception";
    } catch (const WinApiException& e) {
        EXPECT_EQ(L"GetProcAddress(\"NoSuchExport\"): " + GetErrorText(ERROR_PROC_NOT_FOUND), e.GetMessageText());
    }
}

TEST(DynamicLibrary, MissingLibraryNamesTheCall) {
    const std::wstring path = Gathrix::System::SystemLibraryPath(L"gathrix-no-such-library.dll");
    EXPECT_EQ(L"LoadLibrary(L\"" + path + L"\"): " + GetErrorText(ERROR_MOD_NOT_FOUND), MessageOf(path));
}

TEST(DynamicLibrary, ReleasesTheLibraryExactlyOnce) {
    const std::wstring path = Gathrix::System::ProgramLibraryPath(fixtureName);
    ASSERT_EQ(nullptr, GetModuleHandleW(path.c_str()));
    HMODULE extra = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, extra);
    { DynamicLibrary library(path); }
    EXPECT_EQ(extra, GetModuleHandleW(path.c_str()));  // our own reference is still there
    FreeLibrary(extra);
    EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));
}

TEST(DynamicLibrary, PlantedLibraryInTheCurrentFolderIsNeverLoaded) {
    Gathrix::Testing::ScratchFolder scratch(L"planted");
    const std::wstring planted = L"gathrix_planted_library.dll";
    ASSERT_TRUE(CopyFileW(Gathrix::System::ProgramLibraryPath(fixtureName).c_str(), (scratch / planted).c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.Path().c_str()));
    for (const std::wstring& name : {planted, L".\\" + planted, std::wstring(L"C:") + planted}) {
        EXPECT_EQ(L"LoadLibrary(L\"" + name + L"\"): " + GetErrorText(ERROR_INVALID_PARAMETER), MessageOf(name));
    }
    EXPECT_EQ(nullptr, GetModuleHandleW(planted.c_str()));
    SetCurrentDirectoryW(previous);
}

TEST(DynamicLibrary, LibraryPathsAreFull) {
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(std::wstring(system, length) + L"\\kernel32.dll", Gathrix::System::SystemLibraryPath(L"kernel32.dll"));
    wchar_t self[MAX_PATH];
    std::wstring program(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    EXPECT_EQ(program.substr(0, program.rfind(L'\\') + 1) + L"x.dll", Gathrix::System::ProgramLibraryPath(L"x.dll"));
}
