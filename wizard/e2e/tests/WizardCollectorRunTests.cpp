// The wizard runs the real collector on the shipped sample mode file, from the shipped folder.
#include "wizard/tests/WizardTestSupport.h"

#include <string>

using namespace WizardTesting;
using WizardDriver::ControlText;
using WizardDriver::MessageBoxInfo;

TEST(WizardCollectorRun, SampleModeFileArchiveArrivesInTheOutputFolder) {
    ScratchFolder output(L"wizard-out");
    // The elevated form of the command line: the output folder follows the program.
    WizardDriver::WizardProcess wizard(L"\"" + WizardExe() + L"\" " + output.Path(), DistDir());
    HWND dialog = wizard.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WizardDriver::ComboItems(dialog, IDC_MODES), std::vector<std::wstring>{L"Support case (standard)"});
    WizardDriver::SetControlText(dialog, IDC_NAME, L"Sample User");
    WizardDriver::SetControlText(dialog, IDC_ORGANIZATION, L"Sample Ltd");
    WizardDriver::SetControlText(dialog, IDC_EMAIL, L"sample@example.com");
    WizardDriver::SetControlText(dialog, IDC_CALL_NUMBER, L"4711");
    WizardDriver::Click(dialog, IDC_START);

    MessageBoxInfo box;
    ASSERT_TRUE(wizard.WaitForMessageBox(box, 400000)) << "the collector did not finish";
    EXPECT_EQ(box.caption, English(IDS_SUCCESS_CAPTION)) << Gathrix::Utils::ToUtf8(box.text);
    EXPECT_EQ(box.text, English(IDS_SUCCESS));
    EXPECT_EQ(ControlText(dialog, IDC_STATUS), English(IDS_SUCCESS));
    std::wstring archive = output / L"GATHRINF.7z";
    ASSERT_TRUE(Gathrix::Testing::PathExists(archive));
    // A 7z archive begins with its signature.
    EXPECT_EQ(Gathrix::Testing::ReadFileBytes(archive).substr(0, 6), std::string("7z\xBC\xAF\x27\x1C", 6));
    WizardDriver::AnswerMessageBox(box, IDOK);
    WizardDriver::Click(dialog, IDC_EXIT);
    DWORD exitCode = 1;
    EXPECT_TRUE(wizard.WaitForExit(20000, exitCode));
}
