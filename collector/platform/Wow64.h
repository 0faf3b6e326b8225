#pragma once
// File-system redirection of WOW64: a 32-bit process on 64-bit Windows reaches the 32-bit copies
// below the system folder unless it switches the redirection off around its access. The switch
// is process-wide and tolerates misuse; Wow64RedirectionOff pairs the calls for one scope.

#include "collector/platform/DynamicLibrary.h"
#include "common/OperatingSystem.h"
#include "common/Singleton.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix::System::OperatingSystem {

class Wow64 : public Utils::Singleton<Wow64> {
public:
    ~Wow64() override;

    // Both log what goes wrong and return false then; on 32-bit Windows both return true.
    static bool DisableFileSystemRedirection();
    static bool RevertFileSystemRedirection();

    // Pairs (folder as a 64-bit process names it, folder a 32-bit process reaches instead) and
    // the folders below them that are not redirected; variables expanded, built once.
    static const std::vector<std::pair<std::wstring, std::wstring>>& GetRedirectedDirectories();
    static const std::vector<std::wstring>& GetRedirectionExemptDirectories();

    using DisableFunction = BOOL(WINAPI*)(PVOID*);
    using RevertFunction = BOOL(WINAPI*)(PVOID);

    // Puts stand-ins for the two system functions into the switch (made if need be), so that
    // tests can drive every state where the system itself refuses to switch.
    static void UseRedirectionFunctions(DisableFunction disable, RevertFunction revert);

    // True for a 32-bit process on 64-bit Windows: the only kind the system redirects, and so the
    // only kind that switches views around its file access.
    static bool RunsUnderWow64();
    // Makes this process switch views as such a process would (tests of the 64-bit build, with
    // stand-in functions); takes effect for candidates made afterwards.
    static void TreatAsWow64Process(bool wow64);

private:
    friend class Utils::Singleton<Wow64>;
    Wow64();

    bool Disable();
    bool Revert();

    bool disabled = false;
    bool is64BitOs = false;
    bool wow64Process = false;
    PVOID oldValue = nullptr;
    std::unique_ptr<DynamicLibrary> library;
    DisableFunction disableFunction = nullptr;
    RevertFunction revertFunction = nullptr;
};

// Switches the redirection off for its lifetime and back on at its end, when switching off
// succeeded. Succeeded() false means the native view is not available.
class Wow64RedirectionOff {
public:
    Wow64RedirectionOff() : succeeded(Wow64::DisableFileSystemRedirection()) {}
    ~Wow64RedirectionOff() {
        if (succeeded)
            Wow64::RevertFileSystemRedirection();
    }
    Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
    Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;

    bool Succeeded() const { return succeeded; }

private:
    bool succeeded;
};

} // namespace Gathrix::System::OperatingSystem
