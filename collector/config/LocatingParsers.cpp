#include "collector/config/LocatingParsers.h"

#include "collector/collectors/files/FileContent.h"
#include "collector/collectors/processes/ExternalProgram.h"
#include "collector/config/ValidationResult.h"
#include "collector/platform/Directories.h"
#include "collector/platform/WaitBounds.h"
#include "common/Exceptions.h"
#include "common/Logging.h"
#include "common/Registry.h"

#include <shlobj.h>

#include <memory>

namespace Gathrix::ConfigParsing {

namespace {

const wchar_t* const kCrashControlKey = L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\CrashControl";
const wchar_t* const kDrWatsonKey = L"HKLM\\SOFTWARE\\Microsoft\\DrWatson";
const wchar_t* const kMsInfoKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\Msinfo";
const wchar_t* const kMsInfoReport = L".\\ProgramLogs\\msinfoReport.txt";

// The value's text as the registry holds it (variables not expanded). Throws ErrorCodeException
// when the key or the value cannot be read.
std::wstring ReadValue(const wchar_t* keyPath, const wchar_t* valueName) {
    System::RegistryKey key(keyPath, System::View32);
    DWORD type = 0;
    return key.GetValue(valueName, type);
}

void AddFileContent(IJobItemContainer& container, const std::wstring& folder, const std::wstring& filter) {
    auto job = std::make_unique<FileContent>(folder, filter, false);
    container.AddJobItem(job.release());
}

template <class P>
DelegateMap NoChildrenDelegate(P* parser, const char* elementName) {
    DelegateMap delegates;
    delegates[elementName] = MakeJobItemsDelegate(parser, &P::ValidateNoChildElements, &P::ParseToJobItems);
    return delegates;
}

} // namespace

// ---------------------------------------------------------------- Minidump

DelegateMap MinidumpParser::GetDelegates() { return NoChildrenDelegate(this, "Minidump"); }

void MinidumpParser::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                     const std::string& /*name*/) {
    std::wstring folder = L"%systemroot%\\Minidump";
    try {
        folder = ReadValue(kCrashControlKey, L"MinidumpDir");
    } catch (const ErrorCodeException& exception) {
        Logging::Logger::Warning("Unable to read location to minidumps from registry: " +
                                 Utils::ToUtf8(exception.GetMessageText()));
    }
    AddFileContent(container, folder, L"*.dmp");
}

// ---------------------------------------------------------------- FullMemoryDump

DelegateMap FullMemoryDumpParser::GetDelegates() { return NoChildrenDelegate(this, "FullMemoryDump"); }

bool FullMemoryDumpParser::FolderOfFile(const std::wstring& filePath, std::wstring& folder) {
    std::wstring drive;
    std::wstring rest = filePath;
    if (rest.size() >= 2 && rest[1] == L':' &&
        ((rest[0] >= L'A' && rest[0] <= L'Z') || (rest[0] >= L'a' && rest[0] <= L'z'))) {
        drive = rest.substr(0, 2);
        rest = rest.substr(2);
    }
    const size_t lastSeparator = rest.find_last_of(L"\\/");
    const std::wstring directory = lastSeparator == std::wstring::npos ? std::wstring() : rest.substr(0, lastSeparator + 1);
    // The split has room for 255 characters of folder.
    if (directory.size() > 255)
        return false;
    folder = drive + directory;
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    return true;
}

void FullMemoryDumpParser::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                           const std::string& /*name*/) {
    std::wstring folder = L"%systemroot%";
    try {
        const std::wstring dumpFile = ReadValue(kCrashControlKey, L"DumpFile");
        std::wstring dumpFolder;
        if (FolderOfFile(dumpFile, dumpFolder))
            folder = dumpFolder;
        else
            Logging::Logger::Warning("Unable to extract location to full dumps from '" + Utils::ToUtf8(dumpFile) + "'");
    } catch (const ErrorCodeException& exception) {
        Logging::Logger::Warning("Unable to read location to full dumps from registry: " +
                                 Utils::ToUtf8(exception.GetMessageText()));
    }
    AddFileContent(container, folder, L"*.dmp");
}

// ---------------------------------------------------------------- DrWatsonLogfile

DelegateMap DrWatsonLogfileParser::GetDelegates() { return NoChildrenDelegate(this, "DrWatsonLogfile"); }

void DrWatsonLogfileParser::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                            const std::string& /*name*/) {
    wchar_t commonAppData[MAX_PATH] = {};
    if (SHGetSpecialFolderPathW(nullptr, commonAppData, CSIDL_COMMON_APPDATA, FALSE) != TRUE) {
        Logging::Logger::Warning(
            "Unable to read location to Dr.Watson logfile, because all users application data folder could not be obained.");
        return;
    }
    std::wstring folder = std::wstring(commonAppData) + L"\\Microsoft\\Dr Watson";
    try {
        folder = ReadValue(kDrWatsonKey, L"LogFilePath");
    } catch (const ErrorCodeException& exception) {
        Logging::Logger::Warning("Unable to read location to Dr.Watson logfile: " +
                                 Utils::ToUtf8(exception.GetMessageText()));
    }
    AddFileContent(container, folder, L"Drwtsn32.log");
}

// ---------------------------------------------------------------- MsInfo32Report

DelegateMap MsInfo32ReportParser::GetDelegates() { return NoChildrenDelegate(this, "MsInfo32Report"); }

void MsInfo32ReportParser::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                           const std::string& /*name*/) {
    std::wstring program;
    try {
        program = ReadValue(kMsInfoKey, L"Path");
    } catch (const ErrorCodeException& exception) {
        Logging::Logger::Error(L"Could not find path to msinfo32.exe which should be referenced in '" +
                               std::wstring(kMsInfoKey) + L"': " + exception.GetMessageText());
        auto leaf = std::make_unique<TreeElementLeaf>(L"could not find path to msinfo32.exe", L"lvlerror");
        container.AddJobItem(leaf.release());
        return;
    }
    if (!Utils::CreateDirectoryTree(L".\\data\\ProgramLogs")) {
        Logging::Logger::Error(L"Could not create output folder for msinfo32.exe");
        return;
    }
    // The tool writes its report itself, named on its command line. It takes minutes on a large
    // machine, but a tool that hangs must not hold up the run: after the bound the run goes on
    // and the report says why it may be incomplete.
    const std::uint32_t bound = WaitBounds::SystemInformationToolMilliseconds;
    auto job = std::make_unique<ExternalProgram>(program, L"/report .\\data\\ProgramLogs\\msinfoReport.txt",
                                                 kMsInfoReport, bound);
    job->SetWriteOutputToFile(false);
    job->SetOutputLink(kMsInfoReport);
    job->SetTimeoutLeaf(L"msinfo32.exe did not finish within " + std::to_wstring(bound / 60000) +
                        L" minutes: its report may be incomplete");
    container.AddJobItem(job.release());
}

} // namespace Gathrix::ConfigParsing
