#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/PrivateRegistry.h"
#include "collector/collectors/files/tests/WrittenElements.h"
#include "collector/platform/Variables.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <map>

using namespace Gathrix;
using namespace Gathrix::Testing;
using System::View32;
using System::View64;

namespace {

std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

// A file lies in both views of a 64-bit Windows unless it is below a redirected folder.
std::size_t BothViews() { return System::OperatingSystem::Is64BitOperatingSystem() ? 2u : 1u; }

class RegistryKeyJobTest : public WrittenJobTest {
protected:
    PrivateRegistry registry;
    ScratchFolder files{L"regkey"};
    const std::wstring key = L"HKLM\\Software\\GathrixTest\\Run";
};

// The elements keyed by the value name their caption begins with.
std::map<std::wstring, WrittenElement> ByValueName(const WrittenElement& keyElement) {
    std::map<std::wstring, WrittenElement> byName;
    for (const auto& child : keyElement.children)
        byName[child.value.substr(0, child.value.find(L" = "))] = child;
    return byName;
}

} // namespace

TEST_F(RegistryKeyJobTest, EveryValueIsWrittenByItsTypeWithTheFilesItsTextNames) {
    WriteFileBytes(files / L"app.exe", "abc");
    const std::wstring app = files / L"app.exe";
    const std::wstring windowsName = UniqueName(L"regkey") + L".sys";
    NativePath inWindows(WindowsDir() + L"\\" + windowsName);
    inWindows.MakeFile();
    SetEnvironmentVariableW(L"GATHRIX_REGKEY_TEST", files.Path().c_str());
    System::Variables::Destroy();  // the next use takes the environment with the variable

    registry.SetText(key, L"", app);
    registry.SetText(key, L"Quoted", L"\"" + app + L"\" /run --fast");
    registry.SetText(key, L"Arguments", app + L" -k netsvcs");
    registry.SetText(key, L"NtPath", L"\\??\\" + app);
    registry.SetText(key, L"SystemRoot", L"\\SystemRoot\\" + windowsName, RegView::Bits64, REG_EXPAND_SZ);
    registry.SetText(key, L"Variable", L"%GATHRIX_REGKEY_TEST%\\app.exe", RegView::Bits64, REG_EXPAND_SZ);
    registry.SetText(key, L"Missing", files / L"missing.exe");
    registry.SetText(key, L"Link", app, RegView::Bits64, REG_LINK);
    registry.SetMultiText(key, L"Multi", {app});
    registry.SetMultiText(key, L"TwoFiles", {app, app});
    registry.SetDword(key, L"Number", 42);
    registry.SetValue(key, L"BigEndian", REG_DWORD_BIG_ENDIAN, {0x00, 0x00, 0x01, 0x02});
    registry.SetValue(key, L"Quad", REG_QWORD, {0x01, 0, 0, 0, 0, 0, 0, 0x01});
    registry.SetValue(key, L"Binary", REG_BINARY, {0x01, 0xab});
    registry.SetValue(key, L"None", REG_NONE, {});
    // "C:" and one odd byte, no NUL: the text ends with the data.
    registry.SetValue(key, L"Unterminated", REG_SZ, {'C', 0, ':', 0, 'x'});

    FilePropertiesFromRegistryKey job(key, View64, false);
    const std::vector<WrittenElement> written = Written(job);
    SetEnvironmentVariableW(L"GATHRIX_REGKEY_TEST", nullptr);
    System::Variables::Destroy();

    ASSERT_EQ(1u, written.size());
    EXPECT_EQ("true", written[0].showNumOfChildren);
    EXPECT_EQ("regkey64", written[0].type);
    EXPECT_EQ(key, written[0].value);
    ASSERT_EQ(16u, written[0].children.size());
    auto values = ByValueName(written[0]);

    struct TextCase {
        std::wstring name, data, file;  // file: the one file the text names, or empty
    } texts[] = {
        {L"", app, app},
        {L"Quoted", L"\"" + app + L"\" /run --fast", app},
        {L"Arguments", app + L" -k netsvcs", app},
        // The system opens the NT form itself: the text as written is the file.
        {L"NtPath", L"\\??\\" + app, L"\\??\\" + app},
        {L"SystemRoot", L"\\SystemRoot\\" + windowsName, inWindows.Path()},
        {L"Variable", L"%GATHRIX_REGKEY_TEST%\\app.exe", files.Path() + L"\\app.exe"},
        {L"Missing", files / L"missing.exe", L""},
        {L"Link", app, app},
        {L"Multi", app, app},
        // Two strings read as one text, which names no file.
        {L"TwoFiles", app + L"; " + app, L""},
    };
    for (const auto& c : texts) {
        SCOPED_TRACE(Narrow(c.name));
        const WrittenElement& element = values[c.name];
        EXPECT_EQ("regszvalue", element.type);
        EXPECT_EQ("false", element.showNumOfChildren);
        EXPECT_EQ(c.name + L" = " + c.data, element.value);
        if (c.file.empty()) {
            EXPECT_TRUE(element.children.empty());
            continue;
        }
        // Captioned with the full path, once per view the file lies in.
        ASSERT_EQ(BothViews(), element.children.size());
        for (const auto& file : element.children) {
            EXPECT_TRUE(Utils::EqualsNoCase(c.file, file.value)) << Narrow(file.value);
            EXPECT_EQ("fileinfo", file.type);
            EXPECT_FALSE(file.children.empty());
        }
    }
    EXPECT_EQ(L"MD5: 900150983CD24FB0D6963F7D28E17F72", values[L""].children[0].children.back().value);

    const std::pair<std::wstring, std::wstring> others[] = {
        {L"Number", L"42"}, {L"BigEndian", L"258"}, {L"Quad", L"72057594037927937"},
        {L"Binary", L"0x01 0xab"}, {L"None", L""}, {L"Unterminated", L"C:x"},
    };
    for (const auto& [name, text] : others) {
        SCOPED_TRACE(Narrow(name));
        const WrittenElement& element = values[name];
        EXPECT_EQ(name + L" = " + text, element.value);
        EXPECT_EQ(name == L"Unterminated" ? "regszvalue" : "regbinvalue", element.type);
        EXPECT_TRUE(element.children.empty());
    }
}

TEST_F(RegistryKeyJobTest, SubKeysNestInsideTheirParentsOnlyWhenAsked) {
    const std::wstring tree = L"HKLM\\Software\\GathrixTest\\Tree";
    registry.SetDword(tree, L"top", 1);
    registry.SetDword(tree + L"\\A", L"a", 2);
    registry.SetDword(tree + L"\\A\\B", L"b", 3);
    registry.SetDword(tree + L"\\A\\B\\C", L"c", 4);
    registry.CreateKey(tree + L"\\A\\B2");

    FilePropertiesFromRegistryKey deep(tree, View64, true);
    FilePropertiesFromRegistryKey flat(tree, View64, false);
    const std::vector<WrittenElement> written = Written({&deep, &flat});
    ASSERT_EQ(2u, written.size());

    // Values first, then each sub-key's own element, to the deepest level.
    const WrittenElement& top = written[0];
    ASSERT_EQ((std::vector<std::wstring>{L"top = 1", tree + L"\\A"}), top.ChildValues());
    const WrittenElement& a = top.children[1];
    EXPECT_EQ("regkey64", a.type);
    EXPECT_EQ("true", a.showNumOfChildren);
    ASSERT_EQ((std::vector<std::wstring>{L"a = 2", tree + L"\\A\\B", tree + L"\\A\\B2"}), a.ChildValues());
    const WrittenElement& b = a.children[1];
    ASSERT_EQ((std::vector<std::wstring>{L"b = 3", tree + L"\\A\\B\\C"}), b.ChildValues());
    EXPECT_EQ((std::vector<std::wstring>{L"c = 4"}), b.children[1].ChildValues());
    // An empty sub-key: its element with the caption only.
    EXPECT_TRUE(a.children[2].children.empty());

    // Without the flag the sub-keys are not even named.
    EXPECT_EQ((std::vector<std::wstring>{L"top = 1"}), written[1].ChildValues());
}

TEST_F(RegistryKeyJobTest, EachViewIsItsOwnJobAndAKeyMissingInAViewWritesNothing) {
    const std::wstring both = L"HKLM\\Software\\GathrixTest\\Both";
    registry.SetDword(both, L"bits", 32, RegView::Bits32);
    registry.SetDword(both, L"bits", 64, RegView::Bits64);
    const std::wstring only32 = L"HKLM\\Software\\GathrixTest\\Only32";
    registry.CreateKey(only32, RegView::Bits32);

    FilePropertiesFromRegistryKey view32(both, View32, false), view64(both, View64, false);
    FilePropertiesFromRegistryKey missing(only32, View64, true);
    EXPECT_TRUE(view32.HasKey());
    EXPECT_FALSE(missing.HasKey());
    EXPECT_EQ("regkey", Narrow(missing.GetType()));
    EXPECT_EQ(only32, missing.GetValue());
    EXPECT_EQ(L"regkey32", view32.GetType());

    const std::vector<WrittenElement> written = Written({&view32, &missing, &view64});
    ASSERT_EQ(2u, written.size());
    EXPECT_EQ("regkey32", written[0].type);
    EXPECT_EQ((std::vector<std::wstring>{L"bits = 32"}), written[0].ChildValues());
    EXPECT_EQ("regkey64", written[1].type);
    EXPECT_EQ((std::vector<std::wstring>{L"bits = 64"}), written[1].ChildValues());
    EXPECT_TRUE(registry.log.entries.empty());
}

TEST_F(RegistryKeyJobTest, WithoutAWriterNothingIsWrittenAndTheJobSaysWhy) {
    registry.CreateKey(key);
    FilePropertiesFromRegistryKey job(key, View64, true);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
}
