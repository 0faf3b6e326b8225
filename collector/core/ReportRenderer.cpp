#include "collector/core/ReportRenderer.h"

#include "collector/core/FallbackPage.h"
#include "collector/core/ReportRenderChild.h"
#include "common/FileWrites.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <new>

namespace Gathrix {

namespace {

// Milliseconds since the render began; 32 bits are plenty for a bound of minutes (and need no
// function that older Windows lacks).
class Clock {
public:
    DWORD Elapsed() const { return GetTickCount() - start; }

private:
    DWORD start = GetTickCount();
};

std::wstring Seconds(std::uint32_t milliseconds) {
    return std::to_wstring((milliseconds + 999) / 1000) + L" seconds";
}

std::wstring HtmlName(const std::wstring& resultFile) { return resultFile.substr(0, resultFile.size() - 4) + L".html"; }

// The child process that renders, and the collector's end of its pipe. Every wait is bounded by
// the deadline it is given; nothing waits for the pipe's end alone.
class RenderProcess {
public:
    enum class Got { Message, TimedOut, Ended };

    explicit RenderProcess(const Clock& clock) : clock(clock) {
        ZeroMemory(&readState, sizeof readState);
    }
    ~RenderProcess() {
        // A child that said it is done is let go on its own; one that is not is ended.
        if (process)
            WaitForSingleObject(process.Get(), 5000);
        Stop();
    }
    RenderProcess(const RenderProcess&) = delete;
    RenderProcess& operator=(const RenderProcess&) = delete;

    // Starts `program` for the data folder and waits until it has opened the pipe, at most until
    // `deadline` (of the clock). False with the reason.
    bool Start(const std::wstring& program, const std::wstring& dataFolder, DWORD deadline, std::wstring& failure) {
        static std::atomic<unsigned> started{0};
        const std::wstring name = L"\\\\.\\pipe\\Gathrix-render-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++started);
        const DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
        pipe.Reset(CreateNamedPipeW(name.c_str(), openMode,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                    1 << 16, 1 << 16, 0, nullptr));
        // Windows before Vista does not know the flag that refuses remote clients.
        if (!pipe && GetLastError() == ERROR_INVALID_PARAMETER)
            pipe.Reset(CreateNamedPipeW(name.c_str(), openMode, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                        1 << 16, 1 << 16, 0, nullptr));
        readEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        writeEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!pipe || !readEvent || !writeEvent) {
            failure = L"the pipe to the program that renders the pages could not be made: " +
                      System::GetErrorText(GetLastError());
            return false;
        }

        std::wstring commandLine = L"\"" + program + L"\" " + kRenderPagesSwitch + L" " + name;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        // No standard handles: whatever the child starts (Wine's desktop process, for one) can
        // never hold the pipe on which the wizard reads the collector's output.
        startup.dwFlags = STARTF_USESTDHANDLES;
        PROCESS_INFORMATION created{};
        if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                            CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, dataFolder.c_str(), &startup, &created)) {
            failure = L"the program that renders the pages (" + program + L") could not be started: " +
                      System::GetErrorText(GetLastError());
            return false;
        }
        process.Reset(created.hProcess);
        UniqueHandle thread(created.hThread);
        processId = created.dwProcessId;
        // The child ends with the collector, however the collector ends (the wizard's Cancel, say);
        // where the collector runs in a job that allows no other, the child runs without.
        job.Reset(CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!job || !SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
            !AssignProcessToJobObject(job.Get(), process.Get()))
            job.Reset();
        ResumeThread(thread.Get());

        OVERLAPPED connecting{};
        connecting.hEvent = writeEvent.Get();
        bool connected = ConnectNamedPipe(pipe.Get(), &connecting) != FALSE;
        if (!connected) {
            const DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) {
                connected = true;
            } else if (error == ERROR_IO_PENDING) {
                const HANDLE waits[2] = {writeEvent.Get(), process.Get()};
                const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, Left(deadline));
                DWORD ignored = 0;
                if (waited == WAIT_OBJECT_0)
                    connected = GetOverlappedResult(pipe.Get(), &connecting, &ignored, FALSE) != FALSE;
                if (!connected) {
                    CancelIo(pipe.Get());
                    GetOverlappedResult(pipe.Get(), &connecting, &ignored, TRUE);
                }
            }
        }
        if (!connected) {
            failure = Running() ? L"the program that renders the pages did not answer" : EndText();
            return false;
        }
        // The client must be the child itself (where Windows can tell).
        using ClientProcessId = BOOL(WINAPI*)(HANDLE, PULONG);
        const auto clientProcessId = reinterpret_cast<ClientProcessId>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNamedPipeClientProcessId")));
        ULONG client = 0;
        if (clientProcessId && clientProcessId(pipe.Get(), &client) && client != processId) {
            failure = L"another program answered on the pipe of the program that renders the pages";
            return false;
        }
        return true;
    }

    bool Send(const RenderProtocol::Message& message, DWORD deadline) {
        const std::string bytes = RenderProtocol::Encode(message);
        OVERLAPPED writing{};
        writing.hEvent = writeEvent.Get();
        ResetEvent(writeEvent.Get());
        DWORD written = 0;
        if (WriteFile(pipe.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &writing))
            return written == bytes.size();
        if (GetLastError() != ERROR_IO_PENDING)
            return false;
        if (WaitForSingleObject(writeEvent.Get(), Left(deadline)) != WAIT_OBJECT_0) {
            CancelIo(pipe.Get());
            GetOverlappedResult(pipe.Get(), &writing, &written, TRUE);
            return false;
        }
        return GetOverlappedResult(pipe.Get(), &writing, &written, FALSE) && written == bytes.size();
    }

    Got Receive(RenderProtocol::Message& message, DWORD deadline) {
        for (;;) {
            if (RenderProtocol::Take(received, message))
                return Got::Message;
            if (ended)
                return Got::Ended;
            DWORD read = 0;
            if (!reading) {
                ZeroMemory(&readState, sizeof readState);
                readState.hEvent = readEvent.Get();
                ResetEvent(readEvent.Get());
                if (ReadFile(pipe.Get(), buffer, sizeof buffer, &read, &readState)) {
                    received.append(buffer, read);
                    continue;
                }
                if (GetLastError() != ERROR_IO_PENDING) {
                    ended = true;  // the child's end is closed: it has ended
                    continue;
                }
                reading = true;
            }
            if (WaitForSingleObject(readEvent.Get(), Left(deadline)) != WAIT_OBJECT_0)
                return Got::TimedOut;
            reading = false;
            if (!GetOverlappedResult(pipe.Get(), &readState, &read, FALSE)) {
                ended = true;
                continue;
            }
            received.append(buffer, read);
        }
    }

    // Ends the child if it still runs, and lets go of the pipe.
    void Stop() {
        if (process && Running()) {
            TerminateProcess(process.Get(), ERROR_TIMEOUT);
            WaitForSingleObject(process.Get(), 10000);
        }
        if (reading && pipe) {
            DWORD ignored = 0;
            CancelIo(pipe.Get());
            GetOverlappedResult(pipe.Get(), &readState, &ignored, TRUE);
            reading = false;
        }
    }

    // Why the child ended before it was done.
    std::wstring EndText() {
        DWORD code = 0;
        if (process)
            WaitForSingleObject(process.Get(), 5000);
        if (!process || !GetExitCodeProcess(process.Get(), &code) || code == STILL_ACTIVE)
            return L"the program that renders the pages stopped answering";
        wchar_t hex[16];
        swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(code));
        return std::wstring(L"the program that renders the pages ended unexpectedly (exit code ") + hex + L")";
    }

private:
    bool Running() const { return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT; }
    DWORD Left(DWORD deadline) const {
        const DWORD now = clock.Elapsed();
        return now >= deadline ? 0 : deadline - now;
    }

    const Clock& clock;
    UniqueHandle pipe, process, job, readEvent, writeEvent;
    DWORD processId = 0;
    OVERLAPPED readState;
    char buffer[4096];
    bool reading = false;
    bool ended = false;
    std::string received;
};

enum class State { Pending, Held, Rendered, Failed };

struct PageState {
    std::wstring name;
    State state = State::Pending;
};

bool Unsettled(const PageState& page) { return page.state == State::Pending || page.state == State::Held; }

// Writes the page that stands in for one the collector could not make; a page file that cannot be
// written is named in an ERROR, unless that already happened for this page.
void WriteStandIn(const std::wstring& path, const std::string& page, bool alreadyReported) {
    const std::uint32_t error = Utils::WriteWholeFile(path, page);
    if (error != 0 && !alreadyReported)
        Utils::ReportWriteFailure(path, error);
}

void GiveUp(const std::wstring& dataFolder, PageState& page, const std::wstring& reason, std::uint32_t writeError) {
    page.state = State::Failed;
    const std::wstring htmlPath = dataFolder + L"\\" + HtmlName(page.name);
    if (writeError != 0)
        Utils::ReportWriteFailure(htmlPath, writeError);
    Logging::Logger::Instance().Log(Logging::Warning, L"The report page " + dataFolder + L"\\" + page.name +
                                                          L" could not be rendered (its page shows the collected "
                                                          L"values as text): " + reason);
    WriteStandIn(htmlPath, FallbackPage(dataFolder, page.name, reason), writeError != 0);
}

bool IsPage(const std::wstring& name) {
    // What the pages read, not pages themselves.
    return name.size() > 4 && Utils::EqualsNoCase(name.substr(name.size() - 4), L".xml") &&
           !Utils::EqualsNoCase(name, L"Navigation.xml") && !Utils::EqualsNoCase(name, L"Logfile.xml");
}

} // namespace

ReportRenderSummary RenderReportPages(const std::wstring& dataFolder, const std::vector<ResultFileRecord>& files,
                                      const std::function<void(const ReportRenderSummary&)>& beforeLogPages,
                                      const ReportRenderOptions& options) {
    const Clock clock;
    ReportRenderSummary summary;
    std::vector<PageState> pages;
    for (const ResultFileRecord& file : files) {
        if (!IsPage(file.name))
            continue;
        ++summary.pages;
        if (file.writeError != 0) {
            WriteStandIn(dataFolder + L"\\" + HtmlName(file.name),
                         UnwrittenResultPage(file.name, System::GetErrorText(file.writeError)), false);
            continue;
        }
        pages.push_back({file.name});
    }

    bool logAnnounced = false;
    auto announceLogPages = [&] {
        if (logAnnounced)
            return;
        logAnnounced = true;
        summary.logPages = static_cast<unsigned>(
            std::count_if(pages.begin(), pages.end(), [](const PageState& page) { return page.state == State::Held; }));
        summary.milliseconds = clock.Elapsed();
        if (beforeLogPages)
            beforeLogPages(summary);
    };

    const std::wstring program =
        options.program.empty() ? System::OperatingSystem::ProgramFilePath() : options.program;
    const std::wstring overTime = L"the report's pages took longer than " + Seconds(options.totalLimitMs) +
                                  L" in all, and this one was not rendered";
    const std::wstring pageOverTime = L"its rendering took longer than " + Seconds(options.pageLimitMs) +
                                      L" and was stopped";
    std::wstring givenUp;  // why the pages still unsettled are not rendered
    while (givenUp.empty() && std::any_of(pages.begin(), pages.end(), Unsettled)) {
        if (clock.Elapsed() >= options.totalLimitMs) {
            givenUp = overTime;
            break;
        }
        std::vector<std::size_t> order;
        RenderProtocol::Message job{L"render", dataFolder, logAnnounced ? L"1" : L"0"};
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (Unsettled(pages[i])) {
                order.push_back(i);
                job.push_back(pages[i].name);
            }
        }
        auto deadlineFrom = [&](DWORD from) {
            return std::min<DWORD>(options.totalLimitMs, from + std::min(options.pageLimitMs, options.totalLimitMs));
        };
        RenderProcess child(clock);
        std::wstring failure;
        if (!child.Start(program, dataFolder, deadlineFrom(clock.Elapsed()), failure) ||
            !child.Send(job, deadlineFrom(clock.Elapsed()))) {
            givenUp = failure.empty() ? child.EndText() : failure;
            break;
        }
        std::size_t current = pages.size();
        bool progressed = false;
        DWORD deadline = deadlineFrom(clock.Elapsed());
        for (bool talking = true; talking;) {
            RenderProtocol::Message message;
            switch (child.Receive(message, deadline)) {
            case RenderProcess::Got::Message: {
                const std::wstring& kind = message[0];
                std::size_t page = pages.size();
                if (message.size() > 1) {
                    const unsigned long index = std::wcstoul(message[1].c_str(), nullptr, 10);
                    if (index < order.size())
                        page = order[index];
                }
                if (kind == L"begin" && page < pages.size()) {
                    current = page;
                    deadline = deadlineFrom(clock.Elapsed());
                } else if (kind == L"rendered" && page < pages.size()) {
                    pages[page].state = State::Rendered;
                    ++summary.rendered;
                    current = pages.size();
                    progressed = true;
                } else if (kind == L"failed" && page < pages.size() && message.size() >= 4) {
                    GiveUp(dataFolder, pages[page], message[2], std::wcstoul(message[3].c_str(), nullptr, 10));
                    current = pages.size();
                    progressed = true;
                } else if (kind == L"deferred" && page < pages.size()) {
                    pages[page].state = State::Held;
                    current = pages.size();
                    progressed = true;
                } else if (kind == L"waiting") {
                    announceLogPages();
                    deadline = deadlineFrom(clock.Elapsed());
                    if (!child.Send({L"log"}, deadline)) {
                        givenUp = child.EndText();
                        talking = false;
                    }
                } else if (kind == L"done") {
                    talking = false;
                    // Whatever it did not settle, it never will.
                    if (std::any_of(pages.begin(), pages.end(), Unsettled))
                        givenUp = L"the program that renders the pages left it out";
                }
                break;
            }
            case RenderProcess::Got::TimedOut: {
                const bool overall = clock.Elapsed() >= options.totalLimitMs;
                child.Stop();
                if (current < pages.size())
                    GiveUp(dataFolder, pages[current], overall ? overTime : pageOverTime, 0);
                else if (!overall)
                    givenUp = L"the program that renders the pages did not answer within " + Seconds(options.pageLimitMs);
                if (overall)
                    givenUp = overTime;
                talking = false;
                break;
            }
            case RenderProcess::Got::Ended: {
                const std::wstring ended = child.EndText();
                if (current < pages.size())
                    GiveUp(dataFolder, pages[current], ended, 0);
                else if (!progressed)
                    givenUp = ended;  // it ends before its first page: starting it again is no use
                talking = false;
                break;
            }
            }
        }
    }
    for (PageState& page : pages) {
        if (Unsettled(page))
            GiveUp(dataFolder, page, givenUp, 0);
    }
    announceLogPages();
    summary.milliseconds = clock.Elapsed();
    return summary;
}

} // namespace Gathrix
