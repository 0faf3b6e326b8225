// A WMI provider that never answers must not hold up the run: the job gives up after its bound,
// logs an ERROR and writes its error leaf.
#include "collector/collectors/wmi/LogicalDisks.h"
#include "collector/collectors/wmi/WmiJob.h"
#include "collector/collectors/wmi/WmiObject.h"
#include "collector/collectors/wmi/tests/WmiTestSupport.h"
#include "common/Exceptions.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

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

class WmiWaitTest : public WmiResultTest {};

} // namespace

TEST_F(WmiWaitTest, AProviderThatNeverAnswersEndsWithTheErrorLeaf) {
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
    EXPECT_EQ((std::vector<std::string>{"drive|true|Logical Disks", "  lvlerror|false|Error: No access to WMI",
                                        "next|false|after"}),
              lines);
    EXPECT_FALSE(rowsWritten);
    EXPECT_GE(elapsed, 200u);
    EXPECT_GT(provider.calls, 0);
    EXPECT_EQ(0, provider.infiniteWaits);
    EXPECT_EQ((std::vector<LogCapture::Entry>{
                  {Logging::Error, L"Unable to run WQL '" + wql +
                                       L"': WMI did not deliver its objects within 200 milliseconds."}}),
              log.entries);

    // Outside a WMI job the same bound ends the reading with the WMI exception the run handles.
    log.entries.clear();
    try {
        ReadWmiRows(provider, wql, 50);
        ADD_FAILURE() << "no exception";
    } catch (const WMIObjectException& exception) {
        EXPECT_EQ(WMIObjectException::CannotRead, exception.GetErrorKind());
    }
}
