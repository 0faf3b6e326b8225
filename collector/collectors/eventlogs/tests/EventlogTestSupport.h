#pragma once
// Helpers of the event-log tests: the stand-in wevtapi.dll installed where the collector loads it
// from, the script that tells it what to deliver, and times relative to the reader's window.

#include "collector/collectors/eventlogs/EventlogReader.h"
#include "common/Handles.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>

namespace Gathrix::Testing {

inline std::wstring SystemFixtureDir() { return BinaryDir() + L"\\fixtures\\system"; }

inline std::wstring SystemFolderLibrary(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

// Whether the system folder holds the stand-in. It is put there once, before the tests that
// load it, by the ctest fixture test EventlogFixtures.WevtapiStandInInstalled: test processes
// that copied it themselves raced with others loading it. Tests only read it.
inline bool WevtapiStandInInstalled() {
    const std::wstring source = SystemFixtureDir() + L"\\wevtapi.dll";
    const std::wstring target = SystemFolderLibrary(L"wevtapi.dll");
    if (!PathExists(source) || !PathExists(target))
        return false;
    const std::string wanted = ReadFileBytes(source);
    return !wanted.empty() && ReadFileBytes(target) == wanted;
}

inline const char* const StandInMissing =
    "the stand-in wevtapi.dll is not in the system folder: run the test through ctest, whose fixture "
    "test EventlogFixtures.WevtapiStandInInstalled installs it";

// The stand-in as the collector loads it, kept loaded by the test so that its counters persist.
// Not loaded when Wine's own library answers instead (WINEDLLOVERRIDES=wevtapi=n is set for the
// event-log tests by their ctest properties) or the stand-in is not installed.
class WevtapiStandIn {
public:
    WevtapiStandIn() {
        if (!WevtapiStandInInstalled())
            return;
        library.Reset(LoadLibraryW(SystemFolderLibrary(L"wevtapi.dll").c_str()));
        if (!library)
            return;
        openHandles = Function<LONG(WINAPI*)()>("StandInOpenHandles");
        lastTimeout = Function<DWORD(WINAPI*)()>("StandInLastTimeout");
        release = Function<void(WINAPI*)()>("StandInRelease");
    }
    bool Loaded() const { return openHandles != nullptr && lastTimeout != nullptr && release != nullptr; }
    long OpenHandles() const { return openHandles ? openHandles() : -1; }
    // The time-out the last EvtNext was given.
    DWORD LastTimeout() const { return lastTimeout ? lastTimeout() : 0; }
    // Lets an EvtNext blocked by the script's "blockat" go on delivering.
    void Release() const {
        if (release)
            release();
    }

private:
    template <typename F>
    F Function(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library.Get(), name)));
    }

    UniqueLibrary library;
    LONG(WINAPI* openHandles)() = nullptr;
    DWORD(WINAPI* lastTimeout)() = nullptr;
    void(WINAPI* release)() = nullptr;
};

// Lets the stand-in go on should a read wait far past its bound, so that a reader that waits
// without end fails its test instead of hanging it. Its limit is no measure of the bound.
class ReleaseIfStuck {
public:
    ReleaseIfStuck(const WevtapiStandIn& standIn, DWORD milliseconds)
        : done(CreateEventW(nullptr, TRUE, FALSE, nullptr)), watcher([this, &standIn, milliseconds] {
              if (WaitForSingleObject(done.Get(), milliseconds) != WAIT_OBJECT_0)
                  standIn.Release();
          }) {}
    ~ReleaseIfStuck() {
        SetEvent(done.Get());
        watcher.join();
    }
    ReleaseIfStuck(const ReleaseIfStuck&) = delete;
    ReleaseIfStuck& operator=(const ReleaseIfStuck&) = delete;

private:
    UniqueHandle done;
    std::thread watcher;
};

// A script for the stand-in in a scratch file, named to it through the environment.
class StandInScript {
public:
    explicit StandInScript(const std::string& text) : folder(L"evtscript"), path(folder / L"script.txt") {
        WriteFileBytes(path, text);
        SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_SCRIPT", path.c_str());
    }
    ~StandInScript() { SetEnvironmentVariableW(L"GATHRIX_WEVTAPI_SCRIPT", nullptr); }
    const std::wstring& Path() const { return path; }

private:
    ScratchFolder folder;
    std::wstring path;
};

// The reader's window start, taken by a first read of an empty reader.
inline std::uint64_t TakeRunStart() {
    if (!EventlogReader::RunStart()) {
        EventlogReader empty(L"no such log", nullptr);
        bool more = true;
        empty.ReadNext(more);
    }
    return EventlogReader::RunStart()->GetCount();
}

inline std::string Decimal(std::uint64_t value) { return std::to_string(value); }

inline std::string Narrow(const std::wstring& text) { return Utils::ToUtf8(text); }

} // namespace Gathrix::Testing
