#include "collector/core/CollectorEntry.h"

#include "collector/core/Application.h"
#include "collector/core/CommandLine.h"
#include "collector/core/ConsoleStatus.h"
#include "collector/core/QXMutex.h"
#include "collector/core/ReportRenderChild.h"
#include "common/Exceptions.h"
#include "common/ExitCode.h"
#include "common/FileWrites.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <exception>
#include <memory>

namespace Gathrix {

const wchar_t* const kRunningMutexName = L"Global\\GathrixRunningMutex";

void ReportFatal(const std::wstring& message) {
    Logging::Logger::Instance().Log(Logging::FatalError, message);
    Logging::Logger::FlushAll();
    // A full disk ends the run with the text of the step that failed last (packing, mostly);
    // what the user must learn is the first file it cost. One text: on a console each status
    // replaces the one before, and through a pipe the exit's own text stays the last line.
    const std::wstring firstFailure = Utils::FirstWriteFailure();
    PrintStatus(firstFailure.empty() ? message : firstFailure + L"\n" + message);
}

void EnableDebugPrivilege(const wchar_t* privilegeName) {
    const ExitException failure(L"Permission denied.\nCannot set debug privileges.", NoDebugPrivilege);
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Put()))
        throw failure;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, privilegeName, &privileges.Privileges[0].Luid))
        throw failure;
    if (!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr))
        throw failure;
}

namespace {

int Collect(int argumentCount, wchar_t** arguments) {
    CommandLine::ProgramOptions options;
    CommandLine::ArgumentList argumentList = CommandLine::ToArgumentVector(argumentCount, arguments);
    std::unique_ptr<CommandLine::Settings> settings = options.GetSettings(argumentList);
    if (!settings) {
        PrintStatus(options.GetParser().GetUsage());
        return Success;
    }
    if (System::OperatingSystem::IsUserAdmin() != 1)
        throw ExitException(L"Permission denied.\nYou do not have administrator rights.", NotAdministrator);
    EnableDebugPrivilege();

    Application application(std::move(settings));
    application.Run();
    application.Finish();
    return Success;
}

} // namespace

int RunCollector(int argumentCount, wchar_t** arguments) {
    // The collector's own program started again to render the report's pages: no command line of
    // the user's, and never the single-instance mutex (the collector that started it holds it).
    if (argumentCount == 3 && std::wcscmp(arguments[1], kRenderPagesSwitch) == 0) {
        try {
            return RunReportRenderChild(arguments[2]);
        } catch (...) {
            return UnexpectedError;
        }
    }
    // Last line of defence: whatever escapes (even from the reporting itself) ends the collector
    // with 1000, never with the runtime's abort code 3, which would read as "no debug privilege".
    try {
        // A log that cannot write its own file says so on the console.
        Logging::Logger::SetConsole(&PrintStatus);
        if (ostrilib::CQXMutex::Exists(kRunningMutexName)) {
            ReportFatal(L"An instance of Gathrix is already running.");
            return AlreadyRunning;
        }
        std::unique_ptr<ostrilib::CQXMutex> runningMarker;
        try {
            runningMarker = std::make_unique<ostrilib::CQXMutex>(kRunningMutexName);
        } catch (std::uint32_t errorCode) {
            ReportFatal(L"Cannot create the mutex '" + std::wstring(kRunningMutexName) + L"': " +
                        System::GetErrorText(errorCode));
            return UnexpectedError;
        }

        try {
            return Collect(argumentCount, arguments);
        } catch (const ExitException& exception) {
            ReportFatal(exception.GetMessageText());
            return exception.GetExitCode();
        } catch (const MessageException& exception) {
            ReportFatal(exception.GetMessageText());
            return UnexpectedError;
        } catch (const std::exception& exception) {
            ReportFatal(Utils::FromUtf8(exception.what()));
            return UnexpectedError;
        } catch (...) {
            ReportFatal(L"Unexpected error of unknown type.");
            return UnexpectedError;
        }
    } catch (...) {
        return UnexpectedError;
    }
}

} // namespace Gathrix
