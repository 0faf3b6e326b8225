#pragma once
// A folder the real wizard runs in during a test: the resource libraries, a stand-in collector
// as gathrix.exe, mode files and the stand-in's script; and what the stand-in recorded.

#include "common/Text.h"
#include "common/tests/support/TestSupport.h"
#include "wizard/WizardResourceIds.h"
#include "wizard/tests/driver/WizardDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace WizardTesting {

using Gathrix::Testing::DistDir;
using Gathrix::Testing::ScratchFolder;

inline std::wstring WizardExe() { return DistDir() + L"\\GathrixWizard.exe"; }
inline std::wstring EnglishLibrary() { return DistDir() + L"\\en-us\\GathrixWizardRc.dll"; }
inline std::wstring GermanLibrary() { return GATHRIX_TEST_WIZARD_GERMAN_RC; }
inline std::wstring LibraryWithoutLanguageCode() { return GATHRIX_TEST_WIZARD_NO_LANGUAGE_RC; }
inline std::wstring StandInCollector() { return std::wstring(GATHRIX_TEST_WIZARD_DIR) + L"\\wizard_standin_collector.exe"; }

// A string of a resource library, read as data (the way a translator would check it).
inline std::wstring ResourceText(const std::wstring& library, UINT id) {
    Gathrix::UniqueLibrary module(LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    wchar_t text[1024] = {};
    if (!module || LoadStringW(module.Get(), id, text, 1024) <= 0)
        ADD_FAILURE() << "string " << id << " missing from the resource library";
    return text;
}
inline std::wstring English(UINT id) { return ResourceText(EnglishLibrary(), id); }

inline std::string ModeFile(const std::string& names) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Config>\n  <Mode>" + names +
           "</Mode>\n  <Level1 name=\"General\" />\n</Config>\n";
}

class WizardFolder {
public:
    enum Languages { EnglishOnly, EnglishAndGerman, NoLibrary, NoLanguageCode };

    explicit WizardFolder(Languages languages = EnglishOnly, bool standardMode = true) {
        if (languages == EnglishOnly || languages == EnglishAndGerman)
            Copy(EnglishLibrary(), L"en-us", L"GathrixWizardRc.dll");
        if (languages == NoLanguageCode)
            Copy(LibraryWithoutLanguageCode(), L"en-us", L"GathrixWizardRc.dll");
        if (languages == EnglishAndGerman)
            Copy(GermanLibrary(), L"de-de", L"GathrixWizardRc.dll");
        Copy(StandInCollector(), L"", L"gathrix.exe");
        if (standardMode)
            Write(L"Standard.xml",
                  ModeFile("<Name lang=\"en-us\">Standard</Name><Name lang=\"de-de\">Standardmodus</Name>"));
        Script("exit 0\n");
    }

    const std::wstring& Path() const { return scratch.Path(); }
    std::wstring operator/(const std::wstring& name) const { return scratch / name; }
    void Write(const std::wstring& name, const std::string& bytes) const {
        Gathrix::Testing::WriteFileBytes(scratch / name, bytes);
    }
    // The stand-in collector's script for its next start.
    void Script(const std::string& commands) const { Write(L"standin.txt", commands); }
    // Lets a stand-in waiting for `name` go on.
    void Signal(const std::wstring& name) const { Write(name, ""); }

    // The arguments of the stand-in's last start, the first one its program name.
    std::vector<std::wstring> CollectorArguments() const {
        std::vector<std::wstring> arguments;
        std::istringstream lines(Gathrix::Testing::ReadFileBytes(scratch / L"standin-args.txt"));
        std::string line;
        std::getline(lines, line);  // the process id
        while (std::getline(lines, line))
            arguments.push_back(Gathrix::Utils::FromUtf8(line));
        return arguments;
    }
    DWORD CollectorProcessId() const {
        return static_cast<DWORD>(std::stoul(Gathrix::Testing::ReadFileBytes(scratch / L"standin-args.txt")));
    }
    int CollectorStarts() const {
        if (!Gathrix::Testing::PathExists(scratch / L"standin-runs.txt"))
            return 0;
        std::string runs = Gathrix::Testing::ReadFileBytes(scratch / L"standin-runs.txt");
        return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
    }
    void ForgetRun() const { DeleteFileW((scratch / L"standin-args.txt").c_str()); }

    // The wizard started in this folder; `tail` follows the quoted program path.
    std::unique_ptr<WizardDriver::WizardProcess> Start(const std::wstring& tail = L"") const {
        return std::make_unique<WizardDriver::WizardProcess>(L"\"" + WizardExe() + L"\"" + tail, Path());
    }

private:
    void Copy(const std::wstring& from, const std::wstring& folder, const std::wstring& name) {
        std::wstring target = folder.empty() ? Path() : scratch / folder;
        CreateDirectoryW(target.c_str(), nullptr);
        if (!CopyFileW(from.c_str(), (target + L"\\" + name).c_str(), FALSE))
            ADD_FAILURE() << "cannot copy a test file";
    }

    ScratchFolder scratch{L"wizard"};
};

// Clicks Start and waits until the run's message box appears; the box is answered with OK.
inline WizardDriver::MessageBoxInfo RunOnce(WizardDriver::WizardProcess& wizard, HWND dialog) {
    WizardDriver::Click(dialog, IDC_START);
    WizardDriver::MessageBoxInfo box;
    EXPECT_TRUE(wizard.WaitForMessageBox(box, 60000)) << "no message box after Start";
    if (box.window != nullptr) {
        WizardDriver::AnswerMessageBox(box, IDOK);
        WizardDriver::WaitUntil([&] { return !IsWindow(box.window); }, 10000);
    }
    return box;
}

} // namespace WizardTesting
