// The second navigation level a mode file's product element stands for: named after the product
// its detector found installed, and absent where the detector found no name or no version.

#include "collector/products/BuildDatProducts.h"
#include "collector/products/CrossDetectionProducts.h"
#include "collector/products/FolderProducts.h"
#include "collector/products/KeyTestProducts.h"
#include "collector/products/ProductLevelNames.h"
#include "collector/products/tests/ProductMachine.h"

#include "common/Text.h"

#include <gtest/gtest.h>

using namespace Gathrix::Quellon;
using Gathrix::Testing::ProductMachine;
using Gathrix::Utils::ToUtf8;

namespace {

TEST(ProductLevel, NameAndVersionOfTheProductFound) {
    ProductMachine machine;
    std::wstring install = machine.Folder(L"install");
    machine.SetString(L"HKLM\\Software\\Quellon\\Tolvane Server", L"Path", install);
    machine.SetString(L"HKLM\\Software\\Quellon\\Tolvane Server", L"AppDataDirectory", machine.Folder(L"data") + L"\\");
    machine.WriteBuildDat(install, "10.0.0.1", "EN");
    machine.SetString(L"HKLM\\SOFTWARE\\Quellon\\Juvent\\3.0\\General", L"Code", L"C:\\Juvent");

    EXPECT_EQ("Quellon Cavon Security 10.0.0.1", ToUtf8(NameAndVersionLevel<QuellonCavon>()));
    EXPECT_EQ("Juvent", ToUtf8(NameLevel<QuellonJuvent>()));
}

TEST(ProductLevel, NoLevelWithoutNameOrVersion) {
    ProductMachine machine;
    // A version without a name: the cross-detection key names no product.
    machine.SetString(L"HKLM\\SOFTWARE\\X-QXCSD\\Workstation\\Entry", L"MasterKey", L"SOFTWARE\\Quellon\\Cross");
    std::wstring install = machine.Folder(L"install");
    machine.SetString(L"HKLM\\SOFTWARE\\Quellon\\Cross", L"Path", install);
    machine.WriteBuildDat(install, "14.2.0.310", "EN");
    // Installed, but its executable's version has a zero part, so it has no version.
    std::wstring marvent = machine.SharedFolder(machine.ProgramFiles() + L"\\Marvent\\Launcher");
    machine.CopyVersionStub("15.0.9.0", marvent + L"\\Marvent.ServiceHost.exe");

    EXPECT_EQ(L"14.2.0.310", QuellonBerex::Instance().GetVersion());
    EXPECT_EQ(L"", NameAndVersionLevel<QuellonBerex>());
    EXPECT_TRUE(MarventRastel::Instance().IsInstalled());
    EXPECT_EQ(L"", NameAndVersionLevel<MarventRastel>());
    // A name without a version: fixed names are there on every machine.
    EXPECT_EQ(L"Quellon Cavon Security", QuellonCavon::Instance().GetName());
    EXPECT_EQ(L"", NameAndVersionLevel<QuellonCavon>());
    EXPECT_EQ(L"", NameLevel<QuellonHestrel>());
}

} // namespace
