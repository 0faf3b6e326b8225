// The detection rules with more than one outcome: the version threshold between the two
// cross-detection products, ambiguous cross-detection keys, the toolbar editions and marker,
// build.dat and registry reads, and the machine without any product.

#include "collector/platform/Variables.h"
#include "collector/products/BuildDatProducts.h"
#include "collector/products/CrossDetectionProducts.h"
#include "collector/products/DetectionSources.h"
#include "collector/products/FolderProducts.h"
#include "collector/products/KeyTestProducts.h"
#include "collector/products/Publishers.h"
#include "collector/products/ToolbarProducts.h"
#include "collector/products/UninstallEntryProducts.h"
#include "collector/products/tests/ProductMachine.h"

#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Gathrix::Quellon;
using Gathrix::Logging::Debug;
using Gathrix::Logging::Info;
using Gathrix::Logging::Warning;
using Gathrix::System::GetErrorText;
using Gathrix::Testing::LogCapture;
using Gathrix::Testing::Logged;
using Gathrix::Testing::ProductMachine;
using Gathrix::Testing::UninstallEntry;
using Gathrix::Testing::View;
using Gathrix::Utils::ToUtf8;

namespace {

const std::wstring Workstation = L"HKLM\\SOFTWARE\\X-QXCSD\\Workstation";
const std::wstring Server = L"HKLM\\SOFTWARE\\X-QXCSD\\Server";

// The one installation both cross-detection products look at, with this build.dat version.
void InstallCrossDetected(ProductMachine& m, const std::wstring& crossKey, const std::wstring& productKey,
                          const std::string& version) {
    m.SetString(crossKey + L"\\Entry", L"Name", L"Cross Product");
    m.SetString(crossKey + L"\\Entry", L"MasterKey", productKey.substr(5));
    std::wstring install = m.Folder(L"install");
    std::wstring data = m.Folder(L"data");
    m.SetString(productKey, L"Path", install);
    m.SetString(productKey, L"AppDataDirectory", data + L"\\");
    m.WriteBuildDat(install, version, "EN");
}

struct ThresholdCase {
    std::string buildDatVersion;
    std::wstring alvar;  // what each detector reports
    std::wstring berex;
};

void PrintTo(const ThresholdCase& threshold, std::ostream* out) { *out << '"' << threshold.buildDatVersion << '"'; }

class VersionThreshold : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(VersionThreshold, DecidesWhichProductReportsTheInstallation) {
    ProductMachine machine;
    InstallCrossDetected(machine, Workstation, L"HKLM\\SOFTWARE\\Quellon\\Cross", GetParam().buildDatVersion);

    EXPECT_EQ(ToUtf8(GetParam().alvar), ToUtf8(QuellonAlvar::Instance().GetVersion()));
    EXPECT_EQ(ToUtf8(GetParam().berex), ToUtf8(QuellonBerex::Instance().GetVersion()));
    EXPECT_EQ(!GetParam().alvar.empty(), QuellonAlvar::Instance().IsInstalled());
    EXPECT_EQ(!GetParam().berex.empty(), QuellonBerex::Instance().IsInstalled());
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionThreshold,
    ::testing::Values(ThresholdCase{"15.0.9.0", L"15.0.9.0", L""}, ThresholdCase{"14.2.0.310", L"", L"14.2.0.310"},
                      ThresholdCase{"15.0.10.0", L"15.0.10.0", L""}, ThresholdCase{"15.00.9.0", L"15.0.9.0", L""},
                      // Parts that are missing are not zeros: neither side claims such a version.
                      ThresholdCase{"14.2", L"", L""}, ThresholdCase{"15", L"", L""},
                      ThresholdCase{"beta", L"", L""}));

TEST(CrossDetection, SeveralSubKeysWarnAndTheFirstIsUsed) {
    ProductMachine machine;
    machine.SetString(Workstation + L"\\B-Second", L"Name", L"Second");
    machine.SetString(Workstation + L"\\B-Second", L"MasterKey", L"SOFTWARE\\Second");
    machine.SetString(Workstation + L"\\A-First", L"Name", L"First");
    machine.SetString(Workstation + L"\\A-First", L"MasterKey", L"SOFTWARE\\First");

    EXPECT_EQ(L"First", QuellonBerex::Instance().GetName());
    EXPECT_EQ(L"HKLM\\SOFTWARE\\First", QuellonBerex::Instance().GetMasterKey());
    EXPECT_TRUE(Logged(machine.log, Warning,
                       L"There are more than one registry subkey of 'HKEY_LOCAL_MACHINE\\SOFTWARE\\X-QXCSD\\Workstation'."));
}

TEST(CrossDetection, ServerKeyWinsForAlvarWhileBerexReadsWorkstation) {
    ProductMachine machine;
    InstallCrossDetected(machine, Workstation, L"HKLM\\SOFTWARE\\Quellon\\Older", "14.0.0.1");
    machine.SetString(Server + L"\\Entry", L"Name", L"Server Product");
    machine.SetString(Server + L"\\Entry", L"MasterKey", L"SOFTWARE\\Quellon\\Newer");

    EXPECT_EQ(L"HKLM\\SOFTWARE\\Quellon\\Newer", QuellonAlvar::Instance().GetMasterKey());
    EXPECT_EQ(L"Server Product", QuellonAlvar::Instance().GetName());
    EXPECT_EQ(L"HKLM\\SOFTWARE\\Quellon\\Older", QuellonBerex::Instance().GetMasterKey());
    EXPECT_TRUE(QuellonBerex::Instance().IsInstalled());
}

TEST(CrossDetection, MissingPiecesGiveEmptyTextsAndDebugLines) {
    ProductMachine machine;
    machine.CreateKey(Workstation);  // no sub-key
    CrossDetectionKey workstation(L"Workstation");
    CrossDetectionKey server(L"Server");  // no key at all

    EXPECT_EQ(L"", workstation.MasterKey());
    EXPECT_EQ(L"", server.Name());
    EXPECT_EQ(L"", server.Name());
    EXPECT_EQ((std::vector<LogCapture::Entry>{
                  {Debug, L"There are no registry subkeys of 'HKEY_LOCAL_MACHINE\\SOFTWARE\\X-QXCSD\\Workstation'."},
                  {Debug, L"The cross detection key 'HKEY_LOCAL_MACHINE\\SOFTWARE\\X-QXCSD\\Server' could not be opened: " +
                              GetErrorText(ERROR_FILE_NOT_FOUND)}}),
              machine.log.entries);
}

TEST(CrossDetection, BerexWithoutAnyKeyKeepsOnlyTheQuarantineSuffix) {
    ProductMachine machine;

    QuellonBerex& berex = QuellonBerex::Instance();

    EXPECT_EQ(L"INFECTED\\", berex.GetQuarantinePath());
    EXPECT_FALSE(berex.IsInstalled());
    // The product key made of an empty master key has an empty path.
    EXPECT_TRUE(Logged(machine.log, Debug,
                       L"The value 'AppDataDirectory' could not be opened at '': " + GetErrorText(ERROR_INVALID_HANDLE)));
}

TEST(CrossDetection, EmptyMasterKeyValueGivesNoKeyAndKeysOnlyIn64BitViewAreNotSeen) {
    ProductMachine machine;
    machine.SetString(Workstation + L"\\Entry", L"MasterKey", L"");
    machine.SetString(Server + L"\\Entry", L"MasterKey", L"SOFTWARE\\X", View::Bits64);

    EXPECT_EQ(L"", CrossDetectionKey(L"Workstation").MasterKey());
    EXPECT_EQ(L"", CrossDetectionKey(L"Server").MasterKey());
}

// Denies everyone everything on the key while it lives; the handle it keeps (opened before) may
// still give the key a security that lets the test's cleanup delete it.
class LockedKey {
public:
    explicit LockedKey(const std::wstring& subPath) {
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, subPath.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                               key.Put()));
        ACL emptyAcl;
        InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION);
        SetDacl(&emptyAcl);
    }
    ~LockedKey() { SetDacl(nullptr); }

private:
    void SetDacl(ACL* acl) {
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor));
    }
    Gathrix::UniqueRegKey key;
};

TEST(CrossDetection, UnreadableSubKeyGivesEmptyTextAndADebugLine) {
    ProductMachine machine;
    machine.SetString(Workstation + L"\\Locked", L"Name", L"Locked");
    // Listed by its parent, but not openable.
    LockedKey locked(L"SOFTWARE\\X-QXCSD\\Workstation\\Locked");
    Gathrix::UniqueRegKey probe;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\X-QXCSD\\Workstation\\Locked", 0, KEY_READ | KEY_WOW64_32KEY,
                      probe.Put()) == ERROR_SUCCESS)
        GTEST_SKIP() << "this registry does not enforce key security";

    EXPECT_EQ(L"", CrossDetectionKey(L"Workstation").Name());
    EXPECT_EQ((std::vector<LogCapture::Entry>{
                  {Debug, L"The cross detection key 'HKEY_LOCAL_MACHINE\\SOFTWARE\\X-QXCSD\\Workstation' could not be opened: " +
                              GetErrorText(ERROR_ACCESS_DENIED)}}),
              machine.log.entries);
}

struct EditionCase {
    std::vector<const wchar_t*> editionKeys;
    View view;
    std::wstring version;  // empty: not installed
};

void PrintTo(const EditionCase& edition, std::ostream* out) {
    for (const wchar_t* key : edition.editionKeys)
        *out << ToUtf8(key) << ' ';
    *out << (edition.view == View::Bits32 ? "(32-bit view)" : "(64-bit view)");
}

class ToolbarEditions : public ::testing::TestWithParam<EditionCase> {};

TEST_P(ToolbarEditions, ChooseVersionAndInstalledState) {
    ProductMachine machine;
    for (const wchar_t* edition : GetParam().editionKeys)
        machine.CreateKey(std::wstring(L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\") + edition, GetParam().view);

    EXPECT_EQ(ToUtf8(GetParam().version), ToUtf8(QuellonPerrin::Instance().GetVersion()));
    EXPECT_EQ(!GetParam().version.empty(), QuellonPerrin::Instance().IsInstalled());
}

INSTANTIATE_TEST_SUITE_P(
    Editions, ToolbarEditions,
    ::testing::Values(EditionCase{{L"Quellon-V7", L"Quellon-SQX7", L"Quellon-V6"}, View::Bits32, L"V7"},
                      EditionCase{{L"Quellon-SQX7", L"Quellon-V6"}, View::Bits32, L"SQX7"},
                      EditionCase{{L"Quellon-V6"}, View::Bits32, L"V6"},
                      EditionCase{{L"Quellon-SQX7"}, View::Bits64, L"SQX7"},
                      EditionCase{{L"Quellon-V5"}, View::Bits32, L""}, EditionCase{{}, View::Bits32, L""}));

TEST(ToolbarMarker, OnlyAValueBeginningWithTheExactPrefixCounts) {
    const struct {
        const wchar_t* value;  // null: the key without the value
        bool installed;
    } cases[] = {{L"QXR-12345", true}, {L"QXR-", true},     {L"qxr-12345", false},
                 {L"XQXR-1", false},   {L"QXR", false},     {L"", false},
                 {nullptr, false}};
    for (const auto& c : cases) {
        ProductMachine machine;
        if (c.value != nullptr)
            machine.SetString(L"HKLM\\Software\\VelquorToolbar\\Macro", L"tb", c.value);
        else
            machine.CreateKey(L"HKLM\\Software\\VelquorToolbar\\Macro");
        EXPECT_EQ(c.installed, QuellonPerrinBelowV6::Instance().IsInstalled()) << ToUtf8(c.value ? c.value : L"(none)");
    }
}

TEST(Toolbars, BothGenerationsAreListedUnderTheirDisplayNames) {
    ProductMachine machine;
    machine.CreateKey(L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V7");
    machine.SetString(L"HKLM\\Software\\VelquorToolbar\\Macro", L"tb", L"QXR-1");

    InstalledProductList list;
    PublishQuellonPerrinBelowV6(list);
    PublishQuellonPerrin(list);

    EXPECT_EQ((InstalledProductList{L"Quellon Perrin ", L"Quellon Perrin V7"}), list);
    EXPECT_EQ(L"Quellon Perrin , Quellon Perrin V7, ", InstalledProductsText(list));
    EXPECT_TRUE(Logged(machine.log, Info, L"Quellon Perrin (version below V6) installation found: Quellon Perrin "));
    // Its program folder is missing: the empty folder is published all the same.
    EXPECT_EQ(L"", Gathrix::Testing::VariableValue(L"QuellonPerrinBelowV6InstallDir"));
}

TEST(FreshMachine, ReportsEveryProductMissingInPublisherOrder) {
    ProductMachine machine(false);

    InstalledProductList list;
    PublishInstalledProducts(list);

    EXPECT_EQ(L"- no products found -", InstalledProductsText(list));
    std::vector<std::wstring> notFound;
    for (const LogCapture::Entry& entry : machine.log.entries) {
        if (entry.level == Info)
            notFound.push_back(entry.message);
    }
    const wchar_t* const displayNames[] = {
        L"Quellon Alvar",  L"Quellon Berex",  L"Quellon Dornik", L"Quellon Cavon", L"Quellon Eskar Agent",
        L"Quellon Eskar Server", L"Quellon Eskar Frontend", L"Quellon Fenrid", L"Quellon Tolvane for Golva",
        L"Quellon Tolvane for Exchange", L"Quellon Tolvane Sharepoint", L"Quellon Juvent", L"Quellon Kaldor",
        L"Quellon Lumbra", L"Quellon Mirell", L"Quellon Noviset", L"Quellon Noviset Host",
        L"Quellon Perrin (version below V6)", L"Quellon Perrin (version V6 or newer)", L"Quellon Rastel",
        L"Marvent Rastel", L"Quellon Vpn Quorvel", L"Sovrin", L"Quellon Orvane"};
    std::vector<std::wstring> expected;
    for (const wchar_t* name : displayNames)
        expected.push_back(L"No " + std::wstring(name) + L" installation found.");
    EXPECT_EQ(expected, notFound);
}

TEST(InstalledProducts, EntriesFollowPublisherOrder) {
    ProductMachine machine;
    machine.SetString(UninstallEntry(L"Quellon Security_is1"), L"DisplayName", L"Quellon Security");
    machine.SetString(UninstallEntry(L"Quellon Security_is1"), L"DisplayVersion", L"11.0");
    machine.SetString(UninstallEntry(L"Quellon Security_is1"), L"InstallLocation", L"C:\\Orvane");
    machine.SetString(L"HKLM\\SOFTWARE\\Quellon\\Juvent\\3.0\\General", L"Code", L"C:\\Juvent");

    InstalledProductList list;
    PublishInstalledProducts(list);

    EXPECT_EQ(L"Juvent , Quellon Security 11.0, ", InstalledProductsText(list));
}

TEST(BuildDat, ReadsAndReportsWhatIsMissing) {
    ProductMachine machine;
    std::wstring folder = machine.Folder(L"product");
    machine.WriteText(folder + L"\\build.dat", "[BUILD]\r\nProductVersion=1.2.3.4\r\nLanguage=\r\n");
    std::wstring file = folder + L"\\build.dat";

    EXPECT_EQ(L"1.2.3.4", ReadBuildDatProductVersion(folder));
    EXPECT_EQ(L"1.2.3.4", ReadBuildDatProductVersion(folder + L"\\"));
    EXPECT_TRUE(machine.log.entries.empty());

    EXPECT_EQ(L"", ReadBuildDatLanguage(folder));
    EXPECT_EQ(L"", ReadBuildDat(folder, L"OTHER", L"ProductVersion"));
    std::wstring empty = machine.Folder(L"empty");
    EXPECT_EQ(L"", ReadBuildDatLanguage(empty));
    EXPECT_EQ(L"", ReadBuildDatLanguage(L""));
    EXPECT_EQ((std::vector<LogCapture::Entry>{
                  {Warning, L"Unable to read 'Language' in section 'BUILD' from build.dat '" + file + L"'."},
                  {Warning, L"Unable to read 'ProductVersion' in section 'OTHER' from build.dat '" + file + L"'."},
                  {Warning, L"Unable to read 'Language' in section 'BUILD' from build.dat '" + empty +
                                L"\\build.dat'."}}),
              machine.log.entries);
}

TEST(RegistryReads, ViewsAndMissingValues) {
    ProductMachine machine;
    const std::wstring key = L"HKLM\\SOFTWARE\\Quellon\\Probe";
    machine.SetString(key, L"Only64", L"sixty-four", View::Bits64);

    // The free reads fall back to the 64-bit view; the product key reads do not.
    EXPECT_TRUE(RegistryKeyExists(key));
    EXPECT_EQ(L"sixty-four", ReadRegistryString(key, L"Only64"));
    EXPECT_EQ(L"", ProductRegistryKey(key).ReadValue(L"Only64"));
    EXPECT_TRUE(Logged(machine.log, Debug,
                       L"The value 'Only64' could not be opened at '" + key + L"': " + GetErrorText(ERROR_FILE_NOT_FOUND)));

    // A key in the 32-bit view without the value: no fallback for the value, and no failure.
    machine.CreateKey(key, View::Bits32);
    machine.log.entries.clear();
    EXPECT_EQ(L"", ReadRegistryString(key, L"Only64"));
    EXPECT_TRUE(Logged(machine.log, Debug,
                       L"The value 'Only64' could not be opened at '" + key + L"': " + GetErrorText(ERROR_FILE_NOT_FOUND)));
}

TEST(UninstallEntries, EntryWithoutItsValuesDoesNotEndTheRun) {
    ProductMachine machine;
    machine.CreateKey(UninstallEntry(L"Quellon Kaldor_is1"));
    machine.CreateKey(UninstallEntry(L"{6D1E4A27-93B0-4C55-8E2F-31A7C9D04B68}_is1"));
    machine.CreateKey(L"HKLM\\SOFTWARE\\Quellon\\NovisetHost");
    machine.CreateKey(QuellonDornik::OwnKey);

    InstalledProductList list;
    PublishInstalledProducts(list);

    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(Logged(machine.log, Info, L"No Quellon Kaldor installation found."));
    EXPECT_TRUE(Logged(machine.log, Debug,
                       L"The value 'DisplayName' could not be opened at '" +
                           UninstallEntry(L"{6D1E4A27-93B0-4C55-8E2F-31A7C9D04B68}_is1") + L"': " +
                           GetErrorText(ERROR_FILE_NOT_FOUND)));
}

TEST(Kaldor, ProgramPathWithoutEntryIsNotEnough) {
    ProductMachine machine;
    machine.SetString(L"HKLM\\SOFTWARE\\QuellonKaldor\\QuellonKaldor", L"PATH", L"C:\\Kaldor\\");

    EXPECT_EQ(L"C:\\Kaldor\\", QuellonKaldor::Instance().GetInstallDir());
    EXPECT_FALSE(QuellonKaldor::Instance().IsInstalled());
}

TEST(Lumbra, WithoutEntryTheUserInterfaceExecutableDecides) {
    for (bool withExecutable : {true, false}) {
        ProductMachine machine;
        std::wstring install = machine.Folder(L"lumbra");
        machine.SetString(L"HKLM\\SOFTWARE\\Quellon\\Lumbra", L"InstallLocation", install);
        if (withExecutable)
            machine.CopyVersionStub("2.1.0.17", install + L"\\Quellon.Lumbra.UI.Application.exe");

        QuellonLumbra& lumbra = QuellonLumbra::Instance();
        EXPECT_EQ(L"Quellon Lumbra", lumbra.GetName());
        EXPECT_EQ(withExecutable ? install : L"", lumbra.GetInstallDir());
        EXPECT_EQ(withExecutable ? L"2.1.0.17" : L"", lumbra.GetVersion());
        EXPECT_EQ(withExecutable, lumbra.IsInstalled());
    }
}

TEST(FolderProducts, ExecutableVersionRules) {
    ProductMachine machine;
    std::wstring vpn = machine.SharedFolder(machine.ProgramFiles() + L"\\Quellon\\VPN");
    std::wstring marvent = machine.SharedFolder(machine.ProgramFiles() + L"\\Marvent\\Launcher");
    machine.CopyVersionStub("15.0.9.0", marvent + L"\\Marvent.ServiceHost.exe");
    machine.SharedFolder(machine.ProgramFiles() + L"\\Quellon\\My Quellon");

    // No executable: always-written versions read 0.0.0.0, and the folder alone counts.
    EXPECT_EQ(L"0.0.0.0", QuellonQuorvel::Instance().GetVersion());
    EXPECT_TRUE(QuellonQuorvel::Instance().IsInstalled());
    // A zero part leaves no version where only complete versions are written.
    EXPECT_EQ(L"", MarventRastel::Instance().GetVersion());
    EXPECT_TRUE(MarventRastel::Instance().IsInstalled());
    // The program folder prefers "My Quellon"; the data folder chooses on its own.
    EXPECT_EQ(machine.ProgramFiles() + L"\\Quellon\\My Quellon", QuellonRastel::Instance().GetInstallDir());
    EXPECT_EQ(machine.CommonAppData() + L"\\Quellon\\Launcher", QuellonRastel::Instance().GetAppData());
    EXPECT_TRUE(QuellonRastel::Instance().IsInstalled());
    EXPECT_EQ(L"", QuellonRastel::Instance().GetVersion());
    // Without its folder the product is not there, though name, folders and version are not empty.
    EXPECT_EQ(L"0.0.0.0", QuellonSovrin::Instance().GetVersion());
    EXPECT_FALSE(QuellonSovrin::Instance().IsInstalled());
}

TEST(Cavon, QuarantineFolderFromItsConfigurationOrBelowItsData) {
    for (bool configured : {false, true}) {
        ProductMachine machine;
        std::wstring data = machine.Folder(L"data") + L"\\";
        machine.SetString(L"HKLM\\Software\\Quellon\\Tolvane Server", L"AppDataDirectory", data);
        if (configured) {
            machine.Folder(L"data\\CONFIG");
            machine.WriteText(data + L"CONFIG\\Qxnetnt.ini", "[COMMON]\r\nQuarantineDirectory=" + std::string(300, 'q') + "\r\n");
        }
        // The configured folder is read into 260 characters.
        EXPECT_EQ(configured ? std::wstring(259, L'q') : data + L"INFECTED\\", QuellonCavon::Instance().GetQuarantinePath());
    }
}

TEST(KeyTestedProducts, KeysDecideNameAndMasterKey) {
    ProductMachine machine;
    machine.CreateKey(L"HKLM\\Software\\Quellon\\Tolvane fuer Golva SPC");
    machine.CreateKey(L"HKLM\\Software\\Quellon\\Tolvane fuer GolvaSPC");
    machine.CreateKey(L"HKLM\\SOFTWARE\\Quellon\\Tolvane Exchange");  // without "3.0\General"
    machine.CreateKey(L"HKLM\\Software\\Quellon\\Tolvane SharePoint", View::Bits64);

    EXPECT_EQ(L"HKLM\\Software\\Quellon\\Tolvane fuer Golva SPC", QuellonGolva::Instance().GetMasterKey());
    EXPECT_EQ(L"Tolvane f\u00FCr Golva SPC", QuellonGolva::Instance().GetName());
    EXPECT_EQ(L"", QuellonHestrel::Instance().GetName());
    EXPECT_EQ(L"", QuellonHestrel::Instance().GetMasterKey());
    EXPECT_EQ(L"", QuellonIvrane::Instance().GetName());
    EXPECT_FALSE(QuellonIvrane::Instance().IsInstalled());
}

} // namespace

namespace {

TEST(Rereading, OwnKeyProductsReadAgainWhileEntryAndToolbarFieldsStay) {
    ProductMachine machine;
    std::wstring install = machine.Folder(L"fenrid");
    machine.SetString(L"HKLM\\Software\\Quellon\\Fenrid", L"FENRIDPath", install);
    machine.WriteBuildDat(install, "3.2.1.0", "EN");
    const std::wstring entry = UninstallEntry(L"{6D1E4A27-93B0-4C55-8E2F-31A7C9D04B68}_is1");
    machine.SetString(entry, L"DisplayVersion", L"5.5");
    QuellonFenrid& fenrid = QuellonFenrid::Instance();
    QuellonMirell& mirell = QuellonMirell::Instance();
    QuellonPerrin& perrin = QuellonPerrin::Instance();
    ASSERT_EQ(L"3.2.1.0", fenrid.GetVersion());
    ASSERT_FALSE(perrin.IsInstalled());

    machine.WriteBuildDat(install, "3.2.1.1", "EN");
    machine.SetString(entry, L"DisplayVersion", L"6.0");
    machine.CreateKey(L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V6");

    EXPECT_EQ(L"3.2.1.1", fenrid.GetVersion());
    EXPECT_EQ(L"5.5", mirell.GetVersion());
    EXPECT_TRUE(perrin.IsInstalled());
    EXPECT_EQ(L"", perrin.GetVersion());
}

} // namespace

// A 32-bit process's case: the 64-bit test build, with one program-files folder, does not build it.
#ifndef GATHRIX_TEST_BUILD_64
namespace {

bool IsWow64ProcessForReal() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

} // namespace

// A 32-bit collector on 64-bit Windows names the 32-bit program-files folder through the shell
// and %ProgramFiles%; only the uninstall-entry product also looks into the native one.
TEST(ProgramFilesViews, EachProductLooksInTheViewItsRuleNames) {
    if (!IsWow64ProcessForReal())
        GTEST_SKIP() << "needs a 64-bit Windows: a 32-bit Windows has one program-files folder";
    ProductMachine machine;
    const std::wstring bits32 = machine.ProgramFiles();
    const std::wstring native = ProductMachine::Environment(L"ProgramW6432");
    ASSERT_NE(ToUtf8(bits32), ToUtf8(native));

    // Dornik: found under the native folder alone, and the 32-bit one first where both exist.
    machine.SetString(QuellonDornik::OwnKey, L"ServiceHomeFolderPath", machine.Folder(L"home"));
    machine.SetString(UninstallEntry(L"Quellon Dornik"), L"DisplayVersion", L"3.4.5");
    std::wstring nativeDornik = machine.SharedFolder(native + L"\\Quellon Dornik");
    EXPECT_EQ(ToUtf8(nativeDornik), ToUtf8(QuellonDornik::Instance().GetInstallDir()));
    EXPECT_TRUE(QuellonDornik::Instance().IsInstalled());
    ProductMachine::ForgetProducts();
    std::wstring dornik32 = machine.SharedFolder(bits32 + L"\\Quellon Dornik");
    EXPECT_EQ(ToUtf8(dornik32), ToUtf8(QuellonDornik::Instance().GetInstallDir()));

    // The folder products: a native installation is not theirs.
    machine.SharedFolder(native + L"\\Marvent\\Launcher");
    EXPECT_FALSE(MarventRastel::Instance().IsInstalled());
    ProductMachine::ForgetProducts();
    std::wstring marvent32 = machine.SharedFolder(bits32 + L"\\Marvent\\Launcher");
    EXPECT_EQ(ToUtf8(marvent32), ToUtf8(MarventRastel::Instance().GetInstallDir()));
    EXPECT_TRUE(MarventRastel::Instance().IsInstalled());

    // Both toolbars publish the 32-bit folder.
    machine.CreateKey(L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V6");
    EXPECT_EQ(ToUtf8(bits32 + L"\\VelquorPartnerNetwork"), ToUtf8(QuellonPerrin::Instance().GetInstallDir()));
    std::wstring belowV6 = Gathrix::System::Variables::Instance().Expand(QuellonPerrinBelowV6::InstallDirPattern)[0];
    EXPECT_EQ(ToUtf8(bits32 + L"\\velquor-partner.net"), ToUtf8(belowV6));
}
#endif
