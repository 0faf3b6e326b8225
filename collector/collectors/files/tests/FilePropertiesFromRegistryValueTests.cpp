#include "collector/collectors/files/FilePropertiesFromRegistryValue.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/PrivateRegistry.h"
#include "collector/collectors/files/tests/WrittenElements.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <gtest/gtest.h>

using namespace Gathrix;
using namespace Gathrix::Testing;
using System::View32;
using System::View64;

namespace {

class RegistryValueJobTest : public WrittenJobTest {
protected:
    PrivateRegistry registry;
    ScratchFolder files{L"regvalue"};
    const std::wstring key = L"HKLM\\Software\\GathrixTest\\Uninstall\\App";
};

} // namespace

TEST_F(RegistryValueJobTest, TheValueIsReadWhenTheJobIsMadeAndItsFilesAreWritten) {
    WriteFileBytes(files / L"app.exe", "abc");
    registry.SetText(key, L"DisplayIcon", L"\"" + (files / L"app.exe") + L"\",0");
    registry.SetText(key, L"UninstallString", files / L"app.exe");

    FilePropertiesFromRegistryValue job(key, L"UninstallString", View64);
    // Changed after the job was made: the job shows what it read then.
    registry.SetText(key, L"UninstallString", files / L"other.exe");
    EXPECT_EQ(files / L"app.exe", job.GetData());
    // An icon reference: the quoted part names the file.
    FilePropertiesFromRegistryValue icon(key, L"DisplayIcon", View64);

    const std::vector<WrittenElement> written = Written({&job, &icon});
    ASSERT_EQ(2u, written.size());
    EXPECT_EQ("regkeywithvalue64", written[0].type);
    EXPECT_EQ("false", written[0].showNumOfChildren);
    EXPECT_EQ(key + L"\\UninstallString = " + (files / L"app.exe"), written[0].value);
    ASSERT_EQ(System::OperatingSystem::Is64BitOperatingSystem() ? 2u : 1u, written[0].children.size());
    for (const auto& file : written[0].children) {
        EXPECT_EQ(files / L"app.exe", file.value);
        EXPECT_EQ(L"MD5: 900150983CD24FB0D6963F7D28E17F72", file.children.back().value);
    }
    EXPECT_EQ(key + L"\\DisplayIcon = \"" + (files / L"app.exe") + L"\",0", written[1].value);
    EXPECT_EQ(System::OperatingSystem::Is64BitOperatingSystem() ? 2u : 1u, written[1].children.size());
}

TEST_F(RegistryValueJobTest, CaptionsWithoutDataOrKeyAndTheViews) {
    registry.SetText(key, L"Empty", L"");
    registry.SetDword(key, L"Number", 42);
    registry.SetText(key, L"Bits", L"C:\\32.exe", RegView::Bits32);
    const std::wstring gone = L"HKLM\\Software\\GathrixTest\\Gone";

    FilePropertiesFromRegistryValue empty(key, L"Empty", View64), number(key, L"Number", View64);
    FilePropertiesFromRegistryValue missing(key, L"Missing", View64);
    FilePropertiesFromRegistryValue inView32(key, L"Bits", View32), noKey(gone, L"Path", View64);
    EXPECT_TRUE(missing.HasKey());
    EXPECT_FALSE(noKey.HasKey());

    const std::vector<WrittenElement> written = Written({&empty, &number, &missing, &inView32, &noKey});
    ASSERT_EQ(5u, written.size());
    const std::pair<std::string, std::wstring> expected[] = {
        {"regkeywithvalue64", key + L"\\Empty"},
        // Tried as a path too; "42" names no file.
        {"regkeywithvalue64", key + L"\\Number = 42"},
        {"regkeywithvalue64", key + L"\\Missing"},
        {"regkeywithvalue32", key + L"\\Bits = C:\\32.exe"},
        {"regkeywithvalue", gone + L"\\Path"},
    };
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(expected[i].first, written[i].type) << i;
        EXPECT_EQ(expected[i].second, written[i].value) << i;
        EXPECT_TRUE(written[i].children.empty()) << i;
    }
    // The missing value is the registry access's DEBUG line; the job logs nothing of its own.
    ASSERT_EQ(1u, registry.log.entries.size());
    EXPECT_EQ(Logging::Debug, registry.log.entries[0].level);
    EXPECT_EQ(L"Cannot open registry value 'Missing' of the key '" + key + L"': " + System::GetErrorText(2),
              registry.log.entries[0].message);
}

TEST_F(RegistryValueJobTest, WithoutAWriterTheJobSaysWhy) {
    registry.SetText(key, L"Path", L"C:\\a.exe");
    FilePropertiesFromRegistryValue job(key, L"Path", View64);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
}
