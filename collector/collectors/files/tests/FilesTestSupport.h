#pragma once
// Helpers of the files tests: the system folders of both views, files placed in one view only,
// and the fixtures that Fixtures.cmake makes at build time.

#include "collector/platform/Wow64.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

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

// Makes this process go through the WOW64 switch as a 32-bit process on 64-bit Windows does,
// with stand-ins for the system's two functions that record each call ("off", "on") instead of
// switching. The order of the calls is what the shipped 32-bit build depends on; the stand-ins
// check it in every build. Paths whose views differ (below System32) are not switched for real:
// tests through them compare path texts, not contents.
class Wow64StandIns {
public:
    Wow64StandIns() : log(LogCapture::Start()), wasWow64(System::OperatingSystem::Wow64::RunsUnderWow64()) {
        Calls().clear();
        System::OperatingSystem::Wow64::UseRedirectionFunctions(&Off, &On);
        System::OperatingSystem::Wow64::TreatAsWow64Process(true);
    }
    ~Wow64StandIns() {
        using System::OperatingSystem::Wow64;
        HMODULE kernel = GetModuleHandleW(L"kernel32");
        Wow64::UseRedirectionFunctions(
            reinterpret_cast<Wow64::DisableFunction>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection"))),
            reinterpret_cast<Wow64::RevertFunction>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection"))));
        Wow64::TreatAsWow64Process(wasWow64);
    }
    Wow64StandIns(const Wow64StandIns&) = delete;
    Wow64StandIns& operator=(const Wow64StandIns&) = delete;

    static std::vector<std::wstring>& Calls() {
        static std::vector<std::wstring> calls;
        return calls;
    }
    // Every switch-off was paired with a switch-on before the next one, and the view is back:
    // the calls alternate from "off" to "on" and the switch refused nothing (a nested switch-off
    // or an unpaired switch-on is refused and logged, not passed to the system).
    ::testing::AssertionResult Paired() const {
        const auto& calls = Calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] != (i % 2 == 0 ? L"off" : L"on"))
                return ::testing::AssertionFailure() << "call " << i << " out of order";
        }
        if (calls.size() % 2 != 0)
            return ::testing::AssertionFailure() << "the view was left switched off";
        for (const auto& entry : log.entries) {
            if (entry.level >= Logging::Warning && entry.message.find(L"redirection") != std::wstring::npos)
                return ::testing::AssertionFailure() << "the switch refused a call";
        }
        return ::testing::AssertionSuccess();
    }
    std::size_t Pairs() const { return Calls().size() / 2; }

private:
    static BOOL WINAPI Off(PVOID* oldValue) {
        *oldValue = nullptr;
        Calls().push_back(L"off");
        return TRUE;
    }
    static BOOL WINAPI On(PVOID) {
        Calls().push_back(L"on");
        return TRUE;
    }

    LogCapture& log;
    bool wasWow64;
};

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
