#include "common/tests/support/TestSupport.h"

#include "collector/platform/Directories.h"
#include "common/Exceptions.h"
#include "common/Handles.h"

#include <cstdio>
#include <cstring>

#include <stdexcept>
#include <vector>

namespace Gathrix::Testing {

std::wstring DistDir() { return GATHRIX_TEST_DIST_DIR; }
std::wstring SourceDir() { return GATHRIX_TEST_SOURCE_DIR; }
std::wstring BinaryDir() { return GATHRIX_TEST_BINARY_DIR; }

namespace {
std::wstring ScratchRoot() {
    std::wstring root = BinaryDir() + L"\\tests\\scratch";
    CreateDirectoryW((BinaryDir() + L"\\tests").c_str(), nullptr);
    CreateDirectoryW(root.c_str(), nullptr);
    return root;
}
} // namespace

ScratchFolder::ScratchFolder(const std::wstring& hint) {
    static unsigned counter = 0;
    for (;;) {
        path = ScratchRoot() + L"\\" + hint + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++counter);
        if (CreateDirectoryW(path.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a scratch folder");
    }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path); }

void RemoveTree(const std::wstring& path) {
    // Through the extended form: tests make files named like devices ("NUL", "COM1.txt"), which
    // the ordinary form cannot delete.
    const std::wstring target = Utils::ExtendedLengthPath(path);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(FindFirstFileW((target + L"\\*").c_str(), &data));
        if (find) {
            do {
                std::wstring name = data.cFileName;
                if (name != L"." && name != L"..")
                    RemoveTree(path + L"\\" + name);
            } while (FindNextFileW(find.Get(), &data));
        }
        find.Reset();
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(target.c_str());
    } else {
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(target.c_str());
        else
            DeleteFileW(target.c_str());
    }
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot create a test file");
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                           written != bytes.size()))
        throw std::runtime_error("cannot write a test file");
}

std::string ReadFileBytes(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot open a test file");
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

ProcessResult RunProcess(const std::wstring& commandLine, const ProcessOptions& options) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inheritable, 0))
        throw std::runtime_error("CreatePipe failed");
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    const wchar_t* folder = options.currentFolder.empty() ? nullptr : options.currentFolder.c_str();
    DWORD flags = CREATE_NO_WINDOW | (options.environment ? CREATE_UNICODE_ENVIRONMENT : 0);
    BOOL started = options.token
        ? CreateProcessAsUserW(options.token, nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags,
                               const_cast<wchar_t*>(options.environment), folder, &startup, &info)
        : CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, flags,
                         const_cast<wchar_t*>(options.environment), folder, &startup, &info);
    if (!started)
        throw std::runtime_error("CreateProcess failed");
    UniqueHandle process(info.hProcess), thread(info.hThread);
    writeEnd.Reset();

    ProcessResult result;
    // Read until the child has ended and the pipe holds nothing more. Not until the pipe's end:
    // under Wine the desktop process, started by the first program that needs it, may hold the
    // child's handles for as long as the prefix lives.
    const DWORD startTick = GetTickCount();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr))
            break;  // every writer has closed it
        if (available > 0) {
            std::string chunk(available, '\0');
            DWORD read = 0;
            if (!ReadFile(readEnd.Get(), &chunk[0], available, &read, nullptr))
                break;
            result.output.append(chunk, 0, read);
            continue;
        }
        if (WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0) {
            // Whatever the child wrote is in the pipe now.
            if (PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0)
                continue;
            break;
        }
        if (GetTickCount() - startTick > options.timeoutMs)
            break;
    }
    if (WaitForSingleObject(process.Get(), 0) != WAIT_OBJECT_0) {
        result.timedOut = true;
        TerminateProcess(process.Get(), 1000);
        WaitForSingleObject(process.Get(), 5000);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    result.exitCode = code;
    return result;
}

std::string ReadToEnd(HANDLE handle) {
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(handle, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

StdoutCapture::StdoutCapture() : saved(GetStdHandle(STD_OUTPUT_HANDLE)) {
    if (!CreatePipe(readEnd.Put(), writeEnd.Put(), nullptr, 1 << 16))
        throw std::runtime_error("CreatePipe failed");
    SetStdHandle(STD_OUTPUT_HANDLE, writeEnd.Get());
}

StdoutCapture::~StdoutCapture() { SetStdHandle(STD_OUTPUT_HANDLE, saved); }

std::string StdoutCapture::Take() {
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    writeEnd.Reset();
    return ReadToEnd(readEnd.Get());
}

std::wstring ThrownMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const MessageException& e) {
        return e.GetMessageText();
    }
    return L"(nothing thrown)";
}

LSTATUS SetRegistryValueExactly(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD count) {
    if (count == 0)
        return RegSetValueExW(key, name.c_str(), 0, type, nullptr, 0);
    // Two more units cover the unit an odd count ends in as well as the one after it.
    std::vector<BYTE> copy(static_cast<size_t>(count) + 2 * sizeof(wchar_t), 0xFF);
    std::memcpy(copy.data(), data, count);
    return RegSetValueExW(key, name.c_str(), 0, type, copy.data(), count);
}

std::string HexDigest(const unsigned char* bytes, size_t count) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

} // namespace Gathrix::Testing
