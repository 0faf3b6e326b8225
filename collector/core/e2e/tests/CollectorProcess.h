#pragma once
// Starting the collector as a process, the way the wizard starts it.

#include "collector/core/ConsoleStatus.h"
#include "common/Handles.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace Gathrix::Testing {

inline std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

inline ProcessResult RunGathrix(const std::wstring& arguments, const ProcessOptions& options = {}) {
    return RunProcess(Quote(DistDir() + L"\\Gathrix.exe") + L" " + arguments, options);
}

// What the collector shows for a text, as bytes on its output pipe.
inline std::string Shown(const std::wstring& text) { return Gathrix::EncodeForPipe(text); }

// The primary token of this process with the Administrators group for deny only.
inline Gathrix::UniqueHandle NonAdministratorToken() {
    Gathrix::UniqueHandle own, restricted;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, own.Put()));
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    EXPECT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                         0, 0, 0, 0, &administrators));
    SID_AND_ATTRIBUTES denyOnly{administrators, 0};
    EXPECT_TRUE(CreateRestrictedToken(own.Get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, restricted.Put()));
    FreeSid(administrators);
    return restricted;
}

// A folder with a mode file and a working folder that already holds a file of the user's.
struct RunFolders {
    ScratchFolder scratch{L"e2e"};
    std::wstring modeFile = scratch / L"Mode.xml";
    std::wstring work = scratch / L"work";
    std::wstring marker = work + L"\\keep.txt";

    RunFolders() {
        WriteFileBytes(modeFile, "<Config />");
        CreateDirectoryW(work.c_str(), nullptr);
        WriteFileBytes(marker, "the user's own file");
    }
    std::wstring Arguments() const { return L"-s " + Quote(modeFile) + L" -t " + Quote(work); }
    bool WorkUntouched() const { return PathExists(marker) && !PathExists(work + L"\\data"); }
};

} // namespace Gathrix::Testing
