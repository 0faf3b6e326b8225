#include "common/FileWrites.h"

#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>

#include <mutex>

namespace Gathrix::Utils {

namespace {

struct FirstFailure {
    std::mutex lock;
    std::wstring text;
};

FirstFailure& First() {
    static FirstFailure first;
    return first;
}

// Writes in pieces: one WriteFile of more than a few hundred megabytes can fail on its own.
constexpr DWORD kMaxChunk = 16u << 20;

// ERROR_SUCCESS once every byte is written at the file's position, else the write's error.
DWORD WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD piece = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}

} // namespace

std::uint32_t WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    DWORD error = WriteAll(file.Get(), bytes);
    // A full disk may show only when the system's cache reaches it.
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file.Get()))
        error = GetLastError();
    if (!CloseHandle(file.Release()) && error == ERROR_SUCCESS)
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileW(path.c_str());
    return error;
}

std::uint32_t ReplaceWholeFile(const std::wstring& path, const std::string& bytes) {
    // What refuses a write in place (a folder of that name, a read-only file, a program holding
    // the file against writers) refuses this one too: the rename below could pass over some.
    bool created = false;
    {
        UniqueHandle target(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!target)
            return GetLastError();
        created = GetLastError() != ERROR_ALREADY_EXISTS;
    }
    const std::wstring partial = path + L".partial";
    DWORD error = WriteWholeFile(partial, bytes);
    if (error == ERROR_SUCCESS && !MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileW(partial.c_str());
    }
    // An empty file made only to test the target would stand for a content that never was.
    if (error != ERROR_SUCCESS && created)
        DeleteFileW(path.c_str());
    return error;
}

std::uint32_t AppendToFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &end, FILE_END))
        return GetLastError();
    DWORD error = WriteAll(file.Get(), bytes);
    if (error != ERROR_SUCCESS && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN))
        SetEndOfFile(file.Get());
    if (!CloseHandle(file.Release()) && error == ERROR_SUCCESS)
        error = GetLastError();
    return error;
}

std::wstring NoteWriteFailure(const std::wstring& path, std::uint32_t error) {
    const std::wstring text = L"The file '" + path + L"' could not be written: " + System::GetErrorText(error);
    std::lock_guard<std::mutex> guard(First().lock);
    if (First().text.empty())
        First().text = text;
    return text;
}

void ReportWriteFailure(const std::wstring& path, std::uint32_t error) {
    Logging::Logger::Instance().Log(Logging::Error, NoteWriteFailure(path, error));
}

std::wstring FirstWriteFailure() {
    std::lock_guard<std::mutex> guard(First().lock);
    return First().text;
}

void ForgetWriteFailures() {
    std::lock_guard<std::mutex> guard(First().lock);
    First().text.clear();
}

} // namespace Gathrix::Utils
