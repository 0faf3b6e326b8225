// Every product, installed by the registry keys, folders and files its detector looks for, and
// the same machine with one thing changed so that it is not. Keys, value names, names and
// variables are typed here again on purpose: a typo on either side shows.

#include "collector/config/ProductElements.h"
#include "collector/platform/Variables.h"
#include "collector/products/Publishers.h"
#include "collector/products/ToolbarProducts.h"
#include "collector/products/UninstallEntryProducts.h"
#include "collector/products/tests/ProductMachine.h"

#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace Gathrix::Quellon;
using Gathrix::Logging::Info;
using Gathrix::Testing::Logged;
using Gathrix::Testing::ProductMachine;
using Gathrix::Testing::UninstallEntry;
using Gathrix::Testing::VariableValue;
using Gathrix::Testing::View;
using Gathrix::Utils::ToUtf8;

namespace {

struct Expected {
    std::wstring entry;
    std::vector<std::pair<std::wstring, std::wstring>> variables;  // in publishing order
};

struct ProductCase {
    const char* label;
    void (*publish)(InstalledProductList&);
    const wchar_t* displayName;
    Expected (*install)(ProductMachine&);
    void (*uninstall)(ProductMachine&);  // one change after which the product is not found
};

// The product's own key with the two folder values and a build.dat in the install folder.
std::pair<std::wstring, std::wstring> OwnKeyWithBuildDat(ProductMachine& m, const std::wstring& key,
                                                         const std::wstring& installValue,
                                                         const std::wstring& dataValue, const std::string& version,
                                                         const std::string& language) {
    std::wstring install = m.Folder(L"install") + L"\\";
    std::wstring data = m.Folder(L"data") + L"\\";
    m.SetString(key, installValue, install);
    m.SetString(key, dataValue, data);
    m.WriteBuildDat(install, version, language);
    return {install, data};
}

const wchar_t* const CrossKey = L"HKLM\\SOFTWARE\\X-QXCSD";

const ProductCase Cases[] = {
    {"Alvar", PublishQuellonAlvar, L"Quellon Alvar",
     [](ProductMachine& m) {
         m.SetString(std::wstring(CrossKey) + L"\\Server\\Install", L"Name", L"Quellon Alvar Suite");
         m.SetString(std::wstring(CrossKey) + L"\\Server\\Install", L"MasterKey", L"SOFTWARE\\Quellon\\AlvarSuite");
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\SOFTWARE\\Quellon\\AlvarSuite", L"Path",
                                                   L"AppDataDirectory", "15.1.0.4", "EN");
         return Expected{L"Quellon Alvar Suite 15.1.0.4",
                         {{L"QuellonAlvarInstallDir", install},
                          {L"QuellonAlvarAppdata", data},
                          {L"QuellonAlvarMasterkey", L"HKLM\\SOFTWARE\\Quellon\\AlvarSuite"},
                          {L"QuellonAlvarQuarantinePath", data + L"INFECTED\\"}}};
     },
     [](ProductMachine& m) {
         // Below the threshold the installation belongs to the other detector.
         m.WriteBuildDat(VariableValue(L"QuellonAlvarInstallDir"), "14.2.0.310", "EN");
     }},
    {"Berex", PublishQuellonBerex, L"Quellon Berex",
     [](ProductMachine& m) {
         m.SetString(std::wstring(CrossKey) + L"\\Workstation\\Client", L"Name", L"Quellon Berex");
         m.SetString(std::wstring(CrossKey) + L"\\Workstation\\Client", L"MasterKey", L"SOFTWARE\\Quellon\\Berex");
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\SOFTWARE\\Quellon\\Berex", L"Path",
                                                   L"AppDataDirectory", "14.2.0.310", "DE");
         return Expected{L"Quellon Berex 14.2.0.310",
                         {{L"QuellonBerexInstallDir", install},
                          {L"QuellonBerexAppdata", data},
                          {L"QuellonBerexMasterkey", L"HKLM\\SOFTWARE\\Quellon\\Berex"},
                          {L"QuellonBerexQuarantinePath", data + L"INFECTED\\"}}};
     },
     [](ProductMachine& m) { m.DeleteValue(L"HKLM\\SOFTWARE\\Quellon\\Berex", L"AppDataDirectory"); }},
    {"Dornik", PublishQuellonDornik, L"Quellon Dornik",
     [](ProductMachine& m) {
         std::wstring install = m.SharedFolder(m.ProgramFiles() + L"\\Quellon Dornik");
         std::wstring home = m.Folder(L"home");
         m.SetString(QuellonDornik::OwnKey, L"ServiceHomeFolderPath", home);
         m.SetString(UninstallEntry(L"Quellon Dornik"), L"DisplayVersion", L"3.4.5");
         return Expected{L"Quellon Dornik 3.4.5",
                         {{L"QuellonDornikInstallDir", install}, {L"QuellonDornikAppdata", home}}};
     },
     [](ProductMachine& m) { m.DeleteKey(QuellonDornik::OwnKey); }},
    {"Cavon", PublishQuellonCavon, L"Quellon Cavon",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Tolvane Server", L"Path",
                                                   L"AppDataDirectory", "10.0.0.1", "EN");
         m.Folder(L"data\\CONFIG");
         m.WriteText(data + L"CONFIG\\Qxnetnt.ini", "[COMMON]\r\nQuarantineDirectory=D:\\Quarantine\\\r\n");
         return Expected{L"Quellon Cavon Security 10.0.0.1",
                         {{L"QuellonCavonInstallDir", install},
                          {L"QuellonCavonAppdata", data},
                          {L"QuellonCavonMasterkey", L"HKLM\\Software\\Quellon\\Tolvane Server"},
                          {L"QuellonCavonQuarantinePath", L"D:\\Quarantine\\"}}};
     },
     [](ProductMachine& m) {
         // Present but empty: no quarantine folder, although everything else is found.
         m.WriteText(VariableValue(L"QuellonCavonAppdata") + L"CONFIG\\Qxnetnt.ini",
                     "[COMMON]\r\nQuarantineDirectory=\r\n");
     }},
    {"EskarAgent", PublishQuellonEskarAgent, L"Quellon Eskar Agent",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Eskar Management Console\\Agent",
                                                   L"Path", L"DataPath", "6.1.0.2", "EN");
         return Expected{L"Eskar Agent 6.1.0.2",
                         {{L"QuellonEskarAgentInstallDir", install},
                          {L"QuellonEskarAgentAppdata", data},
                          {L"QuellonEskarAgentMasterkey", L"HKLM\\Software\\Quellon\\Eskar Management Console\\Agent"}}};
     },
     [](ProductMachine& m) { m.WriteBuildDat(VariableValue(L"QuellonEskarAgentInstallDir"), "6.1.0.2", ""); }},
    {"EskarServer", PublishQuellonEskarServer, L"Quellon Eskar Server",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Eskar Management Console",
                                                   L"ServerPath", L"ServerDataPath", "6.1.0.3", "FR");
         return Expected{L"Eskar Server 6.1.0.3",
                         {{L"QuellonEskarServerInstallDir", install},
                          {L"QuellonEskarServerAppdata", data},
                          {L"QuellonEskarServerMasterkey", L"HKLM\\Software\\Quellon\\Eskar Management Console"}}};
     },
     [](ProductMachine& m) {
         m.DeleteValue(L"HKLM\\Software\\Quellon\\Eskar Management Console", L"ServerDataPath");
     }},
    {"EskarFrontend", PublishQuellonEskarFrontend, L"Quellon Eskar Frontend",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Eskar Management Console",
                                                   L"GuiPath", L"GuiDataPath", "6.1.0.4", "EN");
         return Expected{L"Eskar Frontend 6.1.0.4",
                         {{L"QuellonEskarFrontendInstallDir", install},
                          {L"QuellonEskarFrontendAppdata", data},
                          {L"QuellonEskarFrontendMasterkey", L"HKLM\\Software\\Quellon\\Eskar Management Console"}}};
     },
     [](ProductMachine&) {
         ASSERT_TRUE(DeleteFileW((VariableValue(L"QuellonEskarFrontendInstallDir") + L"build.dat").c_str()));
     }},
    {"Fenrid", PublishQuellonFenrid, L"Quellon Fenrid",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Fenrid", L"FENRIDPath",
                                                   L"FENRIDDataPath", "3.2.1.0", "EN");
         return Expected{L"Fenrid 3.2.1.0",
                         {{L"QuellonFenridInstallDir", install},
                          {L"QuellonFenridAppdata", data},
                          {L"QuellonFenridMasterkey", L"HKLM\\Software\\Quellon\\Fenrid"}}};
     },
     [](ProductMachine& m) {
         // Only the 32-bit view counts.
         std::wstring install = VariableValue(L"QuellonFenridInstallDir");
         std::wstring data = VariableValue(L"QuellonFenridAppdata");
         m.DeleteKey(L"HKLM\\Software\\Quellon\\Fenrid");
         m.SetString(L"HKLM\\Software\\Quellon\\Fenrid", L"FENRIDPath", install, View::Bits64);
         m.SetString(L"HKLM\\Software\\Quellon\\Fenrid", L"FENRIDDataPath", data, View::Bits64);
     }},
    {"Golva", PublishQuellonGolva, L"Quellon Tolvane for Golva",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Tolvane fuer GolvaSPC", L"Path",
                                                   L"AppDataDirectory", "7.0.1.2", "EN");
         return Expected{L"Tolvane f\u00FCr Golva SPC 7.0.1.2",
                         {{L"QuellonGolvaInstallDir", install},
                          {L"QuellonGolvaAppdata", data},
                          {L"QuellonGolvaMasterkey", L"HKLM\\Software\\Quellon\\Tolvane fuer GolvaSPC"}}};
     },
     [](ProductMachine& m) { m.DeleteValue(L"HKLM\\Software\\Quellon\\Tolvane fuer GolvaSPC", L"Path"); }},
    {"Hestrel", PublishQuellonHestrel, L"Quellon Tolvane for Exchange",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"exchange");
         m.SetString(L"HKLM\\SOFTWARE\\Quellon\\Tolvane Exchange\\3.0\\General", L"Code", install);
         return Expected{L"Tolvane for Exchange ",
                         {{L"QuellonHestrelInstallDir", install},
                          {L"QuellonHestrelMasterkey", L"HKLM\\SOFTWARE\\Quellon\\Tolvane Exchange"}}};
     },
     [](ProductMachine& m) { m.DeleteKey(L"HKLM\\SOFTWARE\\Quellon\\Tolvane Exchange\\3.0\\General"); }},
    {"Ivrane", PublishQuellonIvrane, L"Quellon Tolvane Sharepoint",
     [](ProductMachine& m) {
         auto [install, data] = OwnKeyWithBuildDat(m, L"HKLM\\Software\\Quellon\\Tolvane SharePoint", L"Path",
                                                   L"AppDataDirectory", "4.0.0.9", "EN");
         return Expected{L"Tolvane Sharepoint 4.0.0.9",
                         {{L"QuellonIvraneInstallDir", install},
                          {L"QuellonIvraneAppdata", data},
                          {L"QuellonIvraneMasterkey", L"HKLM\\Software\\Quellon\\Tolvane SharePoint"}}};
     },
     [](ProductMachine& m) { m.WriteBuildDat(VariableValue(L"QuellonIvraneInstallDir"), "4.0.0.9", ""); }},
    {"Juvent", PublishQuellonJuvent, L"Quellon Juvent",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"juvent");
         m.SetString(L"HKLM\\SOFTWARE\\Quellon\\Juvent\\3.0\\General", L"Code", install);
         return Expected{L"Juvent ",
                         {{L"QuellonJuventInstallDir", install},
                          {L"QuellonJuventMasterkey", L"HKLM\\SOFTWARE\\Quellon\\Juvent"}}};
     },
     [](ProductMachine& m) { m.DeleteValue(L"HKLM\\SOFTWARE\\Quellon\\Juvent\\3.0\\General", L"Code"); }},
    {"Kaldor", PublishQuellonKaldor, L"Quellon Kaldor",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"kaldor") + L"\\";
         m.SetString(UninstallEntry(L"Quellon Kaldor_is1"), L"DisplayName", L"Quellon Kaldor");
         m.SetString(UninstallEntry(L"Quellon Kaldor_is1"), L"DisplayVersion", L"1.2.3");
         m.SetString(UninstallEntry(L"Quellon Kaldor_is1"), L"InstallLocation", install);
         return Expected{L"Quellon Kaldor 1.2.3",
                         {{L"QuellonKaldorInstallDir", install},
                          {L"QuellonKaldorAppdata", m.LocalAppData() + L"\\QuellonKaldor"}}};
     },
     [](ProductMachine& m) { m.DeleteKey(UninstallEntry(L"Quellon Kaldor_is1")); }},
    {"Lumbra", PublishQuellonLumbra, L"Quellon Lumbra",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"lumbra") + L"\\";
         m.SetString(UninstallEntry(L"Quellon Lumbra_is1"), L"DisplayName", L"Quellon Lumbra");
         m.SetString(UninstallEntry(L"Quellon Lumbra_is1"), L"DisplayVersion", L"2.0.1");
         m.SetString(UninstallEntry(L"Quellon Lumbra_is1"), L"InstallLocation", install);
         return Expected{L"Quellon Lumbra 2.0.1",
                         {{L"QuellonLumbraInstallDir", install},
                          {L"QuellonLumbraAppdata", ProductMachine::Environment(L"ProgramData") + L"\\Quellon\\Lumbra"}}};
     },
     // An entry without a value the detector reads: not found, and the run goes on.
     [](ProductMachine& m) { m.DeleteValue(UninstallEntry(L"Quellon Lumbra_is1"), L"DisplayVersion"); }},
    {"Mirell", PublishQuellonMirell, L"Quellon Mirell",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"mirell");
         const std::wstring entry = UninstallEntry(L"{6D1E4A27-93B0-4C55-8E2F-31A7C9D04B68}_is1");
         m.SetString(entry, L"DisplayName", L"Quellon Mirell");
         m.SetString(entry, L"DisplayVersion", L"5.5");
         m.SetString(entry, L"InstallLocation", install + L"\\\\");
         return Expected{L"Quellon Mirell 5.5",
                         {{L"QuellonMirellInstallDir", install + L"\\"},
                          {L"QuellonMirellAppdata", ProductMachine::Environment(L"ProgramData") + L"\\Quellon\\Mirell"}}};
     },
     [](ProductMachine& m) {
         m.DeleteValue(UninstallEntry(L"{6D1E4A27-93B0-4C55-8E2F-31A7C9D04B68}_is1"), L"DisplayName");
     }},
    {"Noviset", PublishQuellonNoviset, L"Quellon Noviset",
     [](ProductMachine& m) {
         // Uninstall entries are found in the 64-bit view too.
         std::wstring install = m.Folder(L"noviset");
         m.SetString(UninstallEntry(L"Quellon Noviset_is1"), L"DisplayName", L"Quellon Noviset", View::Bits64);
         m.SetString(UninstallEntry(L"Quellon Noviset_is1"), L"DisplayVersion", L"8.0.2", View::Bits64);
         m.SetString(UninstallEntry(L"Quellon Noviset_is1"), L"InstallLocation", install + L"\\", View::Bits64);
         return Expected{L"Quellon Noviset 8.0.2",
                         {{L"QuellonNovisetInstallDir", install},
                          {L"QuellonNovisetAppdata",
                           ProductMachine::Environment(L"ProgramData") + L"\\Quellon\\Noviset"}}};
     },
     [](ProductMachine& m) {
         m.DeleteValue(UninstallEntry(L"Quellon Noviset_is1"), L"InstallLocation", View::Bits64);
     }},
    {"NovisetHost", PublishQuellonNovisetHost, L"Quellon Noviset Host",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"host");
         m.SetString(L"HKLM\\SOFTWARE\\Quellon\\NovisetHost", L"InstallLocation", install + L"\\");
         m.SetString(L"HKLM\\SOFTWARE\\Quellon\\NovisetHost", L"Version", L"1.0.0.8");
         return Expected{L"QuellonNovisetHost 1.0.0.8",
                         {{L"QuellonNovisetHostInstallDir", install},
                          {L"QuellonNovisetHostAppdata",
                           ProductMachine::Environment(L"ProgramData") + L"\\Quellon\\NovisetHost"}}};
     },
     [](ProductMachine& m) { m.DeleteValue(L"HKLM\\SOFTWARE\\Quellon\\NovisetHost", L"Version"); }},
    {"PerrinBelowV6", PublishQuellonPerrinBelowV6, L"Quellon Perrin (version below V6)",
     [](ProductMachine& m) {
         std::wstring install =
             m.SharedFolder(Gathrix::System::Variables::Instance().Expand(QuellonPerrinBelowV6::InstallDirPattern)[0]);
         m.SetString(L"HKLM\\Software\\VelquorToolbar\\Macro", L"tb", L"QXR-12345");
         return Expected{L"Quellon Perrin ", {{L"QuellonPerrinBelowV6InstallDir", install}}};
     },
     [](ProductMachine& m) { m.SetString(L"HKLM\\Software\\VelquorToolbar\\Macro", L"tb", L"qxr-12345"); }},
    {"Perrin", PublishQuellonPerrin, L"Quellon Perrin (version V6 or newer)",
     [](ProductMachine& m) {
         m.CreateKey(L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V6");
         return Expected{L"Quellon Perrin V6",
                         {{L"QuellonPerrinInstallDir", m.ProgramFiles() + L"\\VelquorPartnerNetwork"},
                          {L"QuellonPerrinCommonAppData", m.CommonAppData() + L"\\VelquorPartnerNetwork"}}};
     },
     [](ProductMachine& m) { m.DeleteKey(L"HKLM\\Software\\VelquorPartnerNetwork\\Toolbar\\Quellon-V6"); }},
    {"Rastel", PublishQuellonRastel, L"Quellon Rastel",
     [](ProductMachine& m) {
         std::wstring install = m.SharedFolder(m.ProgramFiles() + L"\\Quellon\\Launcher");
         // A zero part disqualifies the first executable's version.
         m.CopyVersionStub("3.0.0.12", install + L"\\Quellon.ServiceHost.exe");
         m.CopyVersionStub("5.1.2.3", install + L"\\Quellon.OE.ServiceHost.exe");
         return Expected{L"Quellon Rastel 5.1.2.3",
                         {{L"QuellonRastelInstallDir", install},
                          {L"QuellonRastelAppData", m.CommonAppData() + L"\\Quellon\\Launcher"}}};
     },
     [](ProductMachine& m) { Gathrix::Testing::RemoveTree(m.ProgramFiles() + L"\\Quellon\\Launcher"); }},
    {"MarventRastel", PublishMarventRastel, L"Marvent Rastel",
     [](ProductMachine& m) {
         std::wstring install = m.SharedFolder(m.ProgramFiles() + L"\\Marvent\\Launcher");
         m.CopyVersionStub("2.4.6.8", install + L"\\Marvent.ServiceHost.exe");
         return Expected{L"Marvent Rastel 2.4.6.8",
                         {{L"MarventRastelInstallDir", install},
                          {L"MarventRastelAppData", m.CommonAppData() + L"\\Marvent\\Launcher"}}};
     },
     [](ProductMachine& m) { Gathrix::Testing::RemoveTree(m.ProgramFiles() + L"\\Marvent\\Launcher"); }},
    {"Quorvel", PublishQuellonQuorvel, L"Quellon Vpn Quorvel",
     [](ProductMachine& m) {
         std::wstring install = m.SharedFolder(m.ProgramFiles() + L"\\Quellon\\VPN");
         m.CopyVersionStub("4.2.1.7", install + L"\\Quellon.VpnService.exe");
         return Expected{L"Quellon VPN Quorvel 4.2.1.7",
                         {{L"QuellonQuorvelInstallDir", install},
                          {L"QuellonQuorvelAppData", m.CommonAppData() + L"\\Quellon\\VPN"}}};
     },
     [](ProductMachine& m) { Gathrix::Testing::RemoveTree(m.ProgramFiles() + L"\\Quellon\\VPN"); }},
    {"Sovrin", PublishQuellonSovrin, L"Sovrin",
     [](ProductMachine& m) {
         std::wstring install = m.SharedFolder(m.ProgramFiles() + L"\\Quellon\\Sovrin");
         m.CopyVersionStub("1.5.0.3", install + L"\\QuellonSovrin.exe");
         return Expected{L"Sovrin 1.5.0.3",
                         {{L"QuellonSovrinInstallDir", install},
                          {L"QuellonSovrinAppData", m.CommonAppData() + L"\\Quellon\\Sovrin"}}};
     },
     // Without its program folder it is not there (its version would still read 0.0.0.0).
     [](ProductMachine& m) { Gathrix::Testing::RemoveTree(m.ProgramFiles() + L"\\Quellon\\Sovrin"); }},
    {"Orvane", PublishQuellonOrvane, L"Quellon Orvane",
     [](ProductMachine& m) {
         std::wstring install = m.Folder(L"orvane");
         m.SetString(UninstallEntry(L"Quellon Security_is1"), L"DisplayName", L"Quellon Security");
         m.SetString(UninstallEntry(L"Quellon Security_is1"), L"DisplayVersion", L"11.0.3");
         m.SetString(UninstallEntry(L"Quellon Security_is1"), L"InstallLocation", install + L"\\");
         return Expected{L"Quellon Security 11.0.3",
                         {{L"QuellonOrvaneInstallDir", install},
                          {L"QuellonOrvaneAppdata",
                           ProductMachine::Environment(L"ProgramData") + L"\\Quellon\\Security"}}};
     },
     [](ProductMachine& m) { m.DeleteKey(UninstallEntry(L"Quellon Security_is1")); }},
};

void PrintTo(const ProductCase& product, std::ostream* out) { *out << product.label; }

class ProductTable : public ::testing::TestWithParam<ProductCase> {};

TEST_P(ProductTable, InstalledProductIsReportedAndPublished) {
    const ProductCase& product = GetParam();
    ProductMachine machine;
    Expected expected = product.install(machine);

    InstalledProductList list;
    product.publish(list);

    EXPECT_TRUE(Logged(machine.log, Info, std::wstring(product.displayName) + L" installation found: " + expected.entry));
    EXPECT_EQ(InstalledProductList{expected.entry}, list);
    EXPECT_EQ(expected.entry + L", ", InstalledProductsText(list));
    for (const auto& [name, value] : expected.variables)
        EXPECT_EQ(ToUtf8(value), ToUtf8(VariableValue(name))) << ToUtf8(name);
}

TEST_P(ProductTable, OneChangeMakesItNotInstalled) {
    const ProductCase& product = GetParam();
    ProductMachine machine;
    Expected expected = product.install(machine);
    {
        InstalledProductList list;
        product.publish(list);
        ASSERT_EQ(1u, list.size()) << "the installed machine must be found first";
    }
    product.uninstall(machine);
    ProductMachine::ForgetProducts();
    machine.log.entries.clear();

    InstalledProductList list;
    product.publish(list);

    EXPECT_TRUE(Logged(machine.log, Info, L"No " + std::wstring(product.displayName) + L" installation found."));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(L"- no products found -", InstalledProductsText(list));
    for (const auto& variable : expected.variables)
        EXPECT_EQ("|?" + ToUtf8(variable.first) + "?|", ToUtf8(VariableValue(variable.first)));
}

// The mode file's element of the product: the detector's class name.
const Gathrix::ConfigParsing::ProductElement* ElementOf(const ProductCase& product) {
    const std::string label = product.label;
    for (const auto& element : Gathrix::ConfigParsing::ProductElements()) {
        if (element.name == label || element.name == "Quellon" + label)
            return &element;
    }
    return nullptr;
}

// The level a product element yields while the product is installed: its entry, for the two
// name-alone elements without the version, and none where a version is wanted but there is none.
std::wstring LevelOf(const ProductCase& product, const std::wstring& entry) {
    const std::string label = product.label;
    bool nameAlone = label == "Hestrel" || label == "Juvent";
    bool withoutVersion = !entry.empty() && entry.back() == L' ';
    if (nameAlone)
        return withoutVersion ? entry.substr(0, entry.size() - 1) : entry;
    return withoutVersion ? std::wstring() : entry;
}

// A product element asks the detection: no level on a bare machine nor after the one change,
// a level named after the entry while the product is there.
TEST_P(ProductTable, ProductElementYieldsALevelOnlyWhileInstalled) {
    const ProductCase& product = GetParam();
    const auto* element = ElementOf(product);
    ASSERT_NE(nullptr, element);
    ProductMachine machine;
    EXPECT_EQ("", ToUtf8(element->levelName())) << "bare machine";

    ProductMachine::ForgetProducts();
    Expected expected = product.install(machine);
    InstalledProductList list;
    product.publish(list);
    EXPECT_EQ(ToUtf8(LevelOf(product, expected.entry)), ToUtf8(element->levelName())) << "installed";

    product.uninstall(machine);
    ProductMachine::ForgetProducts();
    EXPECT_EQ("", ToUtf8(element->levelName())) << "after the change";
}

INSTANTIATE_TEST_SUITE_P(EveryProduct, ProductTable, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<ProductCase>& info) { return info.param.label; });

} // namespace
