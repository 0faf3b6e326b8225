#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/PrivateRegistry.h"
#include "collector/collectors/files/tests/WrittenElements.h"
#include "collector/platform/Variables.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"
#include "common/tests/support/RegistryLink.h"

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

// A key below HKLM of the private registry, opened for making links and keys below it.
UniqueRegKey OpenMachineKey(const std::wstring& path) {
    UniqueRegKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.substr(5).c_str(), 0,
                                           KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.Put()))
        << Narrow(path);
    return key;
}

// A sub-key that links back to the job's key would make the walk endless: the link is a leaf
// that names its target. A link named as the job's key itself is followed, once.
TEST_F(RegistryKeyJobTest, ALinkAmongTheSubKeysIsALeafNamingItsTarget) {
    const std::wstring tree = L"HKLM\\Software\\GathrixTest\\Loop";
    registry.SetDword(tree, L"top", 1);
    registry.SetDword(tree + L"\\A", L"a", 2);
    UniqueRegKey top = OpenMachineKey(tree), a = OpenMachineKey(tree + L"\\A");
    RegistryLink back(a.Get(), L"Back", top.Get());
    ASSERT_TRUE(back.Made()) << "this registry cannot make links";
    DWORD errorCode = 0;
    ASSERT_TRUE(System::RegistryKey::Exists(tree + L"\\A\\Back\\A\\Back\\A", View64, errorCode)) << "the loop is live";

    FilePropertiesFromRegistryKey job(tree, View64, true);
    FilePropertiesFromRegistryKey throughLink(tree + L"\\A\\Back", View64, true);
    const std::vector<WrittenElement> written = Written({&job, &throughLink});
    ASSERT_EQ(2u, written.size());

    const std::wstring leaf = L" (link to " + back.Target() + L")";
    ASSERT_EQ((std::vector<std::wstring>{L"top = 1", tree + L"\\A"}), written[0].ChildValues());
    const WrittenElement& a1 = written[0].children[1];
    ASSERT_EQ((std::vector<std::wstring>{L"a = 2", tree + L"\\A\\Back" + leaf}), a1.ChildValues());
    EXPECT_EQ((std::vector<std::string>{"regbinvalue", "regkey64"}), a1.ChildTypes());
    EXPECT_EQ("false", a1.children[1].showNumOfChildren);
    EXPECT_TRUE(a1.children[1].children.empty());

    EXPECT_EQ(tree + L"\\A\\Back", written[1].value);
    ASSERT_EQ((std::vector<std::wstring>{L"top = 1", tree + L"\\A\\Back\\A"}), written[1].ChildValues());
    EXPECT_EQ((std::vector<std::wstring>{L"a = 2", tree + L"\\A\\Back\\A\\Back" + leaf}),
              written[1].children[1].ChildValues());
    EXPECT_TRUE(registry.log.entries.empty());
}

// However deep a chain of keys, the walk keeps its levels in a list of its own, never on the
// stack; below MaxSubKeyDepth levels it reads no further.
TEST_F(RegistryKeyJobTest, DeepChainsAreWalkedToTheBoundWhereAWarningNamesTheKey) {
    const std::size_t bound = FilePropertiesFromRegistryKey::MaxSubKeyDepth;
    ASSERT_LT(bound, 300u);
    const std::wstring tree = L"HKLM\\Software\\GathrixTest\\Deep";
    registry.CreateKey(tree);
    std::wstring deepest = tree;
    {
        UniqueRegKey level = OpenMachineKey(tree);
        for (std::size_t depth = 1; depth <= 300; ++depth) {
            UniqueRegKey below;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(level.Get(), L"d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                     below.Put(), nullptr))
                << depth;
            const DWORD number = static_cast<DWORD>(depth);
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(below.Get(), L"depth", 0, REG_DWORD,
                                                    reinterpret_cast<const BYTE*>(&number), sizeof(number)));
            if (depth <= bound)
                deepest += L"\\d";
            level = std::move(below);
        }
    }

    FilePropertiesFromRegistryKey job(tree, View64, true);
    const std::vector<WrittenElement> written = Written(job);
    ASSERT_EQ(1u, written.size());
    const WrittenElement* element = &written[0];
    std::wstring path = tree;
    for (std::size_t depth = 1; depth <= bound; ++depth) {
        path += L"\\d";
        ASSERT_FALSE(element->children.empty()) << depth;
        element = &element->children.back();
        ASSERT_EQ(path, element->value) << depth;
        ASSERT_EQ(L"depth = " + std::to_wstring(depth), element->children.front().value);
    }
    // The deepest key read has its values, not its sub-key.
    EXPECT_EQ(1u, element->children.size());
    const std::wstring warning = L"The registry key '" + deepest + L"' lies " + std::to_wstring(bound) +
                                 L" levels below '" + tree + L"': its sub-keys are not read.";
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Warning, warning}}), registry.log.entries);
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
