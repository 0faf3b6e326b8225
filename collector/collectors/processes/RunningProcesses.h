#pragma once
// The "RunningProcesses" job: the running processes of one bitness, each with the file
// information of every module it has loaded. The collector does not walk the processes itself:
// it runs the process lister of that bitness (Procscout.exe or Procscout64.exe, from the
// collector's own folder), reads what it prints through a pipe and parses the records.

#include "collector/result/JobModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix {

class RunningProcesses : public ITreeElement {
public:
    struct ProcessEntry {
        std::wstring name;
        std::uint32_t processId = 0;
        std::vector<std::wstring> modulePaths;
    };

    // is64Bit 0: the 32-bit processes; 1: the 64-bit ones.
    explicit RunningProcesses(std::int32_t is64Bit);

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"serviceinfo"; }
    std::wstring GetValue() const override;

    std::int32_t GetIs64Bit() const { return is64Bit; }

    // The lister's whole output, one character per byte; empty when it could not be started. A
    // bare file name is looked for in the lister folder (see UseListerFolder).
    static std::wstring RunProcessLister(const std::wstring& programFileName);
    // The records of the lister's output, in order. Lines may end with CR LF or LF alone, and a
    // last line without a line end is read as well.
    static std::vector<ProcessEntry> ParseListerOutput(const std::wstring& text);

    // The folder the listers are started from: the collector's own by default; a test points it
    // at stand-ins. Empty restores the default.
    static void UseListerFolder(const std::wstring& folder);
    static std::wstring ListerFolder();

private:
    std::int32_t is64Bit;
};

} // namespace Gathrix
