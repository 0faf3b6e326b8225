// The older toolbar's folder pattern names "%Programfiles%": a 32-bit collector on 64-bit Windows
// tries the 32-bit program-files folder first and then its 64-bit twin ("%ProgramW6432%").
// A 32-bit process's case: the 64-bit test build, with one program-files folder, does not build it.

#ifndef GATHRIX_TEST_BUILD_64

#include "collector/products/Publishers.h"
#include "collector/products/ToolbarProducts.h"
#include "collector/products/tests/ProductMachine.h"

#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>

using namespace Gathrix::Quellon;
using Gathrix::Logging::Info;
using Gathrix::Testing::Logged;
using Gathrix::Testing::ProductMachine;
using Gathrix::Testing::VariableValue;
using Gathrix::Utils::ToUtf8;

TEST(ProgramFilesViews, OlderToolbarFoundInTheNativeFolderAndThe32BitOneFirst) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "needs a 64-bit Windows: a 32-bit Windows has one program-files folder";
    ProductMachine machine;
    const std::wstring folder32 = machine.ProgramFiles() + L"\\velquor-partner.net";
    const std::wstring native = ProductMachine::Environment(L"ProgramW6432") + L"\\velquor-partner.net";
    ASSERT_NE(ToUtf8(folder32), ToUtf8(native));
    machine.SetString(L"HKLM\\Software\\VelquorToolbar\\Macro", L"tb", L"QXR-1");

    machine.SharedFolder(native);
    {
        InstalledProductList list;
        PublishQuellonPerrinBelowV6(list);
        EXPECT_EQ(InstalledProductList{L"Quellon Perrin "}, list);
        EXPECT_TRUE(Logged(machine.log, Info, L"Quellon Perrin (version below V6) installation found: Quellon Perrin "));
        EXPECT_EQ(ToUtf8(native), ToUtf8(VariableValue(L"QuellonPerrinBelowV6InstallDir")));
    }

    ProductMachine::ForgetProducts();
    machine.SharedFolder(folder32);
    InstalledProductList list;
    PublishQuellonPerrinBelowV6(list);
    EXPECT_EQ(InstalledProductList{L"Quellon Perrin "}, list);
    EXPECT_EQ(ToUtf8(folder32), ToUtf8(VariableValue(L"QuellonPerrinBelowV6InstallDir")));
}

#endif
