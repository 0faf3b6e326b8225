// The real wizard under a virtual X display, worked by the driver against a stand-in collector.
#include "wizard/tests/WizardTestSupport.h"

#include "common/Handles.h"

#include <shlobj.h>

#include <string>
#include <vector>

using namespace WizardTesting;
using WizardDriver::ControlText;
using WizardDriver::IsControlEnabled;
using WizardDriver::MessageBoxInfo;
using WizardDriver::WaitUntil;

namespace {

constexpr int Inputs[] = {IDC_START, IDC_NAME, IDC_ORGANIZATION, IDC_EMAIL, IDC_CALL_NUMBER, IDC_MODES};

bool InputsEnabled(HWND dialog, bool enabled) {
    for (int id : Inputs) {
        if (IsControlEnabled(dialog, id) != enabled)
            return false;
    }
    return true;
}

// A handle that keeps the stand-in's exit code readable after it has ended.
Gathrix::UniqueHandle OpenCollector(DWORD processId) {
    return Gathrix::UniqueHandle(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId));
}

DWORD ExitCodeOf(const Gathrix::UniqueHandle& process) {
    if (!process || WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0)
        return 0xFFFFFFFF;
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

std::wstring DesktopFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
    return path;
}

} // namespace

TEST(WizardRun, CollectorGetsTheContactTextsAsTyped) {
    WizardFolder folder;
    DeleteFileW((folder / L"Standard.xml").c_str());
    folder.Write(L"My Mode.xml", ModeFile("<Name lang=\"en-us\">Mine</Name>"));
    auto wizard = folder.Start(L" \"C:\\Out Folder\\\"");
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    const std::wstring name = L"Jane \"JD\" Doe";
    const std::wstring organization = L"ACME\\\" -s evil.xml -o \"C:\\";
    const std::wstring email = L"jane@example.com\\";
    const std::wstring callNumber = L"M\u00fcller \u03a9 #42";
    WizardDriver::SetControlText(dialog, IDC_NAME, name);
    WizardDriver::SetControlText(dialog, IDC_ORGANIZATION, organization);
    WizardDriver::SetControlText(dialog, IDC_EMAIL, email);
    WizardDriver::SetControlText(dialog, IDC_CALL_NUMBER, callNumber);
    MessageBoxInfo box = RunOnce(*wizard, dialog);
    EXPECT_EQ(box.caption, English(IDS_SUCCESS_CAPTION));
    std::vector<std::wstring> expected{L".\\gathrix.exe", L"-s", L".\\My Mode.xml", L"-n", name, L"-e", email,
                                       L"-c", organization, L"-i", callNumber, L"-o", L"c:\\out folder\\"};
    EXPECT_EQ(folder.CollectorArguments(), expected);
}

TEST(WizardRun, OutputFolderFromTheWizardsCommandLine) {
    struct Case {
        const wchar_t* tail;
        std::wstring folder;  // empty: no "-o"
    } cases[] = {
        {L"", L""},
        {L" ", L""},
        {L" C:\\Some Folder\\Out", L"c:\\some folder\\out"},
        {L" \"D:\\Quoted Folder\"", L"d:\\quoted folder"},
    };
    for (const Case& c : cases) {
        WizardFolder folder;
        auto wizard = folder.Start(c.tail);
        HWND dialog = wizard->Dialog();
        ASSERT_NE(dialog, nullptr);
        RunOnce(*wizard, dialog);
        std::vector<std::wstring> arguments = folder.CollectorArguments();
        ASSERT_GE(arguments.size(), 11u);
        if (c.folder.empty()) {
            EXPECT_EQ(arguments.size(), 11u) << Gathrix::Utils::ToUtf8(c.tail);
        } else {
            ASSERT_EQ(arguments.size(), 13u) << Gathrix::Utils::ToUtf8(c.tail);
            EXPECT_EQ(arguments[11], L"-o");
            EXPECT_EQ(arguments[12], c.folder);
        }
    }
}

TEST(WizardRun, UnderAnotherFileNameTheDesktopIsTheOutputFolder) {
    WizardFolder folder;
    ASSERT_TRUE(CopyFileW(WizardExe().c_str(), (folder / L"Helper.exe").c_str(), FALSE));
    WizardDriver::WizardProcess wizard(L"\"" + (folder / L"Helper.exe") + L"\" C:\\Elsewhere", folder.Path());
    HWND dialog = wizard.Dialog();
    ASSERT_NE(dialog, nullptr);
    RunOnce(wizard, dialog);
    std::vector<std::wstring> arguments = folder.CollectorArguments();
    ASSERT_EQ(arguments.size(), 13u);
    EXPECT_EQ(arguments[12], DesktopFolder());
}

TEST(WizardRun, StatusLineFollowsTheProgressAndInputsWaitForTheRun) {
    WizardFolder folder;
    folder.Script("print 1/3: General...\n"
                  "wait go1\n"
                  "write 2/3: Files -> Sys\n"
                  "wait go2\n"
                  "write tem...\\n3/3: Achiving the results...\\n\n"
                  "wait go3\n"
                  "exit 0\n");
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(InputsEnabled(dialog, true));
    EXPECT_EQ(ControlText(dialog, IDC_EXIT), English(IDS_EXIT_IDLE));
    WizardDriver::Click(dialog, IDC_START);

    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_STATUS) == L"1/3: General..."; }, 20000))
        << Gathrix::Utils::ToUtf8(ControlText(dialog, IDC_STATUS));
    EXPECT_TRUE(InputsEnabled(dialog, false));
    EXPECT_TRUE(IsControlEnabled(dialog, IDC_EXIT));
    EXPECT_EQ(ControlText(dialog, IDC_EXIT), English(IDS_EXIT_BUSY));
    EXPECT_NE(GetWindowLongW(GetDlgItem(dialog, IDC_PROGRESS), GWL_STYLE) & 0x08, 0) << "no marquee while busy";

    folder.Signal(L"go1");  // an unfinished line does not replace the status
    Sleep(500);
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), L"1/3: General...");
    folder.Signal(L"go2");  // one chunk finishing two lines shows the newer one
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_STATUS) == L"3/3: Achiving the results..."; }, 20000))
        << Gathrix::Utils::ToUtf8(ControlText(dialog, IDC_STATUS));
    folder.Signal(L"go3");

    MessageBoxInfo box;
    ASSERT_TRUE(wizard->WaitForMessageBox(box));
    EXPECT_EQ(box.text, English(IDS_SUCCESS));
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), English(IDS_SUCCESS));
    WizardDriver::AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return InputsEnabled(dialog, true); }, 10000));
    EXPECT_EQ(ControlText(dialog, IDC_EXIT), English(IDS_EXIT_IDLE));
    EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDC_PROGRESS), GWL_STYLE) & 0x08, 0);
}

TEST(WizardRun, EachExitCodeGetsItsMessage) {
    struct Case {
        DWORD code;
        UINT status, text, caption;
    } cases[] = {
        {0, IDS_SUCCESS, IDS_SUCCESS, IDS_SUCCESS_CAPTION},
        {1, IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION},
        {2, IDS_ERROR_STATUS, IDS_NO_RIGHTS, IDS_ERROR_CAPTION},
        {3, IDS_ERROR_STATUS, IDS_NO_RIGHTS, IDS_ERROR_CAPTION},
        {4, IDS_ERROR_STATUS, IDS_MODE_FILE_ERROR, IDS_ERROR_CAPTION},
        {5, IDS_ERROR_STATUS, IDS_WORKING_FOLDER_ERROR, IDS_ERROR_CAPTION},
        {6, IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION},
        {7, IDS_ERROR_STATUS, IDS_DESKTOP_ERROR, IDS_ERROR_CAPTION},
        {8, IDS_ERROR_STATUS, IDS_WMI_ERROR, IDS_ERROR_CAPTION},
        {9, IDS_ERROR_STATUS, IDS_DATA_FOLDERS_ERROR, IDS_ERROR_CAPTION},
        {10, IDS_ERROR_STATUS, IDS_COPY_ERROR, IDS_ERROR_CAPTION},
        {11, IDS_CANCELLED, IDS_ALREADY_RUNNING, IDS_CANCELLED},
        {12, IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION},
        // Not cancelled by the user: an unexpected failure of the collector.
        {1000, IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION},
    };
    WizardFolder folder;
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    for (const Case& c : cases) {
        folder.Script("print working\nexit " + std::to_string(c.code) + "\n");
        WizardDriver::Click(dialog, IDC_START);
        MessageBoxInfo box;
        ASSERT_TRUE(wizard->WaitForMessageBox(box)) << "exit code " << c.code;
        EXPECT_EQ(box.text, English(c.text)) << "exit code " << c.code;
        EXPECT_EQ(box.caption, English(c.caption)) << "exit code " << c.code;
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), English(c.status)) << "exit code " << c.code;
        WizardDriver::AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window) && InputsEnabled(dialog, true); }, 10000));
    }
    EXPECT_EQ(folder.CollectorStarts(), 14);
}

TEST(WizardRun, ACollectorThatCannotStartIsReportedAndTheDialogStaysUsable) {
    WizardFolder folder;
    ASSERT_TRUE(DeleteFileW((folder / L"gathrix.exe").c_str()));
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    WizardDriver::Click(dialog, IDC_START);
    MessageBoxInfo box;
    ASSERT_TRUE(wizard->WaitForMessageBox(box));
    EXPECT_EQ(box.text, English(IDS_START_FAILED));
    EXPECT_EQ(box.caption, English(IDS_ERROR_CAPTION));
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), English(IDS_ERROR_STATUS));
    WizardDriver::AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return InputsEnabled(dialog, true); }, 10000));
    EXPECT_EQ(ControlText(dialog, IDC_EXIT), English(IDS_EXIT_IDLE));
    // No other message follows the failed start.
    Sleep(500);
    EXPECT_FALSE(wizard->WaitForMessageBox(box, 0));

    // With the collector back in place the next Start runs it.
    ASSERT_TRUE(CopyFileW(StandInCollector().c_str(), (folder / L"gathrix.exe").c_str(), FALSE));
    MessageBoxInfo success = RunOnce(*wizard, dialog);
    EXPECT_EQ(success.caption, English(IDS_SUCCESS_CAPTION));
}

TEST(WizardRun, StartPressedTwiceStartsOneCollector) {
    WizardFolder folder;
    folder.Script("print waiting\nwait go\nexit 0\n");
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    WizardDriver::Click(dialog, IDC_START);
    WizardDriver::Click(dialog, IDC_START);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_STATUS) == L"waiting"; }, 20000));
    Sleep(300);
    folder.Signal(L"go");
    MessageBoxInfo box;
    ASSERT_TRUE(wizard->WaitForMessageBox(box));
    EXPECT_EQ(box.caption, English(IDS_SUCCESS_CAPTION));
    EXPECT_EQ(folder.CollectorStarts(), 1);
}

TEST(WizardRun, ClosingTheDialogDuringARunEndsTheCollector) {
    WizardFolder folder;
    folder.Script("print working\nhang\n");
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    WizardDriver::Click(dialog, IDC_START);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_STATUS) == L"working"; }, 20000));
    Gathrix::UniqueHandle collector = OpenCollector(folder.CollectorProcessId());
    ASSERT_TRUE(collector);
    PostMessageW(dialog, WM_CLOSE, 0, 0);  // the close box, without a question
    DWORD wizardExit = 1;
    ASSERT_TRUE(wizard->WaitForExit(20000, wizardExit)) << "the wizard kept running";
    EXPECT_EQ(wizardExit, 0u);
    EXPECT_EQ(ExitCodeOf(collector), 1000u);
}

TEST(WizardRun, ExitButtonAsksBeforeEndingTheCollector) {
    WizardFolder folder;
    folder.Script("print working\nhang\n");
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    WizardDriver::Click(dialog, IDC_START);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_STATUS) == L"working"; }, 20000));
    Gathrix::UniqueHandle collector = OpenCollector(folder.CollectorProcessId());
    ASSERT_TRUE(collector);

    WizardDriver::Click(dialog, IDC_EXIT);
    MessageBoxInfo question;
    ASSERT_TRUE(wizard->WaitForMessageBox(question));
    EXPECT_EQ(question.text, English(IDS_CANCEL_QUESTION));
    EXPECT_EQ(question.caption, English(IDS_CANCEL_QUESTION_CAPTION));
    WizardDriver::AnswerMessageBox(question, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question.window); }, 10000));
    Sleep(300);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(WaitForSingleObject(collector.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "No ended the collector";
    EXPECT_EQ(ControlText(dialog, IDC_EXIT), English(IDS_EXIT_BUSY));

    WizardDriver::Click(dialog, IDC_EXIT);
    ASSERT_TRUE(wizard->WaitForMessageBox(question));
    WizardDriver::AnswerMessageBox(question, IDYES);
    DWORD wizardExit = 1;
    ASSERT_TRUE(wizard->WaitForExit(20000, wizardExit));
    EXPECT_EQ(ExitCodeOf(collector), 1000u);
}

TEST(WizardRun, AProgramTheCollectorLeftRunningDoesNotKeepTheWizardBusy) {
    WizardFolder folder;
    folder.Script("print starting a helper\nlinger\nprint done\nexit 0\n");
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    DWORD start = GetTickCount();
    MessageBoxInfo box = RunOnce(*wizard, dialog);
    EXPECT_EQ(box.caption, English(IDS_SUCCESS_CAPTION));
    EXPECT_LT(GetTickCount() - start, 30000u);
    ASSERT_TRUE(Gathrix::Testing::PathExists(folder / L"standin-linger.txt"));
    DWORD helper = static_cast<DWORD>(std::stoul(Gathrix::Testing::ReadFileBytes(folder / L"standin-linger.txt")));
    Gathrix::UniqueHandle lingering(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, helper));
    ASSERT_TRUE(lingering) << "the helper had already ended: the test proves nothing";
    EXPECT_EQ(WaitForSingleObject(lingering.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(lingering.Get(), 0);
}

TEST(WizardStart, ModesInTheLibrarysLanguageInFileOrder) {
    WizardFolder folder(WizardFolder::EnglishOnly, false);
    folder.Write(L"b.xml", ModeFile("<Name lang=\"en-us\">Alpha</Name>"));
    folder.Write(L"a.xml", ModeFile("<Name lang=\"en-us\">Zulu</Name>"));
    folder.Write(L"\u00e4 \u03a9.xml", ModeFile("<Name lang=\"en-us\">Non-ASCII</Name>"));
    folder.Write(L"c.xml", ModeFile("<Name lang=\"de-de\">Only German</Name>"));
    folder.Write(L"d.xml", "<Config><Mode>");
    folder.Write(L"0.xml", ModeFile("<Name lang=\"en-us\"></Name><Name lang=\"de-de\">Nur Deutsch</Name>"));
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WizardDriver::ComboItems(dialog, IDC_MODES), (std::vector<std::wstring>{L"Zulu", L"Alpha", L"Non-ASCII"}));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_MODES, CB_GETCURSEL, 0, 0), 0);
    WizardDriver::SelectComboItem(dialog, IDC_MODES, 2);
    RunOnce(*wizard, dialog);
    std::vector<std::wstring> arguments = folder.CollectorArguments();
    ASSERT_GE(arguments.size(), 3u);
    EXPECT_EQ(arguments[2], L".\\\u00e4 \u03a9.xml");
}

TEST(WizardStart, GermanLibraryWinsWhenPresent) {
    WizardFolder folder(WizardFolder::EnglishAndGerman);
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    wchar_t caption[256] = {};
    GetWindowTextW(dialog, caption, 256);
    EXPECT_EQ(std::wstring(caption), L"Gathrix-Assistent");
    EXPECT_EQ(ControlText(dialog, IDC_EXIT), ResourceText(GermanLibrary(), IDS_EXIT_IDLE));
    EXPECT_EQ(WizardDriver::ComboItems(dialog, IDC_MODES), std::vector<std::wstring>{L"Standardmodus"});
    MessageBoxInfo box = RunOnce(*wizard, dialog);
    EXPECT_EQ(box.text, ResourceText(GermanLibrary(), IDS_SUCCESS));
}

TEST(WizardStart, EnglishLibraryAlone) {
    WizardFolder folder;
    auto wizard = folder.Start();
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    wchar_t caption[256] = {};
    GetWindowTextW(dialog, caption, 256);
    EXPECT_EQ(std::wstring(caption), L"Gathrix Wizard");
    EXPECT_EQ(WizardDriver::ComboItems(dialog, IDC_MODES), std::vector<std::wstring>{L"Standard"});
}

TEST(WizardStart, LibraryWithoutLanguageCodeOffersOnlyNamesWithoutLanguage) {
    WizardFolder folder(WizardFolder::NoLanguageCode);
    folder.Write(L"Any.xml", ModeFile("<Name lang=\"en-us\">English</Name><Name lang=\"\">Without language</Name>"));
    auto wizard = folder.Start();
    MessageBoxInfo box;
    ASSERT_TRUE(wizard->WaitForMessageBox(box));
    EXPECT_EQ(box.text, L"Could not load resource string! Please reinstall the application.");
    EXPECT_EQ(box.caption, L"Error");
    WizardDriver::AnswerMessageBox(box, IDOK);
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WizardDriver::ComboItems(dialog, IDC_MODES), std::vector<std::wstring>{L"Without language"});
    EXPECT_TRUE(InputsEnabled(dialog, true));
}

// One text value of a key as the test found it, put back (or removed again) however the test
// ends: the prefix is shared by every test of the suite.
namespace {
class SavedRegistryText {
public:
    SavedRegistryText(HKEY key, const wchar_t* name) : key(key), name(name) {
        wchar_t text[512] = {};
        DWORD size = sizeof(text);
        present = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS;
        value = text;
    }
    ~SavedRegistryText() {
        if (present)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key, name);
    }
    SavedRegistryText(const SavedRegistryText&) = delete;
    SavedRegistryText& operator=(const SavedRegistryText&) = delete;

private:
    HKEY key;
    const wchar_t* name;
    bool present = false;
    std::wstring value;
};
} // namespace

TEST(WizardStart, ContactFieldsStartWithTheRegisteredOwnerAndOrganization) {
    // The wizard reads the native (64-bit) view, where Windows keeps the owner; a 32-bit test
    // process under WOW64 must write there too.
    Gathrix::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                           KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, key.Put()));
    auto write = [&](const wchar_t* name, const std::wstring& value) {
        return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    SavedRegistryText owner(key.Get(), L"RegisteredOwner");
    SavedRegistryText organization(key.Get(), L"RegisteredOrganization");
    ASSERT_TRUE(write(L"RegisteredOwner", L"Registered J\u00f6rg"));
    ASSERT_TRUE(write(L"RegisteredOrganization", L"Registered Ltd"));
    {
        WizardFolder folder;
        auto wizard = folder.Start();
        HWND dialog = wizard->Dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, IDC_NAME), L"Registered J\u00f6rg");
        EXPECT_EQ(ControlText(dialog, IDC_ORGANIZATION), L"Registered Ltd");
        EXPECT_EQ(ControlText(dialog, IDC_EMAIL), L"");
        EXPECT_EQ(ControlText(dialog, IDC_CALL_NUMBER), L"");
    }
    // Without the organization the owner is still taken.
    RegDeleteValueW(key.Get(), L"RegisteredOrganization");
    {
        WizardFolder folder;
        auto wizard = folder.Start();
        HWND dialog = wizard->Dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, IDC_NAME), L"Registered J\u00f6rg");
        EXPECT_EQ(ControlText(dialog, IDC_ORGANIZATION), L"");
    }
}

TEST(WizardStart, NoModeLeavesStartDisabled) {
    WizardFolder folder(WizardFolder::EnglishOnly, false);
    folder.Write(L"German.xml", ModeFile("<Name lang=\"de-de\">Nur Deutsch</Name>"));
    auto wizard = folder.Start();
    MessageBoxInfo box;
    ASSERT_TRUE(wizard->WaitForMessageBox(box));
    EXPECT_EQ(box.text, English(IDS_NO_MODE));
    EXPECT_EQ(box.caption, English(IDS_NO_MODE_CAPTION));
    WizardDriver::AnswerMessageBox(box, IDOK);
    HWND dialog = wizard->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(InputsEnabled(dialog, false));
    EXPECT_TRUE(IsControlEnabled(dialog, IDC_EXIT));
    EXPECT_TRUE(WizardDriver::ComboItems(dialog, IDC_MODES).empty());
    WizardDriver::Click(dialog, IDC_EXIT);
    DWORD exitCode = 1;
    EXPECT_TRUE(wizard->WaitForExit(20000, exitCode));
    EXPECT_EQ(folder.CollectorStarts(), 0);
}

TEST(WizardStart, RefusalsBeforeTheDialog) {
    struct Case {
        bool windowsFolder;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {false, L"Could not load GathrixWizardRc.dll. Maybe it's corrupted or missing. Please reinstall the application",
         L"Error"},
        {true, L"Running Gathrix with restricted rights is not supported.", L"Info"},
    };
    for (const Case& c : cases) {
        WizardFolder folder(WizardFolder::NoLibrary);
        wchar_t windows[MAX_PATH] = {};
        SHGetSpecialFolderPathW(nullptr, windows, CSIDL_WINDOWS, FALSE);
        WizardDriver::WizardProcess wizard(L"\"" + WizardExe() + L"\"", c.windowsFolder ? windows : folder.Path());
        MessageBoxInfo box;
        ASSERT_TRUE(wizard.WaitForMessageBox(box)) << Gathrix::Utils::ToUtf8(c.text);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, c.caption);
        WizardDriver::AnswerMessageBox(box, IDOK);
        DWORD exitCode = 1;
        EXPECT_TRUE(wizard.WaitForExit(20000, exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
}
