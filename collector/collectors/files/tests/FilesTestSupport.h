#pragma once
// Helpers of the files tests: the system folders of both views, files placed in one view only,
// and the fixtures that Fixtures.cmake makes at build time.

#include "collector/core/Wow64.h"
#include "common/tests/support/TestSupport.h"

#include <windows.h>

#include <memory>
#include <string>

namespace Gathrix::Testing {

inline std::wstring WindowsDir() {
    wchar_t buffer[MAX_PATH] = {};
    GetWindowsDirectoryW(buffer, MAX_PATH);
    return buffer;
}
inline std::wstring NativeSystemDir() { return WindowsDir() + L"\\System32"; }
inline std::wstring Wow64SystemDir() { return WindowsDir() + L"\\SysWOW64"; }

inline bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

inline std::wstring FilesFixtureDir() { return BinaryDir() + L"\\fixtures\\files"; }

// A name no other test process uses at the same time (the tests share one prefix).
inline std::wstring UniqueName(const std::wstring& stem) {
    static unsigned counter = 0;
    return stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

// Runs `work` in the native view: a 32-bit process under WOW64 switches redirection off around it.
template <class Work>
void InNativeView(Work work) {
    std::unique_ptr<System::OperatingSystem::Wow64RedirectionOff> off;
    if (RunsUnderWow64())
        off = std::make_unique<System::OperatingSystem::Wow64RedirectionOff>();
    work();
}

// A file or folder tree at a native-view path, removed again at the end.
class NativePath {
public:
    explicit NativePath(std::wstring path) : path(std::move(path)) {}
    ~NativePath() {
        InNativeView([this] { RemoveTree(path); });
    }
    NativePath(const NativePath&) = delete;
    NativePath& operator=(const NativePath&) = delete;

    void MakeFile(const std::string& bytes = "x") {
        InNativeView([&] { WriteFileBytes(path, bytes); });
    }
    void MakeFolder(const std::wstring& below = L"") {
        InNativeView([&] { CreateDirectoryW((below.empty() ? path : path + L"\\" + below).c_str(), nullptr); });
    }
    const std::wstring& Path() const { return path; }

private:
    std::wstring path;
};

} // namespace Gathrix::Testing
