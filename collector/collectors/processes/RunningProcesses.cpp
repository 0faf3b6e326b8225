#include "collector/collectors/processes/RunningProcesses.h"

#include "collector/collectors/files/FileProperties.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Handles.h"
#include "common/OperatingSystem.h"

#include <windows.h>

#include <memory>

namespace Gathrix {

namespace {

std::wstring& ListerFolderOverride() {
    static std::wstring folder;
    return folder;
}

std::wstring OwnFolder() {
    const std::wstring path = System::OperatingSystem::ProgramFilePath();
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

// The rest of a line after its key, without the line end the lister wrote (CR LF, or LF alone:
// the LF is already gone).
std::wstring ValueAfter(const std::wstring& line, size_t keyLength) {
    std::wstring value = line.substr(keyLength);
    if (!value.empty() && value.back() == L'\r')
        value.pop_back();
    return value;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.compare(0, wcslen(prefix), prefix) == 0; }

} // namespace

RunningProcesses::RunningProcesses(std::int32_t is64Bit) : is64Bit(is64Bit) {}

std::wstring RunningProcesses::GetValue() const {
    return is64Bit != 0 ? L"running processes (64bit)" : L"running processes (32bit)";
}

void RunningProcesses::UseListerFolder(const std::wstring& folder) { ListerFolderOverride() = folder; }

std::wstring RunningProcesses::ListerFolder() {
    return ListerFolderOverride().empty() ? OwnFolder() : ListerFolderOverride();
}

void RunningProcesses::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());

    std::vector<ProcessEntry> processes;
    if (is64Bit == 0)
        processes = ParseListerOutput(RunProcessLister(L"Procscout.exe"));
    else if (System::OperatingSystem::Is64BitOperatingSystem())
        processes = ParseListerOutput(RunProcessLister(L"Procscout64.exe"));

    for (const auto& process : processes) {
        OpenTreeElement(L"true", L"process", process.name + L" [" + std::to_wstring(process.processId) + L"]");
        for (const auto& modulePath : process.modulePaths) {
            std::vector<std::unique_ptr<FileProperties>> files;
            for (FileProperties* file : FileProperties::CreateForPath(modulePath, L""))
                files.emplace_back(file);
            if (files.empty()) {
                OpenTreeElement(L"false", L"fileinfo", modulePath);
                writer->CloseNode();
                continue;
            }
            for (auto& file : files) {
                file->writer = writer;
                file->Write();
            }
        }
        writer->CloseNode();
    }

    writer->CloseNode();
}

std::wstring RunningProcesses::RunProcessLister(const std::wstring& programFileName) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle readEnd, writeEnd;
    {
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inheritable, 0))
            return std::wstring();
        readEnd.Reset(read);
        writeEnd.Reset(write);
    }
    // Only the lister may hold the write end: the collector sees the output end when it exits.
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    // Started by full path from the collector's folder, never found through the search path (the
    // current folder is the working folder, which anything may have written into).
    std::wstring program = programFileName;
    if (program.find_first_of(L"\\/") == std::wstring::npos)
        program = ListerFolder() + L"\\" + program;
    std::wstring commandLine = L"\"" + program + L"\"";

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_MINIMIZE;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    PROCESS_INFORMATION processInfo;
    ZeroMemory(&processInfo, sizeof(processInfo));
    const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW | CREATE_FORCEDOS, nullptr, nullptr, &startup, &processInfo);
    writeEnd.Reset();
    if (!started)
        return std::wstring();
    UniqueHandle process(processInfo.hProcess), thread(processInfo.hThread);

    std::wstring text;
    char buffer[1024];
    DWORD read = 0;
    while (ReadFile(readEnd.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        for (DWORD i = 0; i < read; ++i)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(buffer[i])));
    return text;
}

std::vector<RunningProcesses::ProcessEntry> RunningProcesses::ParseListerOutput(const std::wstring& text) {
    std::vector<ProcessEntry> entries;
    std::wstring name;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        const std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        start = end == std::wstring::npos ? text.size() : end + 1;

        if (StartsWith(line, L"processname=")) {
            name = ValueAfter(line, wcslen(L"processname="));
        } else if (StartsWith(line, L"pid=")) {
            // Digits up to the first other character; none read as 0.
            std::uint32_t processId = 0;
            for (size_t i = wcslen(L"pid="); i < line.size() && line[i] >= L'0' && line[i] <= L'9'; ++i)
                processId = processId * 10 + static_cast<std::uint32_t>(line[i] - L'0');
            entries.push_back({name, processId, {}});
        } else if (StartsWith(line, L"modulepath=")) {
            // A module line before any process has no process to belong to.
            if (!entries.empty())
                entries.back().modulePaths.push_back(ValueAfter(line, wcslen(L"modulepath=")));
        }
    }
    return entries;
}

} // namespace Gathrix
