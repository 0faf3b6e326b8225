// The event-database export job end to end with the stand-in plug-ins (signed at build time in
// each form, tests/Fixtures.cmake): what it writes, what it sends to each plug-in, each ERROR
// text, the fallback, and the current folder afterwards.
#include "collector/collectors/eventdatabase/EventDbExportPlugin.h"
#include "collector/collectors/eventdatabase/FileSignature.h"
#include "collector/collectors/eventdatabase/PluginLoader.h"
#include "collector/collectors/eventdatabase/QuellonEventDatabase.h"
#include "collector/collectors/eventdatabase/tests/PluginTestSupport.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/LibrarySearch.h"
#include "common/Text.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>
#include <string>
#include <vector>

namespace Gathrix {
namespace {

using Testing::LogCapture;
using Testing::PluginFixture;

const std::wstring kGuiExport = L"Quellon event database\nEvent 1: scan finished, 0 findings \u00e4\u20ac\nEvent 2: update\n";
const std::wstring kFallbackExport = L"Fallback export\nEvent 1: service started\n";

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, folder);
    return folder;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A working folder made current for the test, as the collector's is during a run, with the
// stand-ins' controls in the environment.
class EventDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousFolder = CurrentFolder();
        ASSERT_TRUE(SetCurrentDirectoryW(work.Path().c_str()));
        CreateDirectoryW(L"data", nullptr);
        CreateDirectoryW(L"data\\stylesheet", nullptr);
        Testing::WriteFileBytes(L"data\\stylesheet\\stylesheet.xslt", "<xsl/>");
        SetEnvironmentVariableW(L"GATHRIX_STANDIN_LOG", callLog.c_str());
        SetEnvironmentVariableW(L"GATHRIX_STANDIN_FAIL", nullptr);
        log = &LogCapture::Start();
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"GATHRIX_STANDIN_LOG", nullptr);
        SetEnvironmentVariableW(L"GATHRIX_STANDIN_FAIL", nullptr);
        SetCurrentDirectoryW(previousFolder.c_str());
    }

    struct Outcome {
        bool written = false;
        std::wstring type, value, showNumOfChildren;
        std::vector<std::string> calls;      // what the stand-ins logged, in order
        std::vector<std::wstring> errors;    // ERROR lines of the collector's log
    };

    // Runs one job for `folder` into a result file and reads back what it wrote.
    Outcome Run(const std::wstring& folder, const wchar_t* fail = nullptr) {
        SetEnvironmentVariableW(L"GATHRIX_STANDIN_FAIL", fail);
        DeleteFileW(callLog.c_str());
        log->entries.clear();
        Outcome outcome;
        try {
            ResultFileWriter writer(nullptr);
            writer.SetDirectory(L"data");
            writer.Open(L"Job.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
            QuellonEventDatabase job(folder);
            job.writer = &writer;
            job.Collect();
            EXPECT_EQ(work.Path(), CurrentFolder()) << "the current folder was not put back";
            EXPECT_EQ(2, writer.GetDepth());
            writer.CloseDocument();
        } catch (const MessageException& exception) {
            ADD_FAILURE() << Narrow(exception.GetMessageText());
            return outcome;
        }
        TiXmlDocument document;
        FILE* file = _wfopen(L"data\\Job.xml", L"rb");
        EXPECT_NE(nullptr, file);
        if (file) {
            document.LoadFile(file);
            fclose(file);
        }
        DeleteFileW(L"data\\Job.xml");
        const TiXmlElement* resultSet = document.RootElement() ? document.RootElement()->FirstChildElement("ResultSet") : nullptr;
        if (const TiXmlElement* element = resultSet ? resultSet->FirstChildElement("TreeElement") : nullptr) {
            outcome.written = true;
            outcome.type = Utils::FromUtf8(element->Attribute("type") ? element->Attribute("type") : "");
            outcome.showNumOfChildren = Utils::FromUtf8(element->Attribute("showNumOfChildren") ? element->Attribute("showNumOfChildren") : "");
            const TiXmlElement* value = element->FirstChildElement("Value");
            outcome.value = Utils::FromUtf8(value && value->GetText() ? value->GetText() : "");
            EXPECT_EQ(nullptr, element->NextSiblingElement("TreeElement"));
        }
        if (Testing::PathExists(callLog))
            outcome.calls = SplitLines(Testing::ReadFileBytes(callLog));
        for (const auto& entry : log->entries)
            if (entry.level == Logging::Error)
                outcome.errors.push_back(entry.message);
        return outcome;
    }

    static std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

    std::string ExportLine(const std::wstring& pluginPath) const {
        return Narrow(QuellonEventDatabase::ExportFilePath(pluginPath));
    }

    // The calls of a full GUI export from `folder`.
    std::vector<std::string> GuiCalls(const std::wstring& folder) const {
        const std::string exportPath = ExportLine(folder + L"\\Trovview.dll");
        return {"Trovlib loaded in " + Narrow(work.Path()),
                "Trovlib QXCOM_Initialize 0 0",
                "Trovlib QXCOM_Uninitialize",
                "Trovlib unloaded",
                "Trovview loaded in " + Narrow(folder),
                "Trovview OpenSession in=520 zero out=4",
                "Trovview OpenDatabase session=5e55 out=520",
                "Trovview ExportToFile session=5e55 path=" + exportPath + " out=520",
                "Trovview CloseDatabase",
                "Trovview CloseSession",
                "Trovview unloaded"};
    }
    std::vector<std::string> FallbackCalls(const std::wstring& folder, const std::wstring& shownFolder = L"") const {
        return {"Trovev loaded in " + Narrow(shownFolder.empty() ? folder : shownFolder),
                "Trovev execQXPluginCmdW 1 size=128 path=" + ExportLine(folder + L"\\Trovev.dll"),
                "Trovev unloaded"};
    }
    static std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    std::wstring TrovlibError(const std::wstring& folder) const {
        return L"Could not load Trovlib: '" + folder + L"\\Trovlib.dll'. Therefore, unable to read Quellon event database.";
    }

    Testing::ScratchFolder work{L"eventdb"};
    std::wstring callLog = work / L"calls.log";
    std::wstring previousFolder;
    LogCapture* log = nullptr;
};

TEST_F(EventDatabaseTest, SignedPluginsExportThroughTheGuiRoute) {
    for (const wchar_t* form : {L"signed-p", L"signed-d", L"legacy"}) {
        const std::wstring folder = PluginFixture(L"plugins\\") + form;
        SCOPED_TRACE(Narrow(folder));
        const Outcome outcome = Run(folder);
        ASSERT_TRUE(outcome.written);
        EXPECT_EQ(L"plaintext", outcome.type);
        EXPECT_EQ(L"false", outcome.showNumOfChildren);
        EXPECT_EQ(kGuiExport, outcome.value);
        EXPECT_EQ(GuiCalls(folder), outcome.calls);
        EXPECT_EQ(std::vector<std::wstring>{}, outcome.errors);
        // The export file is named after the plug-in's path.
        const std::wstring exported = QuellonEventDatabase::ExportFilePath(folder + L"\\Trovview.dll");
        EXPECT_EQ(std::wstring::npos, exported.find(L':', 2));
        EXPECT_TRUE(Testing::PathExists(exported)) << Narrow(exported);
    }
}

TEST_F(EventDatabaseTest, EachFailingStepLeadsToTheFallbackOrToNothing) {
    const std::wstring signedP = PluginFixture(L"plugins\\signed-p");
    const std::string folderText = Narrow(signedP);
    const std::string workText = Narrow(work.Path());
    const std::vector<std::string> workerOk = {"Trovlib loaded in " + workText, "Trovlib QXCOM_Initialize 0 0",
                                               "Trovlib QXCOM_Uninitialize", "Trovlib unloaded"};
    const std::vector<std::string> session = {"Trovview loaded in " + folderText, "Trovview OpenSession in=520 zero out=4"};
    const std::string exportCall = "Trovview ExportToFile session=5e55 path=" + ExportLine(signedP + L"\\Trovview.dll") + " out=520";
    struct Case {
        const char* what;
        std::wstring folder;
        const wchar_t* fail;
        std::vector<std::string> calls;
        std::vector<std::wstring> errors;
        std::wstring value;  // empty: nothing written
    } cases[] = {
        {"unsigned worker library", PluginFixture(L"plugins\\unsigned"), nullptr,
         FallbackCalls(PluginFixture(L"plugins\\unsigned")), {TrovlibError(PluginFixture(L"plugins\\unsigned"))}, kFallbackExport},
        {"unsigned GUI plug-in", PluginFixture(L"plugins\\view-unsigned"), nullptr,
         Join(workerOk, FallbackCalls(PluginFixture(L"plugins\\view-unsigned"))), {}, kFallbackExport},
        {"initialisation refused", signedP, L"Initialize",
         Join({"Trovlib loaded in " + workText, "Trovlib QXCOM_Initialize 0 0", "Trovlib unloaded"}, FallbackCalls(signedP)),
         {TrovlibError(signedP)}, kFallbackExport},
        {"session refused", signedP, L"OpenSession",
         Join(Join(workerOk, session), Join({"Trovview unloaded"}, FallbackCalls(signedP))), {}, kFallbackExport},
        // The open session is closed before the plug-in is unloaded.
        {"database refused", signedP, L"OpenDatabase",
         Join(Join(workerOk, session), Join({"Trovview OpenDatabase session=5e55 out=520", "Trovview CloseSession",
                                             "Trovview unloaded"}, FallbackCalls(signedP))), {}, kFallbackExport},
        {"export refused", signedP, L"ExportToFile",
         Join(Join(workerOk, session), Join({"Trovview OpenDatabase session=5e55 out=520", exportCall, "Trovview CloseDatabase",
                                             "Trovview CloseSession", "Trovview unloaded"}, FallbackCalls(signedP))), {}, kFallbackExport},
        {"both exports refused", signedP, L"ExportToFile,ExportEventlog",
         Join(Join(workerOk, session), Join({"Trovview OpenDatabase session=5e55 out=520", exportCall, "Trovview CloseDatabase",
                                             "Trovview CloseSession", "Trovview unloaded"}, FallbackCalls(signedP))), {}, L""},
        {"reply in lower case", PluginFixture(L"plugins\\unsigned"), L"LowerReply",
         FallbackCalls(PluginFixture(L"plugins\\unsigned")), {TrovlibError(PluginFixture(L"plugins\\unsigned"))}, L""},
        {"SUCCESS with a zero result", PluginFixture(L"plugins\\unsigned"), L"ZeroResult",
         FallbackCalls(PluginFixture(L"plugins\\unsigned")), {TrovlibError(PluginFixture(L"plugins\\unsigned"))}, L""},
        {"success without a file", signedP, L"NoFile", GuiCalls(signedP),
         {L"Cannot open exported Quellon event database file '" + QuellonEventDatabase::ExportFilePath(signedP + L"\\Trovview.dll") + L"'."}, L""},
        {"no entries anywhere", PluginFixture(L"plugins\\no-entries"), nullptr, {},
         {TrovlibError(PluginFixture(L"plugins\\no-entries"))}, L""},
        {"GUI plug-in without its entry", PluginFixture(L"plugins\\view-no-entries"), nullptr,
         Join(workerOk, FallbackCalls(PluginFixture(L"plugins\\view-no-entries"))), {}, kFallbackExport},
        {"no plug-ins at all", work / L"nowhere", nullptr, {}, {TrovlibError(work / L"nowhere")}, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = Run(c.folder, c.fail);
        EXPECT_EQ(c.calls, outcome.calls);
        EXPECT_EQ(c.errors, outcome.errors);
        EXPECT_EQ(!c.value.empty(), outcome.written);
        EXPECT_EQ(c.value, outcome.value);
    }
}

TEST_F(EventDatabaseTest, FolderForms) {
    // A trailing backslash doubles the one before the file names; both still name the files.
    const std::wstring signedP = PluginFixture(L"plugins\\signed-p");
    Outcome outcome = Run(signedP + L"\\");
    EXPECT_EQ(kGuiExport, outcome.value);
    EXPECT_EQ(std::vector<std::wstring>{}, outcome.errors);

    // A relative folder fails the worker library's path test: only the fallback exports, loaded
    // by its full path.
    CreateDirectoryW(L"plugins", nullptr);
    for (const wchar_t* name : {L"Trovlib.dll", L"Trovview.dll", L"Trovev.dll"})
        ASSERT_TRUE(CopyFileW((signedP + L"\\" + name).c_str(), (std::wstring(L"plugins\\") + name).c_str(), FALSE));
    outcome = Run(L"plugins");
    EXPECT_EQ(kFallbackExport, outcome.value);
    EXPECT_EQ(std::vector<std::wstring>{TrovlibError(L"plugins")}, outcome.errors);
    EXPECT_EQ(FallbackCalls(L"plugins", work / L"plugins"), outcome.calls);
    EXPECT_TRUE(Testing::PathExists(L"data\\QuellonEventDB\\pluginsTrovev.dll.log"));
}

TEST_F(EventDatabaseTest, AnAlreadyLoadedWorkerLibraryIsNotCheckedAgain) {
    // An unsigned worker library beside a signed GUI plug-in: refused, unless the process has it
    // loaded already.
    const std::wstring folder = work / L"preloaded";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(PluginFixture(L"plugins\\unsigned\\Trovlib.dll").c_str(), (folder + L"\\Trovlib.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(PluginFixture(L"plugins\\signed-p\\Trovview.dll").c_str(), (folder + L"\\Trovview.dll").c_str(), FALSE));
    Outcome outcome = Run(folder);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(std::vector<std::wstring>{TrovlibError(folder)}, outcome.errors);

    UniqueLibrary preloaded(LoadLibraryW((folder + L"\\Trovlib.dll").c_str()));
    ASSERT_TRUE(preloaded);
    outcome = Run(folder);
    EXPECT_EQ(kGuiExport, outcome.value);
    EXPECT_EQ(std::vector<std::wstring>{}, outcome.errors);
}

TEST_F(EventDatabaseTest, ARewrittenSignedWorkerLibraryIsNeitherLoadedNorRun) {
    // A signed worker library whose trailer was moved into its header padding, where the signed
    // section table now points at another's code (signing/make_fixtures.py): its signed content
    // is unchanged, but it must not load, so none of its code runs.
    const std::wstring folder = PluginFixture(L"plugins\\rewritten");
    const std::wstring path = folder + L"\\Trovlib.dll";
    int code = 0;
    EXPECT_EQ(0, FileSignature::VerifyEmbedded(path.c_str(), &code));
    EXPECT_EQ(FileSignature::Malformed, code);

    DeleteFileW(callLog.c_str());
    PluginLoader::WorkerLibrary worker;
    EXPECT_FALSE(PluginLoader::LoadWorkerLibrary(worker, path.c_str()));
    EXPECT_EQ(PluginLoader::SignatureRefused, GetLastError());
    EXPECT_EQ(nullptr, GetModuleHandleW(path.c_str()));
    EXPECT_FALSE(Testing::PathExists(callLog)) << Testing::ReadFileBytes(callLog);

    const Outcome outcome = Run(folder);
    EXPECT_EQ(FallbackCalls(folder), outcome.calls);
    EXPECT_EQ(std::vector<std::wstring>{TrovlibError(folder)}, outcome.errors);
    EXPECT_EQ(kFallbackExport, outcome.value);
}

TEST_F(EventDatabaseTest, PluginsFindTheLibrariesBesideThemOnceTheSearchIsLimitedToTheSystemFolder) {
    // The search of the process is limited as each program's start limits it: a library in the
    // current folder no longer loads by bare name.
    ASSERT_TRUE(CopyFileW(PluginFixture(L"standins\\Empty.dll").c_str(), (work / L"Planted.dll").c_str(), FALSE));
    HMODULE planted = LoadLibraryW(L"Planted.dll");
    ASSERT_NE(nullptr, planted) << "a library in the current folder loads by bare name before";
    FreeLibrary(planted);
    ASSERT_TRUE(Utils::RestrictLibrarySearch());
    EXPECT_EQ(nullptr, LoadLibraryW(L"Planted.dll"));

    // Each plug-in imports TrovDep.dll, which lies beside it: the current folder and PATH that
    // found it before are searched no more.
    const std::wstring folder = PluginFixture(L"plugins\\with-dependency");
    const Outcome outcome = Run(folder);
    EXPECT_EQ(kGuiExport, outcome.value);
    EXPECT_EQ(GuiCalls(folder), outcome.calls);
    EXPECT_EQ(std::vector<std::wstring>{}, outcome.errors);
    EventDbExportPlugin fallback;
    EXPECT_EQ(1, EventDbExportPlugin::Load(fallback, (folder + L"\\Trovev.dll").c_str()));
}

TEST_F(EventDatabaseTest, TheExportFileReadsTheSameWithAndWithoutTheRuntimesTextMode) {
    // Without the runtime's UTF-16LE text mode (Windows XP's runtime has none) the file is read
    // by hand: it must give what the runtime gives.
    struct Case {
        const char* what;
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"CR LF lines", std::string("A\0\r\0\n\0B\0\r\0\n\0", 12), L"A\nB\n"},
        {"a lone CR, a lone LF, CR CR LF", std::string("a\0\r\0b\0\n\0c\0\r\0\r\0\n\0", 16), L"a\rb\nc\r\n"},
        {"a byte-order mark", std::string("\xFF\xFEx\0", 4), L"x"},
        {"beyond Latin-1", std::string("\xE4\0\xAC\x20", 4), L"\u00e4\u20ac"},
        {"nothing", std::string(), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = work / L"export.log";
        Testing::WriteFileBytes(path, c.bytes);
        std::wstring runtime, byHand;
        EXPECT_TRUE(QuellonEventDatabase::ReadExportFile(path, runtime, true));
        EXPECT_TRUE(QuellonEventDatabase::ReadExportFile(path, byHand, false));
        EXPECT_EQ(c.text, runtime);
        EXPECT_EQ(c.text, byHand);
    }
    std::wstring text = L"left";
    EXPECT_FALSE(QuellonEventDatabase::ReadExportFile(work / L"missing.log", text, false));
    EXPECT_FALSE(QuellonEventDatabase::ReadExportFile(work / L"missing.log", text, true));
}

TEST_F(EventDatabaseTest, AWorkerLibraryThatMovesTheCurrentFolderChangesNoPath) {
    // The export file's path is relative to the working folder: the GUI plug-in must still write
    // it there after the worker library made its own folder current.
    const std::wstring folder = PluginFixture(L"plugins\\worker-moves-folder");
    const Outcome outcome = Run(folder);
    EXPECT_EQ(kGuiExport, outcome.value);
    EXPECT_EQ(GuiCalls(folder), outcome.calls);
    EXPECT_EQ(std::vector<std::wstring>{}, outcome.errors);
}

TEST_F(EventDatabaseTest, EachRunAppendsTheWorkerFolderToPath) {
    const std::wstring folder = PluginFixture(L"plugins\\signed-p");
    auto count = [&folder] {
        std::vector<wchar_t> path(32768);
        const std::wstring text(path.data(), GetEnvironmentVariableW(L"PATH", path.data(), 32768));
        size_t found = 0;
        for (size_t at = text.find(L";" + folder); at != std::wstring::npos; at = text.find(L";" + folder, at + 1))
            ++found;
        return found;
    };
    const size_t before = count();
    Run(folder);
    Run(folder);
    EXPECT_EQ(before + 2, count());
}

TEST_F(EventDatabaseTest, NoWriterThrowsAndAnEmptyExportWritesAnEmptyValue) {
    const std::wstring folder = PluginFixture(L"plugins\\signed-p");
    QuellonEventDatabase job(folder);
    EXPECT_EQ(L"Result file writer not initialized", Testing::ThrownMessage([&] { job.Collect(); }));

    // The plug-in exports a database without events: a file of no bytes is still an export.
    const Outcome outcome = Run(folder, L"EmptyExport");
    EXPECT_EQ(GuiCalls(folder), outcome.calls);
    EXPECT_EQ(std::string(), Testing::ReadFileBytes(QuellonEventDatabase::ExportFilePath(folder + L"\\Trovview.dll")));
    ASSERT_TRUE(outcome.written);
    EXPECT_EQ(L"", outcome.value);
    EXPECT_EQ(L"plaintext", outcome.type);
    EXPECT_EQ(L"false", outcome.showNumOfChildren);
    EXPECT_EQ(std::vector<std::wstring>{}, outcome.errors);
}

TEST(FallbackPlugin, LoadsByFullPathOnlyAndUnloadsAfterTheCall) {
    const std::wstring fallback = PluginFixture(L"plugins\\unsigned\\Trovev.dll");
    const std::wstring before = CurrentFolder();
    EventDbExportPlugin plugin;
    ASSERT_EQ(1, EventDbExportPlugin::Load(plugin, fallback.c_str()));
    EXPECT_NE(nullptr, plugin.entry);
    EXPECT_EQ(before, CurrentFolder());
    plugin.module.Reset();
    // Never by bare name, nor without the entry (nothing stays loaded then), nor from a folder
    // path of MAX_PATH characters or more.
    EXPECT_EQ(0, EventDbExportPlugin::Load(plugin, L"Trovev.dll"));
    EXPECT_EQ(0, EventDbExportPlugin::Load(plugin, nullptr));
    const std::wstring empty = PluginFixture(L"plugins\\no-entries\\Trovev.dll");
    EXPECT_EQ(0, EventDbExportPlugin::Load(plugin, empty.c_str()));
    EXPECT_EQ(nullptr, GetModuleHandleW(empty.c_str()));
    EXPECT_EQ(0, EventDbExportPlugin::Load(plugin, (std::wstring(MAX_PATH, L'a') + L"\\Trovev.dll").c_str()));
    EXPECT_EQ(before, CurrentFolder());
    EXPECT_EQ(nullptr, GetModuleHandleW(fallback.c_str()));
}

} // namespace
} // namespace Gathrix
