#include "collector/collectors/files/ComObjects.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/PrivateRegistry.h"
#include "collector/collectors/files/tests/WrittenElements.h"
#include "common/Exceptions.h"
#include "common/OperatingSystem.h"
#include "common/Registry.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <map>

using namespace Gathrix;
using namespace Gathrix::Testing;
using System::View32;
using System::View64;

namespace {

const std::wstring A = PrivateRegistry::UniqueClsid(0xA);
const std::wstring B = PrivateRegistry::UniqueClsid(0xB);
const std::wstring C = PrivateRegistry::UniqueClsid(0xC);
const std::wstring D = PrivateRegistry::UniqueClsid(0xD);
const std::wstring E = PrivateRegistry::UniqueClsid(0xE);
const std::wstring F = PrivateRegistry::UniqueClsid(0xF);

std::wstring Class(const std::wstring& clsid) { return L"HKCR\\CLSID\\" + clsid; }

// Classes registered for the test (see PrivateRegistry for why in the prefix's HKEY_CLASSES_ROOT):
//   A  "Alpha handler", server alpha.dll (32-bit view: alpha32.dll)
//   B  a local server only: never listed
//   C  no description, a server file that does not exist
//   D  "Locked", its InprocServer32 key denies reading
//   E  "Native only", a server below System32 that lies only in the native file-system view
//   F  only in the 32-bit view
class ComObjectsTest : public WrittenJobTest {
protected:
    ComObjectsTest() : nativeServer(NativeSystemDir() + L"\\" + UniqueName(L"comserver") + L".dll") {
        WriteFileBytes(files / L"alpha.dll", "abc");
        WriteFileBytes(files / L"alpha32.dll", "");
        nativeServer.MakeFile();

        registry.SetText(Class(A), L"", L"Alpha handler");
        registry.SetText(Class(A) + L"\\InprocServer32", L"", files / L"alpha.dll");
        registry.SetText(Class(A) + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        registry.SetText(Class(A), L"", L"Alpha handler", RegView::Bits32);
        registry.SetText(Class(A) + L"\\InprocServer32", L"", files / L"alpha32.dll", RegView::Bits32);
        registry.SetText(Class(B), L"", L"Local only");
        registry.SetText(Class(B) + L"\\LocalServer32", L"", files / L"alpha.dll");
        registry.SetText(Class(C) + L"\\InprocServer32", L"", files / L"missing.dll");
        registry.SetText(Class(D), L"", L"Locked");
        registry.SetText(Class(D) + L"\\InprocServer32", L"", files / L"alpha.dll");
        registry.SetText(Class(E), L"", L"Native only");
        registry.SetText(Class(E) + L"\\InprocServer32", L"", nativeServer.Path());
        registry.SetText(Class(F), L"", L"Thirty-two", RegView::Bits32);
        registry.SetText(Class(F) + L"\\InprocServer32", L"", files / L"alpha32.dll", RegView::Bits32);
        locked = std::make_unique<LockedKey>(Class(D) + L"\\InprocServer32");
        registry.log.entries.clear();
    }

    // The captions a list of the classes writes, in the order the list key enumerates `names`.
    static std::wstring Caption(const std::wstring& clsid, const std::wstring& description,
                                const std::wstring& server) {
        return description + L": " + server + L" (CLSID = " + clsid + L")";
    }
    std::wstring LockedText(const std::wstring& keyPath) const {
        return L"Cannot read COM object " + keyPath + L": " + System::GetErrorText(ERROR_ACCESS_DENIED);
    }
    std::map<std::wstring, std::wstring> Captions64() const {
        return {{A, Caption(A, L"Alpha handler", files / L"alpha.dll")},
                {C, Caption(C, L"(no description available)", files / L"missing.dll")},
                {D, LockedText(L"HKEY_CLASSES_ROOT\\CLSID\\" + D + L"\\InProcServer32")},
                {E, Caption(E, L"Native only", nativeServer.Path())}};
    }
    // What a list of these class ids writes, in their order.
    std::vector<std::wstring> Expected(const std::vector<std::wstring>& listed) const {
        const auto captions = Captions64();
        std::vector<std::wstring> expected;
        for (const auto& clsid : listed)
            if (captions.count(clsid))
                expected.push_back(captions.at(clsid));
        return expected;
    }
    void ExpectClassElements(const WrittenElement& list) const {
        for (const auto& element : list.children) {
            SCOPED_TRACE(Utils::ToUtf8(element.value));
            EXPECT_EQ("cogwheel", element.type);
            EXPECT_EQ("false", element.showNumOfChildren);
            if (element.value.find(A) != std::wstring::npos) {
                ASSERT_EQ(System::OperatingSystem::Is64BitOperatingSystem() ? 2u : 1u, element.children.size());
                EXPECT_EQ(files / L"alpha.dll", element.children[0].value);
                EXPECT_EQ(L"MD5: 900150983CD24FB0D6963F7D28E17F72", element.children[0].children.back().value);
            } else if (element.value.find(E) != std::wstring::npos) {
                // The 32-bit view would look in SysWOW64, where the server is not.
                ASSERT_EQ(1u, element.children.size());
                EXPECT_TRUE(Utils::EqualsNoCase(nativeServer.Path(), element.children[0].value));
            } else {
                EXPECT_TRUE(element.children.empty());
            }
        }
    }
    bool LockEnforced() const { return locked->Enforced(); }

    PrivateRegistry registry;
    ScratchFolder files{L"com"};
    NativePath nativeServer;
    std::unique_ptr<LockedKey> locked;
};

} // namespace

TEST_F(ComObjectsTest, EachClassIdSourceListsTheRegisteredClasses) {
    // Value names, subkey names, and the "CLSID" value of each subkey; B has only a local server
    // and an id without braces names no class: neither is listed.
    const std::wstring approved = L"HKLM\\Software\\GathrixTest\\Approved";
    for (const auto& name : {A, B, C, E, A.substr(1, 36)})
        registry.SetText(approved, name, L"caption text");
    const std::wstring handlers = L"HKLM\\Software\\GathrixTest\\Handlers";
    for (const auto& name : {A, B, C, E})
        registry.SetText(handlers + L"\\" + name, L"", L"caption text");
    const std::wstring overlays = L"HKLM\\Software\\GathrixTest\\Overlays";
    registry.SetText(overlays + L"\\1 Alpha", L"CLSID", A);
    registry.SetText(overlays + L"\\2 No class id", L"", C);  // the default value is not the one read
    registry.SetText(overlays + L"\\3 Local", L"CLSID", B);
    registry.SetText(overlays + L"\\4 Native", L"CLSID", E);

    ComObjectList byValueName(approved, ComObjectList::ValueNames, View64);
    ComObjectList bySubkeyName(handlers, ComObjectList::SubkeyNames, View64);
    ComObjectList byClsidValue(overlays, ComObjectList::ClsidValuesOfSubkeys, View64);
    const std::vector<WrittenElement> written = Written({&byValueName, &bySubkeyName, &byClsidValue});
    ASSERT_EQ(3u, written.size());
    for (const auto& list : written) {
        EXPECT_EQ("cogwheel64", list.type);
        EXPECT_EQ("true", list.showNumOfChildren);
        ExpectClassElements(list);
    }
    const std::vector<std::wstring> listed = {Captions64()[A], Captions64()[C], Captions64()[E]};
    EXPECT_EQ(approved, written[0].value);
    EXPECT_EQ(Expected(System::RegistryKey(approved, View64).GetValueNames()), written[0].ChildValues());
    EXPECT_EQ(3u, written[0].children.size());
    EXPECT_EQ(handlers, written[1].value);
    EXPECT_EQ(Expected(System::RegistryKey(handlers, View64).GetSubKeyNames()), written[1].ChildValues());
    EXPECT_EQ(3u, written[1].children.size());
    EXPECT_EQ(overlays, written[2].value);
    EXPECT_EQ((std::vector<std::wstring>{Captions64()[A], Captions64()[E]}), written[2].ChildValues());
    for (const auto& entry : registry.log.entries)
        EXPECT_LT(entry.level, Logging::Warning) << Utils::ToUtf8(entry.message);
}

TEST_F(ComObjectsTest, AnUnreadableRegistrationGetsItsOwnLeaf) {
    if (!LockEnforced())
        GTEST_SKIP() << "this registry does not enforce key security";
    const std::wstring approved = L"HKLM\\Software\\GathrixTest\\Approved";
    for (const auto& name : {A, D})
        registry.SetText(approved, name, L"caption text");
    const std::wstring handlers = L"HKLM\\Software\\GathrixTest\\Handlers";
    for (const auto& name : {A, D, E})
        registry.SetText(handlers + L"\\" + name, L"", L"caption text");
    // Listed by name: that its key can't be read does not matter.
    LockedKey lockedHandler(handlers + L"\\" + E);
    const std::wstring overlays = L"HKLM\\Software\\GathrixTest\\Overlays";
    registry.SetText(overlays + L"\\1 Alpha", L"CLSID", A);
    registry.SetText(overlays + L"\\3 Locked", L"CLSID", C);
    registry.SetText(overlays + L"\\4 Native", L"CLSID", E);
    LockedKey lockedEntry(overlays + L"\\3 Locked");

    ComObjectList byValueName(approved, ComObjectList::ValueNames, View64);
    ComObjectList bySubkeyName(handlers, ComObjectList::SubkeyNames, View64);
    ComObjectList byClsidValue(overlays, ComObjectList::ClsidValuesOfSubkeys, View64);
    const std::vector<WrittenElement> written = Written({&byValueName, &bySubkeyName, &byClsidValue});
    ASSERT_EQ(3u, written.size());
    for (const auto& list : written)
        ExpectClassElements(list);
    EXPECT_EQ(Expected(System::RegistryKey(approved, View64).GetValueNames()), written[0].ChildValues());
    EXPECT_EQ(Expected(System::RegistryKey(handlers, View64).GetSubKeyNames()), written[1].ChildValues());
    // The locked entry does not hide the entries after it.
    EXPECT_EQ((std::vector<std::wstring>{Captions64()[A], LockedText(overlays + L"\\3 Locked"), Captions64()[E]}),
              written[2].ChildValues());
    // Each unreadable registration is logged too (once per list that names D, once for the entry).
    int warnings = 0;
    for (const auto& entry : registry.log.entries)
        warnings += entry.level == Logging::Warning && entry.message.rfind(L"Cannot read COM object ", 0) == 0;
    EXPECT_EQ(3, warnings);
}

TEST_F(ComObjectsTest, EachViewListsItsOwnClassesWithItsOwnServers) {
    const std::wstring list = L"HKLM\\Software\\GathrixTest\\Handlers";
    for (RegView view : {RegView::Bits32, RegView::Bits64}) {
        registry.CreateKey(list + L"\\" + A, view);
        registry.CreateKey(list + L"\\" + F, view);
    }
    const std::wstring only32 = L"HKLM\\Software\\GathrixTest\\Only32";
    registry.SetText(only32, A, L"", RegView::Bits32);

    ComObjectList view32(list, ComObjectList::SubkeyNames, View32), view64(list, ComObjectList::SubkeyNames, View64);
    ComObjectList missing(only32, ComObjectList::ValueNames, View64);
    EXPECT_EQ(L"cogwheel32", view32.GetType());
    EXPECT_EQ(list, view32.GetValue());
    const std::vector<WrittenElement> written = Written({&view32, &view64, &missing});
    ASSERT_EQ(3u, written.size());
    EXPECT_EQ("cogwheel32", written[0].type);
    EXPECT_EQ((std::vector<std::wstring>{Caption(A, L"Alpha handler", files / L"alpha32.dll"),
                                         Caption(F, L"Thirty-two", files / L"alpha32.dll")}),
              written[0].ChildValues());
    ASSERT_FALSE(written[0].children[0].children.empty());
    EXPECT_EQ(L"MD5: D41D8CD98F00B204E9800998ECF8427E", written[0].children[0].children[0].children.back().value);
    EXPECT_EQ("cogwheel64", written[1].type);
    EXPECT_EQ((std::vector<std::wstring>{Caption(A, L"Alpha handler", files / L"alpha.dll")}), written[1].ChildValues());
    // No such key in this view: the caption only.
    EXPECT_EQ("cogwheel64", written[2].type);
    EXPECT_EQ(only32, written[2].value);
    EXPECT_TRUE(written[2].children.empty());
}

TEST_F(ComObjectsTest, AClassThatIsNotRegisteredThrowsBeforeWritingAndNeedsAWriter) {
    ComObject localOnly(B, View64);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { localOnly.Collect(); }));
    const std::vector<WrittenElement> nothing = Written({});
    EXPECT_TRUE(nothing.empty());

    ResultFileWriter writer(nullptr);
    writer.SetDirectory(data);
    writer.Open(L"Class.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
    for (const std::wstring& clsid : {B, F, std::wstring(L"no-braces")}) {
        ComObject object(clsid, View64);
        object.writer = &writer;
        EXPECT_EQ(L"Cannot find COM object HKEY_CLASSES_ROOT\\CLSID\\" + clsid,
                  ThrownMessage([&] { object.Collect(); }));
        EXPECT_EQ(2, writer.GetDepth());
    }
    writer.CloseDocument();
    EXPECT_EQ(std::string::npos, WellFormedBytes(L"Class.xml").find("TreeElement"));

    ComObjectList list(L"HKLM\\Software\\GathrixTest\\Handlers", ComObjectList::SubkeyNames, View64);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { list.Collect(); }));
}
