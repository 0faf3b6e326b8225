// Whole runs of the collector as a process: the delivered archive, its contents, the console
// lines, and where the archive goes.

#include "collector/archive/tests/ArchiveListing.h"
#include "collector/core/e2e/tests/CollectorProcess.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/XmlFiles.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <tinyxml.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace Gathrix::Testing;
using Gathrix::Utils::ToUtf8;

// A mode file with two navigation leaves and three file-information jobs, one level name beyond
// Latin-1 and one with "/" and a blank.
std::string ModeFile(const std::wstring& filesFolder) {
    const std::string folder = ToUtf8(filesFolder);
    auto job = [&](const std::string& path) {
        return "<FileInfos><Path>" + path + "</Path><Filter>*.txt</Filter></FileInfos>";
    };
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Config>\n"
           "  <Mode><Name lang=\"en-us\">Test run</Name><Name lang=\"de-de\">Testlauf</Name></Mode>\n"
           "  <Level1><Name>General</Name><Level2><Name>General Information</Name>\n"
           "    <Jobs>" + job(folder) + "</Jobs></Level2></Level1>\n"
           "  <Level1><Name>Files</Name><Level2><Name>Gr\xc3\xb6\xc3\x9f" "e \xce\xa9</Name>\n"
           "    <Level3><Name>x/y z</Name><Jobs>" + job(folder) + job(folder + "\\missing") + "</Jobs></Level3>\n"
           "  </Level2></Level1>\n"
           "</Config>\n";
}

const std::string kProgress = "1/4: General -> General Information...\r\n"
                              "2/4: Files -> Gr\xf6\xdf" "e ? -> x/y z...\r\n"
                              "3/4: Files -> Gr\xf6\xdf" "e ? -> x/y z...\r\n"
                              "4/4: Achiving the results...\r\n";

struct CollectorRun {
    ScratchFolder scratch{L"run"};
    std::wstring modeFile = scratch / L"Mode.xml";
    std::wstring work = scratch / L"work";
    std::wstring files = scratch / L"files";

    CollectorRun() {
        CreateDirectoryW(files.c_str(), nullptr);
        WriteFileBytes(files + L"\\a.txt", "a");
        WriteFileBytes(modeFile, ModeFile(files));
    }
    ProcessResult Run(const std::wstring& extra, const std::wstring& program = DistDir() + L"\\Gathrix.exe") const {
        return RunProcess(Quote(program) + L" -s " + Quote(modeFile) + L" -t " + Quote(work) +
                          L" -n \"Sample User\" -i 4711 " + extra);
    }
    static std::string Finished(const std::wstring& target) {
        return Shown(L"Finished! You can find the result here: (" + target + L").");
    }
};

// Every file and folder below `root`, as names relative to it.
void ListTree(const std::wstring& root, const std::wstring& prefix, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW entry;
    Gathrix::UniqueFindHandle find(FindFirstFileW((root + L"\\*").c_str(), &entry));
    if (!find)
        return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        names.push_back(prefix + name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListTree(root + L"\\" + name, prefix + name + L"\\", names);
    } while (FindNextFileW(find.Get(), &entry));
}

std::wstring Desktop() {
    wchar_t desktop[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return desktop;
}

TEST(CollectorRun, DeliversTheWholeWorkingFolderAsArchiveWithProgressAndFinalMessage) {
    CollectorRun run;
    std::wstring out = run.scratch / L"out";
    CreateDirectoryW(out.c_str(), nullptr);
    ProcessResult result = run.Run(L"-o " + Quote(out));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(result.output, kProgress + CollectorRun::Finished(out + L"\\GATHRINF.7z"));

    // The delivered copy and the archive beside the working folder hold the working folder.
    EXPECT_EQ(ReadFileBytes(out + L"\\GATHRINF.7z"), ReadFileBytes(run.work + L".7z"));
    std::vector<std::wstring> expected;
    ListTree(run.work, L"", expected);
    std::vector<std::wstring> packed = ArchiveNames(out + L"\\GATHRINF.7z");
    std::sort(expected.begin(), expected.end());
    std::sort(packed.begin(), packed.end());
    EXPECT_EQ(packed, expected);
    for (const wchar_t* name :
         {L"index.html", L"data\\Navigation.xml", L"data\\General_GeneralInformation.xml",
          L"data\\Files_Gr\u00f6\u00dfe\u03a9_xyz.xml", L"data\\logfile.log", L"data\\Logfile.xml",
          L"data\\stylesheet\\stylesheet.xslt", L"data\\scripts", L"data\\images"})
        EXPECT_NE(std::find(packed.begin(), packed.end(), name), packed.end()) << ToUtf8(name);

    // Every XML file of the run is well-formed.
    size_t xmlFiles = 0;
    for (const std::wstring& name : expected) {
        if (name.size() > 4 && Gathrix::Utils::EqualsNoCase(name.substr(name.size() - 4), L".xml")) {
            TiXmlDocument document;
            EXPECT_TRUE(Gathrix::Utils::LoadXmlFile(document, run.work + L"\\" + name)) << ToUtf8(name);
            ++xmlFiles;
        }
    }
    EXPECT_GE(xmlFiles, 4u);
}

TEST(CollectorRun, OutputFolderCases) {
    CollectorRun run;
    const std::wstring desktopArchive = Desktop() + L"\\GATHRINF.7z";
    const std::string warning = Shown(L"Parameter -o: Invalid path! -> The user desktop is used as output folder");
    const struct {
        const wchar_t* name;
        std::wstring option;   // the -o value; empty: none given
        std::wstring target;   // where the archive must end up
        bool warns;
    } cases[] = {
        {L"none", L"", desktopArchive, false},
        {L"relative, missing", L"out", desktopArchive, true},
        {L"relative, present in the working folder", L"data", run.work + L"\\data\\GATHRINF.7z", false},
        {L"absolute with missing parents", run.scratch / L"a\\b\\c", run.scratch / L"a\\b\\c\\GATHRINF.7z", false},
    };
    for (const auto& c : cases) {
        DeleteFileW(desktopArchive.c_str());
        ProcessResult result = run.Run(c.option.empty() ? L"" : L"-o " + Quote(c.option));
        EXPECT_EQ(result.exitCode, 0u) << ToUtf8(c.name) << result.output;
        EXPECT_EQ(result.output, kProgress + (c.warns ? warning : "") + CollectorRun::Finished(c.target))
            << ToUtf8(c.name);
        EXPECT_FALSE(ArchiveNames(c.target).empty()) << ToUtf8(c.name);
    }
    DeleteFileW(desktopArchive.c_str());
}

TEST(CollectorRun, ExistingArchivesAreOverwrittenOrMovedAside) {
    CollectorRun run;
    std::wstring out = run.scratch / L"out";
    CreateDirectoryW(out.c_str(), nullptr);
    WriteFileBytes(out + L"\\GATHRINF.7z", "an old delivery");
    WriteFileBytes(run.work + L".7z", "an old archive");
    ProcessResult result = run.Run(L"-o " + Quote(out));
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_FALSE(ArchiveNames(out + L"\\GATHRINF.7z").empty());
    EXPECT_EQ(ReadFileBytes(run.scratch / L"work_1.7z"), "an old archive");
}

TEST(CollectorRun, OutputFolderNamingAFileEndsWith10) {
    CollectorRun run;
    std::wstring file = run.scratch / L"a-file";
    WriteFileBytes(file, "x");
    ProcessResult result = run.Run(L"-o " + Quote(file));
    EXPECT_EQ(result.exitCode, 10u);
    EXPECT_EQ(result.output, kProgress + "Error copy file to output Path");
    EXPECT_FALSE(ArchiveNames(run.work + L".7z").empty());  // packed, just not delivered
}

TEST(CollectorRun, WithoutTheArchiveLibraryBesideTheProgramEndsWith6) {
    CollectorRun run;
    std::wstring bin = run.scratch / L"bin";
    CreateDirectoryW(bin.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((DistDir() + L"\\Gathrix.exe").c_str(), (bin + L"\\Gathrix.exe").c_str(), FALSE));
    // A 7z.dll in the current folder must not be picked up either.
    ProcessOptions options;
    options.currentFolder = DistDir();
    ProcessResult result = RunProcess(Quote(bin + L"\\Gathrix.exe") + L" -s " + Quote(run.modeFile) + L" -t " +
                                          Quote(run.work) + L" -o " + Quote(run.scratch.Path()),
                                      options);
    EXPECT_EQ(result.exitCode, 6u);
    EXPECT_EQ(result.output, kProgress + "Can't create zip file");
    EXPECT_FALSE(PathExists(run.scratch / L"GATHRINF.7z"));
}

TEST(CollectorRun, TwoLeavesMappingToOneResultFileEndTheRunWith1000) {
    CollectorRun run;
    const std::string job = "<Jobs><FileInfos><Path>" + ToUtf8(run.files) + "</Path><Filter>*.txt</Filter></FileInfos></Jobs>";
    WriteFileBytes(run.modeFile, "<Config><Mode><Name>x</Name></Mode>"
                                 "<Level1><Name>A B</Name>" + job + "</Level1>"
                                 "<Level1><Name>AB</Name>" + job + "</Level1></Config>");
    ProcessResult result = run.Run(L"-o " + Quote(run.scratch.Path()));
    EXPECT_EQ(result.exitCode, 1000u);
    EXPECT_EQ(result.output, "1/3: A B...\r\nGiven xml file already exists");
    EXPECT_FALSE(PathExists(run.work + L".7z"));
}

// The desktop folder as the shell is told to find it, pointed elsewhere for the lifetime of the object.
class DesktopRedirected {
public:
    explicit DesktopRedirected(const std::wstring& path) {
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                      0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Put());
        DWORD type = 0, size = sizeof saved;
        hadValue = RegQueryValueExW(key.Get(), L"Desktop", nullptr, &type, reinterpret_cast<BYTE*>(saved), &size) ==
                   ERROR_SUCCESS;
        savedType = type;
        savedSize = size;
        RegSetValueExW(key.Get(), L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    }
    ~DesktopRedirected() {
        if (hadValue)
            Gathrix::Testing::SetRegistryValueExactly(key.Get(), L"Desktop", savedType, saved, savedSize);
        else
            RegDeleteValueW(key.Get(), L"Desktop");
    }

private:
    Gathrix::UniqueRegKey key;
    wchar_t saved[MAX_PATH * 2] = L"";
    DWORD savedType = 0, savedSize = 0;
    bool hadValue = false;
};

TEST(CollectorRun, NoDesktopFolderEndsWith7) {
    CollectorRun run;
    ProcessResult result;
    {
        DesktopRedirected gone(run.scratch / L"no-such-desktop");
        result = run.Run(L"");
    }
    EXPECT_EQ(result.exitCode, 7u);
    EXPECT_EQ(result.output, kProgress + "Error find special folder \"Desktop\"");
    EXPECT_FALSE(Desktop().empty());  // restored
}

} // namespace
