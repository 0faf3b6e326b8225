#include "collector/core/ReportRenderChild.h"

#include "collector/core/PageTransform.h"
#include "common/ExitCode.h"
#include "common/Handles.h"
#include "common/Text.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <new>

namespace Gathrix {

const wchar_t* const kRenderPagesSwitch = L"--render-report-pages";

namespace RenderProtocol {

std::string Encode(const Message& message) {
    std::string payload;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (i > 0)
            payload.push_back('\0');
        std::string field = Utils::ToUtf8(message[i]);
        // A field never holds the separator (names cannot; a reason could only by accident).
        for (char& c : field) {
            if (c == '\0')
                c = ' ';
        }
        payload += field;
    }
    const std::uint32_t length = static_cast<std::uint32_t>(payload.size());
    std::string frame(4, '\0');
    for (int i = 0; i < 4; ++i)
        frame[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return frame + payload;
}

bool Take(std::string& received, Message& message) {
    if (received.size() < 4)
        return false;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
        length |= static_cast<std::uint32_t>(static_cast<unsigned char>(received[i])) << (8 * i);
    if (received.size() - 4 < length)
        return false;
    const std::string payload = received.substr(4, length);
    received.erase(0, 4 + static_cast<std::size_t>(length));
    message.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = payload.find('\0', start);
        message.push_back(Utils::FromUtf8(payload.substr(start, end == std::string::npos ? std::string::npos : end - start)));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

} // namespace RenderProtocol

namespace {

struct PipeGone {};

class ChildPipe {
public:
    explicit ChildPipe(const std::wstring& name) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            // Not inheritable: nothing this process starts can keep the collector waiting.
            pipe.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            if (pipe || GetLastError() != ERROR_PIPE_BUSY)
                return;
            WaitNamedPipeW(name.c_str(), 1000);
        }
    }
    bool IsOpen() const { return pipe.IsValid(); }

    void Send(const RenderProtocol::Message& message) {
        const std::string bytes = RenderProtocol::Encode(message);
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            if (!WriteFile(pipe.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
                written == 0)
                throw PipeGone{};
            done += written;
        }
    }
    RenderProtocol::Message Receive() {
        RenderProtocol::Message message;
        char chunk[4096];
        while (!RenderProtocol::Take(received, message)) {
            DWORD read = 0;
            if (!ReadFile(pipe.Get(), chunk, sizeof chunk, &read, nullptr) || read == 0)
                throw PipeGone{};
            received.append(chunk, read);
        }
        return message;
    }

private:
    UniqueHandle pipe;
    std::string received;
};

struct ComScope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ComScope() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
};

std::wstring Index(std::size_t index) { return std::to_wstring(index); }

std::wstring HtmlName(const std::wstring& resultFile) {
    return resultFile.substr(0, resultFile.size() >= 4 ? resultFile.size() - 4 : resultFile.size()) + L".html";
}

} // namespace

namespace {

int RenderAsTold(const std::wstring& pipeName, const std::function<void(const std::wstring&)>& beforePage) {
    // Its exit code only tells the collector how it ended; anything but 0 is an unexpected end.
    ChildPipe pipe(pipeName);
    if (!pipe.IsOpen())
        return UnexpectedError;
    try {
        const RenderProtocol::Message job = pipe.Receive();
        if (job.size() < 3 || job[0] != L"render")
            return UnexpectedError;
        const std::wstring dataFolder = job[1];
        bool logComplete = job[2] == L"1";
        const std::vector<std::wstring> names(job.begin() + 3, job.end());

        ComScope com;
        std::unique_ptr<PageTransform> transform;
        std::wstring unusable;
        try {
            if (FAILED(com.result))
                throw RenderFailure{L"COM could not be initialised"};
            transform = std::make_unique<PageTransform>(dataFolder);
        } catch (const RenderFailure& failure) {
            unusable = failure.reason;
        } catch (const std::bad_alloc&) {
            unusable = L"out of memory";
        }

        struct Held {
            std::size_t index;
            std::unique_ptr<PageTransform::Page> page;
        };
        std::vector<Held> held;
        auto renderOne = [&](std::size_t index, std::unique_ptr<PageTransform::Page> page) {
            pipe.Send({L"begin", Index(index)});
            std::wstring reason;
            std::uint32_t writeError = 0;
            try {
                if (!unusable.empty())
                    throw RenderFailure{unusable};
                if (beforePage && !page)
                    beforePage(names[index]);
                if (!page)
                    page = transform->LoadPage(names[index]);
                const bool showsLog = PageTransform::ShowsLog(*page);
                if (showsLog && !logComplete) {
                    held.push_back({index, std::move(page)});
                    pipe.Send({L"deferred", Index(index)});
                    return;
                }
                if (showsLog)
                    transform->LoadLog();
                transform->Render(*page, HtmlName(names[index]));
                pipe.Send({L"rendered", Index(index)});
                return;
            } catch (const RenderFailure& failure) {
                reason = failure.reason;
                writeError = failure.writeError;
            } catch (const std::bad_alloc&) {
                reason = L"out of memory";
            } catch (const std::exception& exception) {
                reason = Utils::FromUtf8(exception.what());
            } catch (const PipeGone&) {
                throw;
            } catch (...) {
                reason = L"an unexpected error";
            }
            pipe.Send({L"failed", Index(index), reason, std::to_wstring(writeError)});
        };

        for (std::size_t i = 0; i < names.size(); ++i)
            renderOne(i, nullptr);
        if (!held.empty()) {
            pipe.Send({L"waiting"});
            const RenderProtocol::Message go = pipe.Receive();
            if (go.empty() || go[0] != L"log")
                return UnexpectedError;
            logComplete = true;
            std::vector<Held> logPages = std::move(held);
            for (Held& entry : logPages)
                renderOne(entry.index, std::move(entry.page));
        }
        pipe.Send({L"done"});
        return 0;
    } catch (const PipeGone&) {
        return UnexpectedError;
    }
}

struct RenderThread {
    const std::wstring* pipeName;
    const std::function<void(const std::wstring&)>* beforePage;
    int exitCode = UnexpectedError;
};

DWORD WINAPI RenderOnThread(void* parameter) {
    auto* work = static_cast<RenderThread*>(parameter);
    work->exitCode = RenderAsTold(*work->pipeName, *work->beforePage);
    return 0;
}

} // namespace

int RunReportRenderChild(const std::wstring& pipeName, const std::function<void(const std::wstring&)>& beforePage) {
    // A crash ends this process at once, with no dialog waiting for a person: the collector sees
    // the end and goes on without it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // The XSLT processor recurses once per level of the tree: a deep registry key needs more stack
    // than a program's main thread has.
    RenderThread work{&pipeName, &beforePage};
    UniqueHandle thread(CreateThread(nullptr, 64u << 20, RenderOnThread, &work, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread)
        return RenderAsTold(pipeName, beforePage);
    WaitForSingleObject(thread.Get(), INFINITE);
    return work.exitCode;
}

} // namespace Gathrix
