// The wizard's start-up as it meets the system: the restart for administrator rights and the
// resource library.
#include "wizard/tests/WizardTestSupport.h"

#include "common/Handles.h"

#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace WizardTesting;
using Gathrix::UniqueHandle;
using WizardDriver::WaitUntil;

namespace {

// The primary token of this process with the Administrators group for deny only.
UniqueHandle NonAdministratorToken() {
    UniqueHandle own, restricted;
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

struct ProcessEntry {
    DWORD id;
    DWORD parent;
};

// The running processes of program file `exeName` whose parent is `root` or, through ended
// copies named in `known`, descends from it. Found ones are added to `known`.
std::vector<ProcessEntry> Descendants(DWORD root, const std::wstring& exeName, std::vector<DWORD>& known) {
    std::vector<ProcessEntry> all;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (snapshot.Get() != INVALID_HANDLE_VALUE && Process32FirstW(snapshot.Get(), &entry)) {
        do {
            if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0 && entry.th32ProcessID != root)
                all.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
        } while (Process32NextW(snapshot.Get(), &entry));
    }
    if (std::find(known.begin(), known.end(), root) == known.end())
        known.push_back(root);
    std::vector<ProcessEntry> found;
    for (bool grew = true; grew;) {
        grew = false;
        for (const ProcessEntry& process : all) {
            bool isKnown = std::find(known.begin(), known.end(), process.id) != known.end();
            bool parentKnown = std::find(known.begin(), known.end(), process.parent) != known.end();
            if (parentKnown && !isKnown) {
                known.push_back(process.id);
                grew = true;
            }
        }
    }
    for (const ProcessEntry& process : all) {
        if (std::find(known.begin(), known.end(), process.id) != known.end())
            found.push_back(process);
    }
    return found;
}

std::vector<ProcessEntry> Descendants(DWORD root, const std::wstring& exeName) {
    std::vector<DWORD> known;
    return Descendants(root, exeName, known);
}

// Ends the process (its handle kept open by the caller) and every copy of the program it started, however many a faulty restart made:
// a copy may still be starting its next one while its parent ends.
class ProcessTree {
public:
    ProcessTree(DWORD root, std::wstring exeName) : root(root), exeName(std::move(exeName)) {}
    ~ProcessTree() {
        UniqueHandle first(OpenProcess(PROCESS_TERMINATE, FALSE, root));
        if (first)
            TerminateProcess(first.Get(), 99);
        std::vector<DWORD> known;
        for (int quietRounds = 0, round = 0; quietRounds < 10 && round < 1000; ++round) {
            std::vector<ProcessEntry> copies = Descendants(root, exeName, known);
            quietRounds = copies.empty() ? quietRounds + 1 : 0;
            for (const ProcessEntry& copy : copies) {
                UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, copy.id));
                if (process) {
                    TerminateProcess(process.Get(), 99);
                    WaitForSingleObject(process.Get(), 2000);
                }
            }
            Sleep(50);
        }
    }
    ProcessTree(const ProcessTree&) = delete;
    ProcessTree& operator=(const ProcessTree&) = delete;

private:
    DWORD root;
    std::wstring exeName;
};

struct DialogSearch {
    std::vector<ProcessEntry> processes;
    HWND dialog = nullptr;
    DWORD owner = 0;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (!IsWindowVisible(window) || std::wstring(className) != L"#32770" || GetDlgItem(window, IDC_START) == nullptr)
        return TRUE;
    for (const ProcessEntry& process : search->processes) {
        if (process.id == owner) {
            search->dialog = window;
            search->owner = owner;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

// Where "runas" gives a copy without the rights, that copy shows the dialog instead of
// restarting in turn; the restart starts the program's own file, under whatever name it has.
TEST(WizardRestart, ACopyWithoutTheRightsRestartsItsOwnFileOnce) {
    WizardFolder folder;
    const std::wstring exeName = L"Support Tool.exe";
    ASSERT_TRUE(CopyFileW(WizardExe().c_str(), (folder / exeName).c_str(), FALSE));
    UniqueHandle token = NonAdministratorToken();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + (folder / exeName) + L"\"";
    ASSERT_TRUE(CreateProcessAsUserW(token.Get(), nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     folder.Path().c_str(), &startup, &started));
    UniqueHandle first(started.hProcess);
    CloseHandle(started.hThread);
    ProcessTree tree(started.dwProcessId, exeName);

    DialogSearch search;
    WaitUntil(
        [&] {
            search.processes = Descendants(started.dwProcessId, exeName);
            EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&search));
            return search.dialog != nullptr;
        },
        30000);
    ASSERT_NE(search.dialog, nullptr) << "no copy of the wizard showed its dialog";
    // The copy showing it is the first one's child, and the only copy the first one started.
    std::vector<ProcessEntry> copies = Descendants(started.dwProcessId, exeName);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].id, search.owner);
    EXPECT_EQ(copies[0].parent, started.dwProcessId);
    EXPECT_EQ(WaitForSingleObject(first.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first copy waits";

    WizardDriver::Click(search.dialog, IDC_EXIT);
    ASSERT_EQ(WaitForSingleObject(first.Get(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD exitCode = 1;
    EXPECT_TRUE(GetExitCodeProcess(first.Get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// A resource library with code in it: the wizard takes its dialog and texts, and its entry point
// never runs. Loaded the ordinary way, the same library leaves its trace.
TEST(WizardStart, ResourceLibraryIsReadAsDataNeverRun) {
    WizardFolder folder(WizardFolder::NoLibrary);
    CreateDirectoryW((folder / L"en-us").c_str(), nullptr);
    const std::wstring library = folder / L"en-us\\GathrixWizardRc.dll";
    ASSERT_TRUE(CopyFileW(GATHRIX_TEST_WIZARD_CODE_RC, library.c_str(), FALSE));
    {
        auto wizard = folder.Start();
        HWND dialog = wizard->Dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(WizardDriver::ComboItems(dialog, IDC_MODES), std::vector<std::wstring>{L"Standard"});
        EXPECT_FALSE(Gathrix::Testing::PathExists(library + L".ran"));
    }

    const std::wstring control = folder / L"control.dll";
    ASSERT_TRUE(CopyFileW(GATHRIX_TEST_WIZARD_CODE_RC, control.c_str(), FALSE));
    Gathrix::UniqueLibrary loaded(LoadLibraryW(control.c_str()));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(Gathrix::Testing::PathExists(control + L".ran"));
}
