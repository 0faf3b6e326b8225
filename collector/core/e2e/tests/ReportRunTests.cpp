// The report's pages in whole runs of the collector: whatever happens to them, the archive is
// delivered with the rest of the report and the exit code is the collection's.

#include "collector/archive/tests/ArchiveListing.h"
#include "collector/core/e2e/tests/CollectorProcess.h"
#include "common/Handles.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace Gathrix::Testing;
using Gathrix::Utils::ToUtf8;

bool Holds(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A mode file with the general page (which shows the log) and one page of file information.
struct ReportRun {
    ScratchFolder scratch{L"report"};
    std::wstring modeFile = scratch / L"Mode.xml";
    std::wstring work = scratch / L"work";
    std::wstring data = work + L"\\data";
    std::wstring out = scratch / L"out";
    std::wstring files = scratch / L"files";

    ReportRun() {
        CreateDirectoryW(files.c_str(), nullptr);
        CreateDirectoryW(out.c_str(), nullptr);
        WriteFileBytes(files + L"\\collected.txt", "a");
        WriteFileBytes(modeFile,
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n"
                       "  <Mode><Name lang=\"en-us\">Report</Name></Mode>\n"
                       "  <Level1><Name>General</Name><Level2><Name>General Information</Name>\n"
                       "    <Jobs><GeneralInformation /></Jobs></Level2></Level1>\n"
                       "  <Level1><Name>Files</Name><Level2><Name>Names</Name>\n"
                       "    <Jobs><FileInfos><Path>" + ToUtf8(files) + "</Path><Filter>*.txt</Filter></FileInfos></Jobs>\n"
                       "  </Level2></Level1>\n</Config>\n");
    }
    // An earlier run's data folder, as the collector recognises it.
    void EarlierRun() {
        CreateDirectoryW(work.c_str(), nullptr);
        CreateDirectoryW(data.c_str(), nullptr);
        CreateDirectoryW((data + L"\\stylesheet").c_str(), nullptr);
    }
    ProcessResult Run(const std::wstring& program = DistDir() + L"\\Gathrix.exe") const {
        return RunProcess(Quote(program) + L" -s " + Quote(modeFile) + L" -t " + Quote(work) + L" -o " + Quote(out) +
                          L" -n \"Sample User\" -i 4711");
    }
    std::string Finished() const {
        return Shown(L"Finished! You can find the result here: (" + out + L"\\GATHRINF.7z).");
    }
};

// A page file held open by another program (a virus scanner, say) is named in the log; the rest
// of the report is delivered. A leftover result file of an earlier run that cannot be removed is
// neither rendered nor packed.
TEST(ReportRun, AHeldPageFileIsNamedAndAHeldLeftoverIsNotRendered) {
    ReportRun run;
    run.EarlierRun();
    WriteFileBytes(run.data + L"\\Files_Names.html", "held by another program");
    WriteFileBytes(run.data + L"\\Old_Part.xml",
                   "<?xml version=\"1.0\" ?>\n<GathrixResult><ActiveNavigation/><ResultSet/></GathrixResult>\n");
    Gathrix::UniqueHandle heldPage(CreateFileW((run.data + L"\\Files_Names.html").c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    Gathrix::UniqueHandle heldLeftover(CreateFileW((run.data + L"\\Old_Part.xml").c_str(), GENERIC_READ, 0, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(heldPage.IsValid() && heldLeftover.IsValid());
    const ProcessResult result = run.Run();
    heldPage.Reset();
    heldLeftover.Reset();

    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(Contains(result.output, run.Finished())) << result.output;
    const std::string log = ReadFileBytes(run.data + L"\\logfile.log");
    EXPECT_TRUE(Contains(log, ToUtf8(L"The file '" + run.data + L"\\Files_Names.html' could not be written: " +
                                      Gathrix::System::GetErrorText(ERROR_SHARING_VIOLATION))))
        << log;
    const std::vector<std::wstring> packed = ArchiveNames(run.out + L"\\GATHRINF.7z");
    for (const wchar_t* name : {L"data\\General_GeneralInformation.html", L"data\\Files_Names.xml", L"index.html"})
        EXPECT_TRUE(Holds(packed, name)) << ToUtf8(name);
    for (const wchar_t* name : {L"data\\Files_Names.html", L"data\\Old_Part.xml", L"data\\Old_Part.html"})
        EXPECT_FALSE(Holds(packed, name)) << ToUtf8(name);
    EXPECT_FALSE(PathExists(run.data + L"\\Old_Part.html"));
    EXPECT_TRUE(Contains(ReadFileBytes(run.data + L"\\General_GeneralInformation.html"), "divContent"));
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR target) {
    *reinterpret_cast<WORD*>(target) = found;
    return FALSE;
}

// The resources of `program` with the report's tree stylesheet replaced by `content`.
bool ReplaceTreeStylesheet(const std::wstring& program, const std::string& content) {
    WORD language = 0;
    {
        Gathrix::UniqueLibrary image(LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!image)
            return false;
        EnumResourceLanguagesW(image.Get(), L"XSLT", MAKEINTRESOURCEW(203), FirstLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
    }
    HANDLE update = BeginUpdateResourceW(program.c_str(), FALSE);
    if (!update)
        return false;
    std::string bytes = content;
    if (!UpdateResourceW(update, L"XSLT", MAKEINTRESOURCEW(203), language, &bytes[0], static_cast<DWORD>(bytes.size()))) {
        EndUpdateResourceW(update, TRUE);
        return false;
    }
    return EndUpdateResourceW(update, FALSE) != FALSE;
}

// A collector whose stylesheet is damaged: every page gets its WARNING and a page with its values;
// the archive is delivered and the run ends as it would have.
TEST(ReportRun, ADamagedStylesheetCostsThePagesNotTheArchive) {
    ReportRun run;
    const std::wstring bin = run.scratch / L"bin";
    CreateDirectoryW(bin.c_str(), nullptr);
    for (const wchar_t* name : {L"Gathrix.exe", L"7z.dll"})
        ASSERT_TRUE(CopyFileW((DistDir() + L"\\" + name).c_str(), (bin + L"\\" + name).c_str(), FALSE));
    ASSERT_TRUE(ReplaceTreeStylesheet(bin + L"\\Gathrix.exe", "<xsl:stylesheet version=\"1.0\" damaged"));
    const ProcessResult result = run.Run(bin + L"\\Gathrix.exe");

    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(Contains(result.output, run.Finished())) << result.output;
    EXPECT_FALSE(ArchiveNames(run.out + L"\\GATHRINF.7z").empty());
    const std::string log = ReadFileBytes(run.data + L"\\logfile.log");
    for (const wchar_t* page : {L"General_GeneralInformation", L"Files_Names"}) {
        SCOPED_TRACE(ToUtf8(page));
        EXPECT_TRUE(Contains(log, ToUtf8(L"The report page " + run.data + L"\\" + page + L".xml could not be rendered")))
            << log;
        const std::string html = ReadFileBytes(run.data + L"\\" + page + L".html");
        EXPECT_TRUE(Contains(html, "the stylesheet tree.xslt could not be read")) << html.substr(0, 600);
        EXPECT_TRUE(Contains(html, "<a href=\"" + ToUtf8(page) + ".xml\">"));
    }
    EXPECT_TRUE(Contains(ReadFileBytes(run.data + L"\\General_GeneralInformation.html"), "Sample User"));
    EXPECT_TRUE(Contains(ReadFileBytes(run.data + L"\\Files_Names.html"), "collected.txt"));
}

} // namespace
