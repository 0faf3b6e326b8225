#include "collector/collectors/files/FileContent.h"
#include "collector/collectors/processes/ExternalProgram.h"
#include "collector/config/LocatingParsers.h"
#include "collector/config/tests/ConfigTestSupport.h"
#include "common/tests/support/TestSupport.h"

#include <shlobj.h>
#include <tinyxml.h>

#include <optional>

namespace Gathrix::ConfigParsing::Testing {
namespace {

constexpr int D = Logging::Debug;
constexpr int W = Logging::Warning;
constexpr int E = Logging::Error;

const wchar_t* const kCrashControl = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";
const wchar_t* const kDrWatson = L"SOFTWARE\\Microsoft\\DrWatson";
const wchar_t* const kMsInfo = L"SOFTWARE\\Microsoft\\Shared Tools\\Msinfo";

// One value of a key below HKLM in the 32-bit view (the view the parsers read), put back as it
// was when the object ends. The key is created when missing; it is removed again only when the
// test owns it (tests in other processes may share a key such as the crash-control key).
class RegistryValue {
public:
    RegistryValue(const wchar_t* subKey, const wchar_t* name, bool ownKey = false)
        : subKey(subKey), name(name), ownKey(ownKey) {
        HKEY key = nullptr;
        keyExisted = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS;
        if (keyExisted) {
            DWORD size = 0;
            if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
                saved.emplace(size, '\0');
                RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&(*saved)[0]), &size);
            }
            RegCloseKey(key);
        }
    }
    ~RegistryValue() {
        if (!keyExisted && ownKey) {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subKey, KEY_WOW64_32KEY, 0);
            return;
        }
        if (saved)
            Write(type, *saved);
        else
            Delete();
    }
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

    void Set(const std::wstring& text, DWORD valueType = REG_SZ) {
        Write(valueType, std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t)));
    }
    void Delete() {
        HKEY key = Open();
        RegDeleteValueW(key, name);
        RegCloseKey(key);
    }
    // The key gone (only when the test made it).
    bool RemoveKey() { return !keyExisted && ownKey && RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subKey, KEY_WOW64_32KEY, 0) == ERROR_SUCCESS; }

private:
    HKEY Open() {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
        return key;
    }
    void Write(DWORD valueType, const std::string& data) {
        HKEY key = Open();
        Gathrix::Testing::SetRegistryValueExactly(key, name, valueType, data.data(), static_cast<DWORD>(data.size()));
        RegCloseKey(key);
    }

    const wchar_t* subKey;
    const wchar_t* name;
    bool ownKey;
    bool keyExisted = false;
    DWORD type = REG_NONE;
    std::optional<std::string> saved;
};

// What a parser put into the container, as text.
std::vector<std::wstring> Items(const TreeElementGroup& container) {
    std::vector<std::wstring> items;
    std::vector<ITreeElement*> children;
    container.GetChildren(children);
    for (ITreeElement* child : children) {
        if (auto* copy = dynamic_cast<FileContent*>(child)) {
            items.push_back(L"FileContent(" + copy->GetPath() + L", " + copy->GetFilter() + L", " +
                            (copy->GetReadSubFolders() ? L"sub" : L"flat") + L")");
        } else if (auto* program = dynamic_cast<ExternalProgram*>(child)) {
            items.push_back(L"ExternalProgram(" + program->GetExecutable() + L", " + program->GetStartParameters() +
                            L", " + program->GetOutputFileName() + L", " + std::to_wstring(program->GetTimeout()) +
                            L", " + (program->GetWriteOutputToFile() ? L"redirected" : L"own report") + L", " +
                            program->GetOutputLink() +
                            (program->GetTimeoutLeaf().empty() ? L"" : L", past it: " + program->GetTimeoutLeaf()) + L")");
        } else {
            items.push_back(L"Leaf(" + child->GetValue() + L", " + child->GetType() + L")");
        }
    }
    return items;
}

template <class Parser>
std::vector<std::wstring> Parse(Parser& parser) {
    TiXmlDocument document;
    document.Parse("<Element/>");
    TreeElementGroup container(L"jobs", L"folder", false);
    parser.ParseToJobItems(document.RootElement(), container, "Element");
    return Items(container);
}

std::wstring NotFound() { return System::GetErrorText(ERROR_FILE_NOT_FOUND); }

} // namespace

TEST_F(ConfigTest, MinidumpFolderFromTheCrashControlKey) {
    RegistryValue value(kCrashControl, L"MinidumpDir");
    MinidumpParser parser;

    value.Delete();
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(%systemroot%\\Minidump, *.dmp, flat)"}, Parse(parser));
    EXPECT_EQ((std::vector<LogLine>{
                  {D, L"Cannot open registry value 'MinidumpDir' of the key "
                      L"'HKLM\\SYSTEM\\CurrentControlSet\\Control\\CrashControl': " + NotFound()},
                  {W, L"Unable to read location to minidumps from registry: " + NotFound()}}),
              Lines(D));

    // Passed on as the registry holds it: the copy job expands it when it runs.
    value.Set(L"%SystemRoot%\\Minidump", REG_EXPAND_SZ);
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(%SystemRoot%\\Minidump, *.dmp, flat)"}, Parse(parser));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
}

TEST(FullMemoryDumpFolder, FolderOfTheDumpFile) {
    struct Case {
        std::wstring file;
        bool split;
        std::wstring folder;
    } cases[] = {
        {L"%SystemRoot%\\MEMORY.DMP", true, L"%SystemRoot%"},
        {L"C:\\Windows\\MEMORY.DMP", true, L"C:\\Windows"},
        {L"C:\\MEMORY.DMP", true, L"C:"},
        {L"D:\\MEMORY.DMP", true, L"D:"},
        {L"C:/dumps//x.dmp", true, L"C:/dumps"},
        {L"MEMORY.DMP", true, L""},
        // The folder part ("\\" + name + "\\") has room for 255 characters.
        {L"C:\\" + std::wstring(253, L'a') + L"\\x.dmp", true, L"C:\\" + std::wstring(253, L'a')},
        {L"C:\\" + std::wstring(254, L'a') + L"\\x.dmp", false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.file.substr(0, 40)));
        std::wstring folder;
        EXPECT_EQ(c.split, FullMemoryDumpParser::FolderOfFile(c.file, folder));
        if (c.split) {
            EXPECT_EQ(c.folder, folder);
        }
    }
}

TEST_F(ConfigTest, FullMemoryDumpFolderFromTheDumpFileValue) {
    RegistryValue value(kCrashControl, L"DumpFile");
    FullMemoryDumpParser parser;

    value.Set(L"D:\\MEMORY.DMP", REG_EXPAND_SZ);
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(D:, *.dmp, flat)"}, Parse(parser));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());

    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'd') + L"\\MEMORY.DMP";
    value.Set(tooLong);
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(%systemroot%, *.dmp, flat)"}, Parse(parser));
    EXPECT_EQ((std::vector<LogLine>{{W, L"Unable to extract location to full dumps from '" + tooLong + L"'"}}), Lines());

    value.Delete();
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(%systemroot%, *.dmp, flat)"}, Parse(parser));
    EXPECT_EQ((std::vector<LogLine>{{W, L"Unable to read location to full dumps from registry: " + NotFound()}}), Lines());
}

TEST_F(ConfigTest, DrWatsonLogFolderFromItsKeyOrTheAllUsersFolder) {
    wchar_t commonAppData[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, commonAppData, CSIDL_COMMON_APPDATA, FALSE));
    RegistryValue value(kDrWatson, L"LogFilePath");
    DrWatsonLogfileParser parser;

    value.Set(L"E:\\Logs\\Watson");
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(E:\\Logs\\Watson, Drwtsn32.log, flat)"}, Parse(parser));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());

    value.Delete();
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"FileContent(" + std::wstring(commonAppData) +
                                        L"\\Microsoft\\Dr Watson, Drwtsn32.log, flat)"},
              Parse(parser));
    EXPECT_EQ((std::vector<LogLine>{{W, L"Unable to read location to Dr.Watson logfile: " + NotFound()}}), Lines());
}

TEST_F(ConfigTest, MsInfo32ReportRunsTheToolTheKeyNames) {
    Gathrix::Testing::ScratchFolder working(L"config-msinfo");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(working.Path().c_str()));
    RegistryValue value(kMsInfo, L"Path", true);
    MsInfo32ReportParser parser;

    const std::wstring tool = working / L"msinfo32.exe";
    value.Set(tool);
    log.lines.clear();
    // Waited for up to its bound of minutes, never without end; past it, the job's error leaf.
    EXPECT_EQ(std::vector<std::wstring>{L"ExternalProgram(" + tool + L", /report .\\data\\ProgramLogs\\msinfoReport.txt, "
                                        L".\\ProgramLogs\\msinfoReport.txt, 900000, own report, "
                                        L".\\ProgramLogs\\msinfoReport.txt, past it: msinfo32.exe did not finish within 15 "
                                        L"minutes: its report may be incomplete)"},
              Parse(parser));
    EXPECT_EQ(std::vector<LogLine>{}, Lines());
    // The report folder is made while the mode file is read, before the tool runs.
    EXPECT_TRUE(Gathrix::Testing::PathExists(working / L"data\\ProgramLogs"));

    // Without the key: an error line and an error leaf in place of the report.
    value.Delete();
    if (value.RemoveKey()) {
        log.lines.clear();
        EXPECT_EQ(std::vector<std::wstring>{L"Leaf(could not find path to msinfo32.exe, lvlerror)"}, Parse(parser));
        EXPECT_EQ((std::vector<LogLine>{{E, L"Could not find path to msinfo32.exe which should be referenced in "
                                            L"'HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\Msinfo': " +
                                                NotFound()}}),
                  Lines());
    }
    // With the key but no value: the same report.
    value.Set(L"x");
    value.Delete();
    log.lines.clear();
    EXPECT_EQ(std::vector<std::wstring>{L"Leaf(could not find path to msinfo32.exe, lvlerror)"}, Parse(parser));
    ASSERT_FALSE(Lines().empty());
    EXPECT_EQ(E, Lines().back().level);
    SetCurrentDirectoryW(previous);
}

TEST_F(ConfigTest, LocatingElementsTakeNoChildrenAndAreRegistered) {
    const TopLevelEntityList entities = ReadModeFile(
        "    <Minidump/>\n    <FullMemoryDump any=\"1\">text</FullMemoryDump>\n    <DrWatsonLogfile/>\n"
        "    <Minidump><Path>C:\\</Path></Minidump>\n");
    ASSERT_EQ(1u, entities.size());
    const auto& jobs = entities[0]->GetJobItems();
    ASSERT_EQ(3u, jobs.size());
    for (const auto& job : jobs)
        EXPECT_NE(nullptr, dynamic_cast<FileContent*>(job.get()));
    bool reported = false;
    for (const auto& line : Lines())
        reported = reported || line.text.find(L"Unexpected XML element 'Path' (row 7") != std::wstring::npos;
    EXPECT_TRUE(reported);
}

} // namespace Gathrix::ConfigParsing::Testing
