#pragma once
// The collector's process exit codes: its only answer to the program that started it.
// The wizard maps each of them to a message, so the values are an external interface.

namespace Gathrix {

enum CollectorExitCode : int {
    Success = 0,
    InvalidCommandLine = 1,
    NotAdministrator = 2,
    NoDebugPrivilege = 3,
    ConfigFileError = 4,
    TempFolderError = 5,
    ArchiveFailed = 6,
    DesktopNotFound = 7,
    WmiError = 8,
    DataFoldersNotCreated = 9,
    CopyToOutputFailed = 10,
    AlreadyRunning = 11,
    UnexpectedError = 1000,
};

} // namespace Gathrix
