// Whole collector runs with "WindowsEventlog" jobs: through the stand-in wevtapi.dll (a log that
// fails in the middle still delivers the archive), and through the classic API when wevtapi.dll
// can't be loaded. (WINEDLLOVERRIDES=wevtapi=d does not stop Wine 8 from loading a native
// wevtapi.dll by its full path: the stand-in refuses to load when told to instead.)

#include "collector/archive/tests/ArchiveListing.h"
#include "collector/collectors/eventlogs/tests/EventlogTestSupport.h"
#include "collector/core/e2e/tests/CollectorProcess.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace Gathrix::Testing;

const char* const kModeFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Config>\n"
    "  <Mode><Name lang=\"en-us\">Event logs</Name></Mode>\n"
    "  <Level1><Name>Logs</Name><Jobs>\n"
    "    <WindowsEventlog><EventlogProtocolName>Application</EventlogProtocolName></WindowsEventlog>\n"
    "    <WindowsEventlog><EventlogProtocolName>Broken</EventlogProtocolName></WindowsEventlog>\n"
    "    <WindowsEventlog><EventlogProtocolName>System</EventlogProtocolName></WindowsEventlog>\n"
    "  </Jobs></Level1>\n"
    "</Config>\n";

const char* const kScript = "log\tApplication\n"
                            "event\tid=1\tlevel=2\tsource=App\tmessage=first\ttime=now-1000\tcount=2\n"
                            "log\tBroken\n"
                            "event\tid=2\tlevel=3\tsource=App\tmessage=before the failure\ttime=now-1000\tcount=5\n"
                            "failat\t3\t1726\n"
                            "log\tSystem\n"
                            "event\tid=3\tlevel=4\tsource=Sys\tmessage=after\ttime=now-1000\n";

struct EventlogRun {
    ScratchFolder scratch{L"evtrun"};
    std::wstring modeFile = scratch / L"Mode.xml";
    std::wstring script = scratch / L"script.txt";
    std::wstring work = scratch / L"work";
    std::wstring out = scratch / L"out";

    EventlogRun() {
        WriteFileBytes(modeFile, kModeFile);
        WriteFileBytes(script, kScript);
        CreateDirectoryW(out.c_str(), nullptr);
    }

    // The collector with the stand-in wevtapi.dll, or with a wevtapi.dll that does not load.
    ProcessResult Run(bool withWevtapi) const {
        std::wstring environment;
        const wchar_t* block = GetEnvironmentStringsW();
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
            if (_wcsnicmp(entry, L"WINEDLLOVERRIDES=", 17) != 0 && _wcsnicmp(entry, L"GATHRIX_WEVTAPI_", 16) != 0)
                environment += std::wstring(entry) + L'\0';
        }
        FreeEnvironmentStringsW(const_cast<wchar_t*>(block));
        environment += std::wstring(L"WINEDLLOVERRIDES=wevtapi=n") + L'\0';
        if (!withWevtapi)
            environment += std::wstring(L"GATHRIX_WEVTAPI_ABSENT=1") + L'\0';
        environment += L"GATHRIX_WEVTAPI_SCRIPT=" + script + L'\0';
        environment += L'\0';
        ProcessOptions options;
        options.environment = environment.c_str();
        return RunGathrix(L"-s " + Quote(modeFile) + L" -t " + Quote(work) + L" -n \"Sample User\" -i 4711 -o " +
                              Quote(out),
                          options);
    }
    std::string Result() const { return ReadFileBytes(work + L"\\data\\Logs.xml"); }
    std::string TextLog() const { return ReadFileBytes(work + L"\\data\\logfile.log"); }
};

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(EventlogRun, ReadFailureInOneLogStillDeliversTheArchive) {
    ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
    EventlogRun run;
    const ProcessResult result = run.Run(true);
    ASSERT_EQ(0u, result.exitCode) << result.output;
    EXPECT_FALSE(ArchiveNames(run.out + L"\\GATHRINF.7z").empty());
    const std::string xml = run.Result();
    EXPECT_EQ(3u, Count(xml, "type=\"winevtlog\"")) << xml;
    EXPECT_EQ(2u, Count(xml, "Message: first"));
    EXPECT_EQ(3u, Count(xml, "Message: before the failure")) << "the events before the failure";
    EXPECT_EQ(1u, Count(xml, "Message: after")) << "the log after the broken one";
    const std::string failure = "Error reading the eventlog &apos;Broken&apos;: EvtNext: ";
    const std::string plainFailure = "Error reading the eventlog 'Broken': EvtNext: ";
    EXPECT_EQ(1u, Count(xml, failure) + Count(xml, plainFailure)) << xml;
    EXPECT_EQ(1u, Count(run.TextLog(), "[ERROR]")) << run.TextLog();
    EXPECT_EQ(1u, Count(run.TextLog(), plainFailure)) << run.TextLog();
}

TEST(EventlogRun, WithoutWevtapiTheClassicApiReadsTheLogs) {
    // wevtapi.dll refuses to load, as on Windows 2000 and XP. Wine's classic API opens any log and
    // reports its end at once: three empty log elements and no failure, where the stand-in's
    // script would have given events.
    ASSERT_TRUE(WevtapiStandInInstalled()) << StandInMissing;
    EventlogRun run;
    const ProcessResult result = run.Run(false);
    ASSERT_EQ(0u, result.exitCode) << result.output;
    const std::string xml = run.Result();
    EXPECT_EQ(3u, Count(xml, "type=\"winevtlog\"")) << xml;
    EXPECT_EQ(0u, Count(xml, "Message: ")) << xml;
    EXPECT_EQ(0u, Count(run.TextLog(), "[ERROR]")) << run.TextLog();
}

} // namespace
