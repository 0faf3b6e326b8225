#include "collector/products/tests/ProductMachine.h"

#include "collector/platform/Variables.h"
#include "collector/products/BuildDatProducts.h"
#include "collector/products/CrossDetectionProducts.h"
#include "collector/products/FolderProducts.h"
#include "collector/products/KeyTestProducts.h"
#include "collector/products/ToolbarProducts.h"
#include "collector/products/UninstallEntryProducts.h"
#include "common/Text.h"

#include <shlobj.h>

#include <algorithm>

namespace Gathrix::Testing {

namespace {

std::wstring SubPath(const std::wstring& path) {
    EXPECT_EQ(0u, path.rfind(L"HKLM\\", 0)) << Utils::ToUtf8(path);
    return path.substr(5);
}

REGSAM Flag(View view) { return view == View::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

std::wstring Shell(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer)));
    return buffer;
}

// Folders below the shell folders that some product tests create; a crashed test may have left them.
std::vector<std::wstring> SharedPlaces() {
    std::wstring commonAppData = Shell(CSIDL_COMMON_APPDATA);
    std::vector<std::wstring> places{commonAppData + L"\\Quellon", commonAppData + L"\\Marvent"};
    // A 32-bit process on 64-bit Windows has a second, native program-files folder.
    std::vector<std::wstring> programFolders{Shell(CSIDL_PROGRAM_FILES)};
    wchar_t native[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH);
    if (length > 0 && length < MAX_PATH && _wcsicmp(native, programFolders.front().c_str()) != 0)
        programFolders.push_back(native);
    for (const std::wstring& programFiles : programFolders) {
        for (const wchar_t* vendor : {L"\\Quellon", L"\\Marvent", L"\\Quellon Dornik", L"\\VelquorPartnerNetwork",
                                      L"\\velquor-partner.net"})
            places.push_back(programFiles + vendor);
    }
    return places;
}

} // namespace

// Product tests of parallel processes share the prefix's program-files folder: one at a time.
class ProductMachine::SharedFolderLock {
public:
    SharedFolderLock() : mutex(CreateMutexW(nullptr, FALSE, L"GathrixProductTestsSharedFolders")) {
        DWORD result = WaitForSingleObject(mutex.Get(), 300000);
        if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED)
            ADD_FAILURE() << "the shared-folder lock of the product tests was not granted";
    }
    ~SharedFolderLock() { ReleaseMutex(mutex.Get()); }

private:
    UniqueHandle mutex;
};

ProductMachine::ProductMachine(bool privateRegistry)
    : log(LogCapture::Start()),
      lock(std::make_unique<SharedFolderLock>()),
      // Process ids come again; the start time makes the root this process's own.
      rootSubPath(L"Software\\GathrixTests\\Products-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64())),
      scratch(L"products") {
    for (const std::wstring& place : SharedPlaces())
        RemoveTree(place);
    ForgetProducts();
    if (!privateRegistry)
        return;
    RegDeleteTreeW(HKEY_CURRENT_USER, rootSubPath.c_str());
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, rootSubPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, root.Put(), nullptr));
    // Variables made before the override see the real profiles folder.
    System::Variables::Instance();
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, root.Get()));
    // Its presence makes Wine split the 32-bit view off below "Software", as on the real key.
    CreateKey(L"HKLM\\Software\\Wow6432Node", View::Bits64);
    log.entries.clear();
}

ProductMachine::~ProductMachine() {
    ForgetProducts();
    if (root) {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        root.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, rootSubPath.c_str());
    }
    for (auto folder = sharedFolders.rbegin(); folder != sharedFolders.rend(); ++folder)
        RemoveTree(*folder);
    for (const std::wstring& place : SharedPlaces())
        RemoveTree(place);
}

void ProductMachine::ForgetProducts() {
    using namespace Quellon;
    QuellonAlvar::Destroy();
    QuellonBerex::Destroy();
    QuellonDornik::Destroy();
    QuellonCavon::Destroy();
    QuellonEskarAgent::Destroy();
    QuellonEskarServer::Destroy();
    QuellonEskarFrontend::Destroy();
    QuellonFenrid::Destroy();
    QuellonGolva::Destroy();
    QuellonHestrel::Destroy();
    QuellonIvrane::Destroy();
    QuellonJuvent::Destroy();
    QuellonKaldor::Destroy();
    QuellonLumbra::Destroy();
    QuellonMirell::Destroy();
    QuellonNoviset::Destroy();
    QuellonNovisetHost::Destroy();
    QuellonPerrinBelowV6::Destroy();
    QuellonPerrin::Destroy();
    QuellonRastel::Destroy();
    MarventRastel::Destroy();
    QuellonQuorvel::Destroy();
    QuellonSovrin::Destroy();
    QuellonOrvane::Destroy();
    // Variables keep the first value of a name: published variables must go too.
    System::Variables::Destroy();
}

void ProductMachine::CreateKey(const std::wstring& path, View view) {
    UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, SubPath(path).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS | Flag(view), nullptr, key.Put(), nullptr))
        << Utils::ToUtf8(path);
}

void ProductMachine::SetString(const std::wstring& path, const std::wstring& name, const std::wstring& value,
                               View view) {
    UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, SubPath(path).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS | Flag(view), nullptr, key.Put(), nullptr))
        << Utils::ToUtf8(path);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

void ProductMachine::DeleteValue(const std::wstring& path, const std::wstring& name, View view) {
    UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, SubPath(path).c_str(), 0, KEY_ALL_ACCESS | Flag(view), key.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key.Get(), name.c_str()));
}

void ProductMachine::DeleteKey(const std::wstring& path, View view) {
    std::wstring subPath = SubPath(path);
    size_t split = subPath.rfind(L'\\');
    UniqueRegKey parent;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, subPath.substr(0, split).c_str(), 0,
                                           KEY_ALL_ACCESS | Flag(view), parent.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(parent.Get(), subPath.substr(split + 1).c_str()));
}

std::wstring ProductMachine::Folder(const std::wstring& name) {
    std::wstring path = scratch / name;
    EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << Utils::ToUtf8(path);
    return path;
}

std::wstring ProductMachine::SharedFolder(const std::wstring& path) {
    EXPECT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, path.c_str(), nullptr)) << Utils::ToUtf8(path);
    sharedFolders.push_back(path);
    return path;
}

void ProductMachine::WriteText(const std::wstring& path, const std::string& text) {
    WriteFileBytes(path, text);
}

void ProductMachine::WriteBuildDat(const std::wstring& folder, const std::string& version,
                                   const std::string& language) {
    std::string text = "[BUILD]\r\n";
    if (!version.empty())
        text += "ProductVersion=" + version + "\r\n";
    if (!language.empty())
        text += "Language=" + language + "\r\n";
    WriteFileBytes(folder + L"\\build.dat", text);
}

void ProductMachine::CopyVersionStub(const std::string& version, const std::wstring& path) {
    std::string name = version;
    std::replace(name.begin(), name.end(), '.', '_');
    std::wstring stub = BinaryDir() + L"\\tests\\product-stubs\\version_stub_" + Utils::FromUtf8(name) + L".exe";
    ASSERT_TRUE(CopyFileW(stub.c_str(), path.c_str(), FALSE)) << Utils::ToUtf8(stub) << " -> " << Utils::ToUtf8(path);
}

std::wstring ProductMachine::ProgramFiles() const { return Shell(CSIDL_PROGRAM_FILES); }
std::wstring ProductMachine::CommonAppData() const { return Shell(CSIDL_COMMON_APPDATA); }
std::wstring ProductMachine::LocalAppData() const { return Shell(CSIDL_LOCAL_APPDATA); }

std::wstring ProductMachine::Environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    EXPECT_NE(0u, GetEnvironmentVariableW(name, buffer, 1024)) << Utils::ToUtf8(name);
    return buffer;
}

std::wstring UninstallEntry(const std::wstring& entryName) {
    return L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entryName;
}

bool Logged(const LogCapture& log, int level, const std::wstring& message) {
    return std::find(log.entries.begin(), log.entries.end(), LogCapture::Entry{level, message}) != log.entries.end();
}

std::wstring VariableValue(const std::wstring& name) {
    return System::Variables::Instance().Expand(L"|?" + name + L"?|").front();
}

} // namespace Gathrix::Testing
