#include "collector/core/Application.h"

#include "collector/archive/ArchivePacking.h"
#include "collector/config/ConfigFileParser.h"
#include "collector/config/PartParsers.h"
#include "collector/core/ConsoleStatus.h"
#include "collector/platform/Directories.h"
#include "collector/core/ReportRenderer.h"
#include "collector/core/ReportViewer.h"
#include "collector/platform/Variables.h"
#include "collector/products/Publishers.h"
#include "collector/result/JobModel.h"
#include "collector/result/ResultFileRecords.h"
#include "collector/result/ResultFileWriter.h"
#include "common/DateTime.h"
#include "common/Exceptions.h"
#include "common/ExitCode.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <shlobj.h>
#include <shlwapi.h>

namespace Gathrix {

namespace {

// The log handlers outlive the application object: the entry point still logs the message that
// ends the collector after the object is gone.
std::unique_ptr<Logging::LogFileHandler>& TextLog() {
    static std::unique_ptr<Logging::LogFileHandler> handler;
    return handler;
}
std::unique_ptr<Logging::XmlLogFileHandler>& XmlLog() {
    static std::unique_ptr<Logging::XmlLogFileHandler> handler;
    return handler;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    // "C:\" stays a root; "C:\temp\" must not put the archive at "C:\temp\.7z" inside the folder.
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

// What an earlier run leaves in the working folder: the data folder and the start page. A data
// folder counts only when it carries a run's trace (the stylesheet folder every run creates right
// after it) or holds nothing at all (a run that could not create its stylesheet folder): a user's
// own "data" folder in a mistyped working folder must never be emptied.
bool IsLeftByEarlierRun(const std::wstring& folder, const WIN32_FIND_DATAW& entry) {
    bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isFolder)
        return Utils::EqualsNoCase(entry.cFileName, L"index.html");
    if (!Utils::EqualsNoCase(entry.cFileName, L"data") || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    const std::wstring dataFolder = folder + L"\\" + entry.cFileName;
    DWORD trace = GetFileAttributesW((dataFolder + L"\\stylesheet").c_str());
    if (trace != INVALID_FILE_ATTRIBUTES && (trace & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    bool empty = true;
    Utils::ForEachFolderEntry(dataFolder, [&](const WIN32_FIND_DATAW&) { empty = false; });
    return empty;
}

} // namespace

Application::Application(std::unique_ptr<CommandLine::Settings> takenSettings) : settings(std::move(takenSettings)) {
    configFilePath = CheckSettingsFile(settings->settingsFile);
    workingFolder = PrepareWorkingFolder(settings->tempFolder);
    const std::vector<Utils::RemainingEntry> remaining = EmptyWorkingFolder(workingFolder);
    CreateDataFolders(workingFolder);
    SetUpLogging();
    WarnAboutLeftovers(workingFolder, remaining);
    for (const auto& entry : remaining)
        leftovers.push_back(Utilities::LeftOutAsFound(workingFolder, entry.name));
    ExtractReportViewerResources();
    navigationWriter = std::make_unique<NavigationWriter>();
    Quellon::InstalledProductList products;
    Quellon::PublishInstalledProducts(products);
    installedProducts = Quellon::InstalledProductsText(products);
    ReadConfiguration();
    if (topLevelEntities.empty())
        throw ExitException(L"Can't read top-level entities from config file: " + configFilePath, ConfigFileError);
}

Application::~Application() = default;

std::wstring Application::CheckSettingsFile(const std::wstring& settingsFile) {
    wchar_t qualified[MAX_PATH] = L"";
    if (!PathSearchAndQualifyW(settingsFile.c_str(), qualified, MAX_PATH))
        throw ExitException(L"No access to config file '" + settingsFile + L"'.", ConfigFileError);
    std::wstring path = qualified;
    if (!PathFileExistsW(path.c_str()))
        throw ExitException(L"File: '" + path + L"' doesn't exist.", ConfigFileError);
    return path;
}

std::wstring Application::PrepareWorkingFolder(const std::wstring& tempFolder) {
    std::vector<std::wstring> candidates = System::Variables::Instance().Expand(tempFolder);
    std::wstring folder = candidates.empty() ? tempFolder : candidates.front();
    // Qualified against the start folder: once the folder is current a relative path means something else.
    folder = WithoutTrailingSeparators(Utils::FullPath(folder));
    if (!Utils::CreateDirectoryTree(folder))
        throw ExitException(L"No access to temporary folder '" + folder + L"'.", TempFolderError);
    const ExitException unusable(L"Cannot use the temporary folder '" + folder + L"'.", TempFolderError);
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw unusable;
    // The folder is emptied next: refuse one that holds anything but an earlier run's leftovers
    // (a mistyped -t such as C:\ or the documents folder must never lose a file).
    bool foreign = false;
    Utils::ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAW& entry) { foreign = foreign || !IsLeftByEarlierRun(folder, entry); });
    if (foreign)
        throw unusable;
    if (!SetCurrentDirectoryW(folder.c_str()))
        throw unusable;
    return folder;
}

std::vector<Utils::RemainingEntry> Application::EmptyWorkingFolder(const std::wstring& folder) {
    // Files still open elsewhere are moved beside the working folder to vanish there: on the
    // same volume, and never packed.
    const std::size_t parentEnd = folder.find_last_of(L"\\/");
    std::wstring aside = parentEnd == std::wstring::npos ? std::wstring() : folder.substr(0, parentEnd);
    if (aside.size() == 2 && aside[1] == L':')
        aside += L'\\';
    std::vector<Utils::RemainingEntry> remaining;
    Utils::ForEachFolderEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        if (!IsLeftByEarlierRun(folder, entry))
            return;
        const std::wstring name = entry.cFileName;
        const std::wstring path = folder + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const std::size_t before = remaining.size();
            for (auto& below : Utils::DeleteDirectoryTree(path.c_str(), aside))
                remaining.push_back({name + L"\\" + below.name, below.error, below.isFolder});
            // An emptied folder that stays is the run's own again; one holding leftovers is theirs.
            if (remaining.size() > before)
                remaining.push_back({name, ERROR_DIR_NOT_EMPTY, true});
        } else {
            const DWORD error = Utils::DeleteFileEntry(path, aside);
            if (error != ERROR_SUCCESS)
                remaining.push_back({name, error, false});
        }
    });
    return remaining;
}

void Application::WarnAboutLeftovers(const std::wstring& folder, const std::vector<Utils::RemainingEntry>& leftovers) {
    for (const auto& entry : leftovers) {
        // A folder that stays because something in it stays is named by that.
        if (entry.isFolder && entry.error == ERROR_DIR_NOT_EMPTY)
            continue;
        Logging::Logger::Instance().Log(Logging::Warning,
                                        L"'" + folder + L"\\" + entry.name +
                                            L"', left by an earlier run, cannot be deleted and is left out of the archive: " +
                                            System::GetErrorText(entry.error));
    }
}

void Application::CreateDataFolders(const std::wstring& folder) {
    for (const wchar_t* dataFolder : {L".\\data\\", L".\\data\\stylesheet\\", L".\\data\\images\\", L".\\data\\scripts\\"}) {
        if (GetFileAttributesW(dataFolder) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!CreateDirectoryW(dataFolder, nullptr))
            throw ExitException(L"Can't create directories in temporary folder: " + folder, DataFoldersNotCreated);
    }
}

TopLevelEntityList Application::ReadGuardingWmi(const std::function<TopLevelEntityList()>& read) {
    try {
        return read();
    } catch (const WMIObjectException& exception) {
        Logging::Logger::Fatal(exception.GetMessageText());
        Logging::Logger::FlushAll();
        throw ExitException(exception.GetMessageText() + L"\nApplication will exit", WmiError);
    }
}

void Application::ReadConfiguration() {
    ConfigParsing::ConfigFileParser reader(Utils::ToUtf8(configFilePath));
    topLevelEntities = ReadGuardingWmi([&] {
        ConfigParsing::RegisterPartParsers(
            reader, {settings->name, settings->company, settings->email, settings->callNumber}, installedProducts);
        return reader.ParseConfigFile();
    });
}

void Application::SetUpLogging() {
    TextLog() = std::make_unique<Logging::LogFileHandler>(Logging::Debug, ".\\data\\logfile.log");
    TextLog()->Write(Logging::Info, L"log file opened", DateTime::NowUtc());
    Logging::Logger::AddHandler(TextLog().get());
    XmlLog() = std::make_unique<Logging::XmlLogFileHandler>(Logging::Debug, "data\\Logfile.xml");
    XmlLog()->CreateRootElement();
    Logging::Logger::AddHandler(XmlLog().get());
}

namespace {

// Collects one job. A failure the job did not handle itself must not cost the whole collection:
// it is logged, the writer is closed back to where the job began, and an error leaf takes the
// job's place. Exit exceptions still end the collector.
void CollectJob(IJobItem& job, ResultFileWriter& writer) {
    const int depth = writer.GetDepth();
    std::wstring failure;
    try {
        job.Collect();
        return;
    } catch (const ExitException&) {
        throw;
    } catch (const MessageException& exception) {
        failure = exception.GetMessageText();
    } catch (const std::exception& exception) {
        failure = Utils::FromUtf8(exception.what());
    } catch (...) {
        failure = L"unknown error";
    }
    Logging::Logger::Instance().Log(Logging::Error, L"A job failed unexpectedly: " + failure);
    // The failure may have come from inside the writer's split, which can leave it without a
    // position or without a part: the leaf is written only where the writer can take it.
    try {
        if (writer.RecoverToDepth(depth)) {
            TreeElementLeaf leaf(failure, L"lvlerror");
            leaf.writer = &writer;
            leaf.Collect();
            return;
        }
    } catch (const ExitException&) {
        throw;
    } catch (const MessageException& exception) {
        failure = exception.GetMessageText();
    }
    Logging::Logger::Instance().Log(Logging::Error, L"The failure could not be written to the result file " +
                                                        writer.GetFileName() + L": " + failure);
}

// Closes the entity's file; a part lost to a failed split is reported, not saved half-framed.
void CloseResultFile(ResultFileWriter& writer, bool tree, const std::wstring& fileName) {
    if (!writer.HoldsPart() || !writer.RecoverToDepth(tree ? 3 : 2)) {
        Logging::Logger::Instance().Log(Logging::Error, L"The result file " + fileName + L" could not be finished.");
        return;
    }
    if (tree)
        writer.CloseNode();
    writer.CloseDocument();
}

} // namespace

void Application::WriteResultFiles(TopLevelEntityList& entities, NavigationWriter& navigation, std::uint32_t& jobTotal) {
    // The report shows this run's files only.
    ResultFileRecords::Instance().Clear();
    jobTotal = 1;
    for (const auto& entity : entities)
        jobTotal += static_cast<std::uint32_t>(entity->GetJobItemCount());
    std::uint32_t index = 1;
    for (auto& entity : entities) {
        const std::wstring level1 = entity->GetLevelName(1);
        const std::wstring level2 = entity->GetLevelName(2);
        const std::wstring level3 = entity->GetLevelName(3);
        auto writer = std::make_unique<ResultFileWriter>(&navigation, 1);
        writer->SetDirectory(L"data");
        const std::wstring fileName = MakeResultFileName(level1, level2, level3);
        navigation.AddEntry(level1, level2, level3, L"", fileName);
        writer->Open(fileName, L"stylesheet\\stylesheet.xslt", level1, level2, level3, L"");
        const bool tree = level1 != L"General";
        if (tree)
            writer->OpenNode(L"Tree");
        const auto& jobs = entity->GetJobItems();
        for (size_t i = 0; i < jobs.size(); ++i) {
            PrintProgress(index, jobTotal, level1, level2, level3);
            jobs[i]->writer = writer.get();
            CollectJob(*jobs[i], *writer);
            ++index;
        }
        CloseResultFile(*writer, tree, fileName);
        writer.reset();
        entity.reset();
    }
    entities.clear();
    navigation.Write();
}

void Application::Run() { WriteResultFiles(topLevelEntities, *navigationWriter, jobTotal); }

std::wstring Application::MakeResultFileName(const std::wstring& level1, const std::wstring& level2,
                                             const std::wstring& level3) {
    if (level1.empty())
        throw MessageException(L"Level1 wasn't set. Can't create filename");
    auto withoutSlashes = [](std::wstring text) {
        text.erase(std::remove(text.begin(), text.end(), L'/'), text.end());
        return text;
    };
    std::wstring name = withoutSlashes(level1);
    if (!level2.empty())
        name += L"_" + withoutSlashes(level2);
    if (!level3.empty())
        name += L"_" + withoutSlashes(level3);
    name += L".xml";
    name.erase(std::remove(name.begin(), name.end(), L' '), name.end());
    // Characters no file name can hold would make the result writer fail and end the run.
    return Utils::MakeValidFileName(name);
}

std::wstring Application::ChooseOutputFolder() {
    std::wstring folder = settings->outputFolder;
    if (!folder.empty()) {
        if (PathFileExistsW(folder.c_str()))
            return folder;
        if (!PathIsRelativeW(folder.c_str()) && SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS)
            return folder;
        const std::wstring warning = L"Parameter -o: Invalid path! -> The user desktop is used as output folder";
        PrintStatus(warning);
        Logging::Logger::Instance().Log(Logging::Error, warning);
    }
    wchar_t desktop[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE))
        throw ExitException(L"Error find special folder \"Desktop\"", DesktopNotFound);
    return desktop;
}

// The pages as HTML beside the result files: today's browsers no longer apply a result file's
// stylesheet. The log is complete before the pages that show it are rendered. The rendering runs
// in a child process (see ReportRenderChild.h) rather than after a first archive was packed: a
// crash or hang of the XSLT processor then costs at most the pages it did not finish, the archive
// is packed once, with every page or its stand-in, and the exit code stays the collection's.
void Application::RenderReport(const std::vector<ResultFileRecord>& files) {
    try {
        RenderReportPages(workingFolder + L"\\data", files, [](const ReportRenderSummary& summary) {
            Logging::Logger::Instance().Log(Logging::Info,
                                            L"Report pages rendered: " + std::to_wstring(summary.rendered) + L" of " +
                                                std::to_wstring(summary.pages) + L" in " +
                                                std::to_wstring(summary.milliseconds) + L" ms; " +
                                                std::to_wstring(summary.logPages) + L" showing the log follow");
            Logging::Logger::FlushAll();
        });
    } catch (const std::exception& exception) {
        Logging::Logger::Instance().Log(Logging::Warning, L"The report pages could not be rendered: " +
                                                              Utils::FromUtf8(exception.what()));
    } catch (...) {
        Logging::Logger::Instance().Log(Logging::Warning, L"The report pages could not be rendered.");
    }
    // A page that shows the log and could not be rendered has its warning in the log files too.
    Logging::Logger::FlushAll();
}

void Application::Finish() {
    PrintProgress(jobTotal, jobTotal, L"Achiving the results", L"", L"");
    Logging::Logger::FlushAll();
    RenderReport(ResultFileRecords::Instance().All());
    if (!Utilities::ArchiveFolder(workingFolder, workingFolder + L".7z", leftovers))
        throw ExitException(L"Can't create zip file", ArchiveFailed);
    std::wstring outputFolder = ChooseOutputFolder();
    if (!outputFolder.empty()) {
        // A relative folder accepted above lies in the working folder: name it fully for the user.
        std::wstring folder = Utils::FullPath(outputFolder);
        if (folder.back() != L'\\' && folder.back() != L'/')
            folder += L'\\';
        std::wstring target = folder + L"GATHRINF.7z";
        if (CopyFileW((workingFolder + L".7z").c_str(), target.c_str(), FALSE)) {
            PrintStatus(L"Finished! You can find the result here: (" + target + L").");
            return;
        }
    }
    throw ExitException(L"Error copy file to output Path", CopyToOutputFailed);
}

} // namespace Gathrix
