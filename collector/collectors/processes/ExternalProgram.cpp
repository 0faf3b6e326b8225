#include "collector/collectors/processes/ExternalProgram.h"

#include "collector/platform/Directories.h"
#include "collector/platform/FileAccess.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Text.h"

namespace Gathrix {

namespace {

const wchar_t* const kProgramLogs = L".\\data\\ProgramLogs";

// File name and extension of a path, each at most 255 characters (the room the split has);
// folder and drive are dropped. False when a part does not fit.
bool SplitNameAndExtension(const std::wstring& path, std::wstring& name, std::wstring& extension) {
    const size_t folderEnd = path.find_last_of(L"\\/:");
    const std::wstring last = folderEnd == std::wstring::npos ? path : path.substr(folderEnd + 1);
    const size_t dot = last.rfind(L'.');
    name = dot == std::wstring::npos ? last : last.substr(0, dot);
    extension = dot == std::wstring::npos ? std::wstring() : last.substr(dot);
    return name.size() < 256 && extension.size() < 256;
}

// While it lives, the collector's own standard handles are not inheritable. A program is started
// with handle inheritance on (for its output file); left running after its time-out, it must not
// hold the pipe on which whoever started the collector reads its output, or that reader waits
// for the program instead of the collector. The collector runs on one thread: nothing else
// starts a process meanwhile.
class StandardHandlesKeptBack {
public:
    StandardHandlesKeptBack() {
        for (int i = 0; i < 3; ++i) {
            handles[i] = GetStdHandle(kStandard[i]);
            DWORD flags = 0;
            kept[i] = handles[i] != nullptr && handles[i] != INVALID_HANDLE_VALUE &&
                      GetHandleInformation(handles[i], &flags) && (flags & HANDLE_FLAG_INHERIT) &&
                      SetHandleInformation(handles[i], HANDLE_FLAG_INHERIT, 0);
        }
    }
    ~StandardHandlesKeptBack() {
        for (int i = 0; i < 3; ++i)
            if (kept[i])
                SetHandleInformation(handles[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    StandardHandlesKeptBack(const StandardHandlesKeptBack&) = delete;
    StandardHandlesKeptBack& operator=(const StandardHandlesKeptBack&) = delete;

private:
    static constexpr DWORD kStandard[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE handles[3] = {};
    bool kept[3] = {};
};

} // namespace

ExternalProgram::ExternalProgram(const std::wstring& executable, const std::wstring& startParameters,
                                 const std::wstring& outputFileName, std::uint32_t timeout)
    : executable(executable), startParameters(startParameters), outputFileName(outputFileName), timeout(timeout) {
    if (!executable.empty() && executable[0] != L'"')
        commandLine = L"\"" + executable + L"\" " + startParameters;
    else
        commandLine = executable + L" " + startParameters;
}

std::wstring ExternalProgram::GetFileExternalLink() const {
    if (!outputMade)
        return std::wstring();
    std::wstring link = outputLink;
    Utils::NormalizeForwardSlashes(link);
    return link;
}

std::wstring ExternalProgram::GetFileEmbeddedObjectLink() const { return GetFileExternalLink(); }

HANDLE ExternalProgram::OpenOutputFile() {
    std::wstring name, extension;
    if (!SplitNameAndExtension(outputFileName, name, extension))
        return INVALID_HANDLE_VALUE;
    // A device's name ("NUL", "COM1", "aux.txt") would send the output to the device, or, made
    // through the extended form, give the report a link that no browser or unpacker on Windows
    // can open.
    if (Utils::IsDeviceName(name + extension))
        return INVALID_HANDLE_VALUE;
    const std::wstring folder = std::wstring(kProgramLogs) + L"\\";
    if (!Utils::CreateDirectoryTree(folder))
        return INVALID_HANDLE_VALUE;
    outputLink = L".\\ProgramLogs\\" + name + extension;
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // Not emptied here: two jobs may share one output name (a program-files path expands to two
    // candidates), and the one whose program does not exist must not empty the other's output.
    // Shared for reading and writing: a program left running after its time-out still holds it
    // while the archive is made. Shared for deletion: the next run must be able to remove it
    // while that program still runs, or the earlier run's output would stay in the working folder.
    UniqueHandle file = Utils::OpenFile(folder + name + extension, GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, &inheritable);
    outputFileCreated = file && GetLastError() != ERROR_ALREADY_EXISTS;
    if (file && !Utils::IsDiskFile(file.Get())) {
        file.Reset();
        outputFileCreated = false;
    }
    return file ? file.Release() : INVALID_HANDLE_VALUE;
}

bool ExternalProgram::Run(HANDLE outputFile) {
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_MINIMIZE;
    if (outputFile != nullptr) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdOutput = outputFile;
        startup.hStdError = outputFile;
    }
    PROCESS_INFORMATION processInfo;
    ZeroMemory(&processInfo, sizeof(processInfo));
    std::wstring writableCommandLine = commandLine;
    // Suspended: the output file is emptied only once there is a program to fill it.
    BOOL started = FALSE;
    {
        StandardHandlesKeptBack keptBack;
        started = CreateProcessW(nullptr, &writableCommandLine[0], nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW | CREATE_FORCEDOS | CREATE_SUSPENDED, nullptr, nullptr, &startup,
                                 &processInfo);
    }
    UniqueHandle process(processInfo.hProcess), thread(processInfo.hThread);
    if (!started || !process) {
        Logging::Logger::Error(L"Could not call command line: " + commandLine);
        return false;
    }
    if (outputFile != nullptr) {
        LARGE_INTEGER start = {};
        SetFilePointerEx(outputFile, start, nullptr, FILE_BEGIN);
        SetEndOfFile(outputFile);
    }
    ResumeThread(thread.Get());

    switch (WaitForSingleObject(process.Get(), timeout)) {
    case WAIT_TIMEOUT:
        // Left running: it may still be writing into its file.
        timedOut = true;
        Logging::Logger::Error(L"Running '" + commandLine + L"' timed out. Time out was " + std::to_wstring(timeout) +
                               L" milliseconds.");
        break;
    case WAIT_ABANDONED:
        Logging::Logger::Error(L"An error occured while waiting that '" + commandLine + L"' ends: WAIT_ABANDONED.");
        break;
    case WAIT_FAILED:
        Logging::Logger::Error(L"An error occured while waiting that '" + commandLine +
                               L"' ends: " + System::GetErrorText(GetLastError()));
        break;
    default:
        break;
    }
    return true;
}

void ExternalProgram::Collect() {
    RequireWriter();
    bool runIt = true;
    UniqueHandle outputFile;
    if (writeOutputToFile) {
        outputFile.Reset(OpenOutputFile());
        if (!outputFile) {
            Logging::Logger::Error(L"Could not open outputfile '" + outputFileName + L"'");
            runIt = false;
        }
    }
    if (runIt) {
        if (Run(outputFile.Get())) {
            outputMade = true;
        } else if (outputFileCreated) {
            // The file did not exist before: a program that never started leaves none behind.
            outputFile.Reset();
            DeleteFileW(Utils::SystemPath(std::wstring(kProgramLogs) + L"\\" +
                                          outputLink.substr(outputLink.find_last_of(L'\\') + 1))
                            .c_str());
        }
    }
    outputFile.Reset();

    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue(), GetFileExternalLink(), GetFileEmbeddedObjectLink());
    if (timedOut && !timeoutLeaf.empty()) {
        TreeElementLeaf leaf(timeoutLeaf, L"lvlerror");
        leaf.writer = writer;
        leaf.Collect();
    }
    writer->CloseNode();
}

} // namespace Gathrix
