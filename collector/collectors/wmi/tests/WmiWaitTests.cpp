// A WMI provider that never answers must not hold up the run: the job gives up after its bound,
// logs an ERROR and writes an error leaf that says the query timed out; the namespace connection
// asks WMI for its own bound.
#include "collector/collectors/wmi/LogicalDisks.h"
#include "collector/collectors/wmi/WmiJob.h"
#include "collector/collectors/wmi/WmiObject.h"
#include "collector/collectors/wmi/tests/WmiTestSupport.h"
#include "common/Exceptions.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// Answers every Next with WBEM_S_TIMEDOUT and no object, however long it is asked to wait.
class NeverAnswering : public IEnumWbemClassObject {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG, IWbemClassObject** result, ULONG* returned) override {
        ++calls;
        // A wait without end would never come back from a provider that hangs.
        if (timeout == static_cast<LONG>(WBEM_INFINITE) || timeout < 0)
            infiniteWaits++;
        *result = nullptr;
        *returned = 0;
        return static_cast<HRESULT>(WBEM_S_TIMEDOUT);
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }

    long calls = 0;
    long infiniteWaits = 0;
};

// Records how it is asked to connect and answers with a fixed failure.
class RecordingLocator : public IWbemLocator {
public:
    explicit RecordingLocator(HRESULT answer) : answer(answer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR resource, const BSTR user, const BSTR password,
                                            const BSTR locale, LONG flags, const BSTR authority,
                                            IWbemContext* context, IWbemServices** services) override {
        ++calls;
        this->resource = resource ? resource : L"(null)";
        this->locale = locale ? locale : L"(null)";
        securityFlags = flags;
        othersNull = user == nullptr && password == nullptr && authority == nullptr && context == nullptr;
        *services = nullptr;
        return answer;
    }

    HRESULT answer;
    int calls = 0;
    std::wstring resource, locale;
    LONG securityFlags = -1;
    bool othersNull = false;
};

class WmiWaitTest : public WmiResultTest {};

} // namespace

TEST_F(WmiWaitTest, AProviderThatNeverAnswersEndsWithTheTimedOutLeaf) {
    const std::wstring wql = L"select * from Win32_LogicalDisk";
    NeverAnswering provider;
    LogicalDisks disks;
    bool rowsWritten = false;
    auto& log = LogCapture::Start();
    const DWORD start = GetTickCount();
    // The job's element as CollectWmiJob writes it, the query bounded to 200 ms; a sibling after it
    // shows that the run goes on.
    const std::vector<std::string> lines = Written([&](ResultFileWriter& writer) {
        disks.writer = &writer;
        WriteWmiJobElement(disks, true, [&] { return ReadWmiRows(provider, wql, 200); },
                           [&](const WMIRows&) { rowsWritten = true; });
        WriteLeaf(writer, L"after", L"next");
    });
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ((std::vector<std::string>{"drive|true|Logical Disks", "  lvlerror|false|Error: WMI query timed out",
                                        "next|false|after"}),
              lines);
    EXPECT_FALSE(rowsWritten);
    EXPECT_GE(elapsed, 200u);
    EXPECT_GT(provider.calls, 0);
    EXPECT_EQ(0, provider.infiniteWaits);
    EXPECT_EQ((std::vector<LogCapture::Entry>{
                  {Logging::Error, L"Unable to run WQL '" + wql +
                                       L"': the query timed out, WMI did not deliver its objects within 200 milliseconds."}}),
              log.entries);

    // Outside a WMI job the same bound ends the reading with the WMI exception the run handles,
    // and a job that fails with it says why.
    log.entries.clear();
    try {
        ReadWmiRows(provider, wql, 50);
        ADD_FAILURE() << "no exception";
    } catch (const WMIObjectException& exception) {
        EXPECT_EQ(WMIObjectException::CannotRead, exception.GetErrorKind());
        EXPECT_EQ(L"The WMI query timed out.", exception.GetMessageText());
    }
}

TEST_F(WmiWaitTest, OnlyATimeOutSaysTimedOut) {
    // Any other failure of WMI is still the missing access it always was.
    struct Case {
        const char* what;
        std::function<WMIRows()> query;
        std::string leaf;
    } cases[] = {
        {"a failed read", [] () -> WMIRows { throw WMIObjectException(WMIObjectException::CannotRead); },
         "  lvlerror|false|Error: No access to WMI"},
        {"no connection", [] () -> WMIRows { throw WMIObjectException(WMIObjectException::CannotConnect); },
         "  lvlerror|false|Error: No access to WMI"},
        {"a time-out", [] () -> WMIRows { throw WMIQueryTimedOut(); }, "  lvlerror|false|Error: WMI query timed out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogicalDisks disks;
        EXPECT_EQ((std::vector<std::string>{"drive|true|Logical Disks", c.leaf}), Written([&](ResultFileWriter& writer) {
                      disks.writer = &writer;
                      WriteWmiJobElement(disks, true, c.query, [](const WMIRows&) {});
                  }));
    }
}

TEST(WmiConnectWait, TheNamespaceConnectionAsksWmiToBoundItsWait) {
    // Without WBEM_FLAG_CONNECT_USE_MAX_WAIT a namespace that never answers holds the job for ever.
    // A connection given up (here by the stand-in locator at once) is a connection that failed.
    auto& log = LogCapture::Start();
    RecordingLocator locator(static_cast<HRESULT>(WBEM_E_TIMED_OUT));
    WMIObject wmi;
    wmi.locator = ComPtr<IWbemLocator>(&locator);
    EXPECT_FALSE(wmi.ConnectServer(L"ROOT\\CIMV2"));
    wmi.locator.Detach();
    EXPECT_EQ(1, locator.calls);
    EXPECT_EQ(WBEM_FLAG_CONNECT_USE_MAX_WAIT, locator.securityFlags);
    EXPECT_EQ(L"ROOT\\CIMV2", locator.resource);
    EXPECT_EQ(L"MS_409", locator.locale);
    EXPECT_TRUE(locator.othersNull);
    EXPECT_EQ(nullptr, wmi.services.Get());
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Error, L"unable to connect to WMI namespace 'ROOT\\CIMV2'"}}),
              log.entries);
}
