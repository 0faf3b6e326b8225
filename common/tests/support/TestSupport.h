#pragma once
// Helpers shared by the test programs: where the build put things, scratch folders, and running
// a program as a child process with its output captured (the way the wizard runs the collector).

#include <windows.h>

#include "common/Handles.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Gathrix::Testing {

std::wstring DistDir();    // the build's dist\ folder (Gathrix.exe, 7z.dll, ...)
std::wstring SourceDir();  // the repository
std::wstring BinaryDir();  // the build tree

// A new empty folder under the test area's scratch root, removed again by the destructor.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& hint = L"scratch");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path; }
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

private:
    std::wstring path;
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

struct ProcessResult {
    std::uint32_t exitCode = 0;  // the exact Windows exit code (1000 stays 1000)
    std::string output;          // standard output and standard error, as bytes
    bool timedOut = false;
};

struct ProcessOptions {
    std::wstring currentFolder;     // empty: the caller's
    std::uint32_t timeoutMs = 120000;
    HANDLE token = nullptr;         // run with this primary token (CreateProcessAsUserW)
    const wchar_t* environment = nullptr;  // Unicode environment block, or inherit
};

ProcessResult RunProcess(const std::wstring& commandLine, const ProcessOptions& options = {});

// Everything readable from a pipe or file handle until its end.
std::string ReadToEnd(HANDLE handle);

// Standard output redirected into a pipe while the object lives (the way the wizard sees the
// collector); Take() restores it and returns the bytes written meanwhile.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string Take();

private:
    HANDLE saved;
    UniqueHandle readEnd, writeEnd;
};

// The text of the MessageException that the action throws, or "(nothing thrown)".
std::wstring ThrownMessage(const std::function<void()>& action);

// Stores exactly `count` bytes as the registry value `name`. RegSetValueExW stores a string-typed
// value one unit longer when the unit right after the given bytes is NUL (it adds the terminator a
// caller "forgot"), so unterminated data would be stored as the memory behind it happens to be:
// the bytes are handed over from a copy whose next units are not NUL.
LSTATUS SetRegistryValueExactly(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD count);

// Lower-case hexadecimal form of a digest.
std::string HexDigest(const unsigned char* bytes, size_t count);

} // namespace Gathrix::Testing
