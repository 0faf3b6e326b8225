#pragma once
// The collector's application object: prepares the working folder and reads the mode file
// (constructor), writes every result file and the navigation (Run), packs the working folder and
// delivers the archive (Finish).

#include "collector/archive/ArchivePacking.h"
#include "collector/core/CommandLine.h"
#include "collector/core/ReportRenderer.h"
#include "collector/platform/Directories.h"
#include "collector/result/NavigationWriter.h"
#include "collector/result/TopLevelEntity.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

using TopLevelEntityList = std::vector<std::unique_ptr<TopLevelEntity>>;

class Application {
public:
    // Takes the settings over. Throws ExitException 4, 5, 8 or 9.
    explicit Application(std::unique_ptr<CommandLine::Settings> settings);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void Run();
    // Throws ExitException 6, 7 or 10.
    void Finish();

    // "Level1_Level2_Level3.xml" for the levels that are set, without "/", blanks or any other
    // character a file name cannot hold. Throws MessageException for an empty level 1.
    static std::wstring MakeResultFileName(const std::wstring& level1, const std::wstring& level2,
                                           const std::wstring& level3);

    // The folder the archive is copied to: the settings' output folder when it exists or can be
    // created, else the desktop. Throws ExitException 7 when there is no desktop folder.
    std::wstring ChooseOutputFolder();

    // Renders this run's result files `files` (the result writer's records) into HTML pages beside
    // them; whatever fails is logged (a WARNING per page, with a page standing in for it) and the run
    // goes on. Never throws.
    void RenderReport(const std::vector<ResultFileRecord>& files);

    const std::wstring& GetWorkingFolder() const { return workingFolder; }
    const std::wstring& GetConfigFilePath() const { return configFilePath; }

    // Writes one result file per entity into "data" (below the current folder), collecting every
    // job item into it with a progress line each, then "Navigation.xml"; the entities are consumed.
    // `jobTotal` is set first: the job items plus the final step. A job that fails unexpectedly
    // is logged and written as an error leaf in its place; the run goes on.
    static void WriteResultFiles(TopLevelEntityList& entities, NavigationWriter& navigation, std::uint32_t& jobTotal);

    // Runs the reading of the mode file; a WMI failure during it is logged at level 5 and ends the
    // collector with ExitException 8.
    static TopLevelEntityList ReadGuardingWmi(const std::function<TopLevelEntityList()>& read);

    // The mode file's qualified path; ExitException 4 when it cannot be qualified or does not exist.
    static std::wstring CheckSettingsFile(const std::wstring& settingsFile);
    // The expanded, qualified working folder, created and made current; ExitException 5 when that
    // fails or when it holds anything an earlier run did not leave there.
    static std::wstring PrepareWorkingFolder(const std::wstring& tempFolder);
    // Empties the working folder (the current folder) of what an earlier run left there (read-only
    // files too; links removed, never followed). Returns what could not be removed, named below
    // the working folder: none of it is packed unless the run writes it again.
    static std::vector<Utils::RemainingEntry> EmptyWorkingFolder(const std::wstring& workingFolder);
    // A WARNING naming each leftover of an earlier run that could not be removed.
    static void WarnAboutLeftovers(const std::wstring& workingFolder, const std::vector<Utils::RemainingEntry>& leftovers);
    // ExitException 9 at the first data folder that cannot be made.
    static void CreateDataFolders(const std::wstring& workingFolder);

private:
    void SetUpLogging();
    void ReadConfiguration();

    std::unique_ptr<NavigationWriter> navigationWriter;
    std::unique_ptr<CommandLine::Settings> settings;
    std::wstring workingFolder;
    std::wstring configFilePath;
    std::wstring installedProducts;
    std::uint32_t jobTotal = 0;
    TopLevelEntityList topLevelEntities;
    // What an earlier run left in the working folder that could not be removed, as it was found:
    // not packed unless this run writes it again.
    Utilities::LeftOutEntries leftovers;
};

} // namespace Gathrix
