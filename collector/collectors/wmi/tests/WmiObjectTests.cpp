#include "collector/collectors/wmi/WmiObject.h"
#include "collector/collectors/wmi/tests/WmiTestSupport.h"
#include "common/Exceptions.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// A result object with fixed properties (name to BSTR text) and a fixed answer to GetNames.
class FakeObject : public IWbemClassObject {
public:
    FakeObject(std::vector<std::pair<std::wstring, std::wstring>> properties, std::vector<std::wstring> names,
               HRESULT namesResult = S_OK, bool namesArray = true)
        : properties(std::move(properties)), names(std::move(names)), namesResult(namesResult),
          namesArray(namesArray) {}
    virtual ~FakeObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR qualifier, LONG flags, VARIANT* qualifierValue,
                                       SAFEARRAY** result) override {
        EXPECT_EQ(nullptr, qualifier);
        EXPECT_EQ(WBEM_FLAG_NONSYSTEM_ONLY, flags);
        EXPECT_EQ(nullptr, qualifierValue);
        ++namesCalls;
        *result = nullptr;
        if (namesArray) {
            *result = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size()));
            for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
                UniqueBstr name(SysAllocString(names[static_cast<std::size_t>(i)].c_str()));
                SafeArrayPutElement(*result, &i, name.Get());
            }
        }
        return namesResult;
    }
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) override {
        for (const auto& [property, text] : properties) {
            if (property == name) {
                value->vt = VT_BSTR;
                value->bstrVal = SysAllocString(text.c_str());
                return S_OK;
            }
        }
        return WBEM_E_NOT_FOUND;
    }

    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }

    int namesCalls = 0;

private:
    std::vector<std::pair<std::wstring, std::wstring>> properties;
    std::vector<std::wstring> names;
    HRESULT namesResult;
    bool namesArray;
    ULONG references = 1;
};

// Hands out its objects one per Next call, then ends with `endResult`.
class FakeEnumerator : public IEnumWbemClassObject {
public:
    FakeEnumerator(std::vector<FakeObject*> objects, HRESULT endResult)
        : objects(std::move(objects)), endResult(endResult) {}
    virtual ~FakeEnumerator() {
        for (std::size_t i = next; i < objects.size(); ++i)
            objects[i]->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** result, ULONG* returned) override {
        // Bounded: never WBEM_INFINITE (-1), never more than the query's bound.
        EXPECT_GT(timeout, 0);
        EXPECT_LE(timeout, static_cast<LONG>(WaitBounds::WmiQueryMilliseconds));
        EXPECT_EQ(1u, count);
        ++calls;
        if (next < objects.size()) {
            *result = objects[next++];
            *returned = 1;
            return S_OK;
        }
        *result = nullptr;
        *returned = 0;
        return endResult;
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }

    int calls = 0;

private:
    std::vector<FakeObject*> objects;
    std::size_t next = 0;
    HRESULT endResult;
};

// The rows as "name=text" lists.
std::vector<std::vector<std::string>> Texts(const WMIRows& rows) {
    std::vector<std::vector<std::string>> texts;
    for (const WMIRow& row : rows) {
        texts.emplace_back();
        for (const auto& [name, value] : row)
            texts.back().push_back(Narrow(name + L"=" + value.text));
    }
    return texts;
}

const std::wstring kWql = L"select * from Win32_Test";
const LogCapture::Entry kUnableToRun{Logging::Error, L"Unable to run WQL 'select * from Win32_Test'"};

// Runs `work` on a thread of its own, so that its COM state is its own.
void OnThread(const std::function<void()>& work) { std::thread(work).join(); }

} // namespace

TEST(WmiObject, ReadsEveryObjectWithTheNamesOfTheFirst) {
    struct Case {
        const char* what;
        std::function<std::vector<FakeObject*>()> objects;
        HRESULT end;
        std::vector<std::vector<std::string>> rows;
        std::vector<LogCapture::Entry> log;
    } cases[] = {
        {"no object", [] { return std::vector<FakeObject*>{}; }, static_cast<HRESULT>(WBEM_S_FALSE), {}, {}},
        {"two objects, the second without a property",
         [] {
             return std::vector<FakeObject*>{
                 new FakeObject({{L"Name", L"a"}, {L"Size", L"1"}}, {L"Name", L"Size"}),
                 new FakeObject({{L"Name", L"b"}}, {L"Other"})};
         },
         static_cast<HRESULT>(WBEM_S_FALSE),
         {{"Name=a", "Size=1"}, {"Name=b", "Size=<EMPTY>"}},
         {}},
        {"Next fails after two objects",
         [] {
             return std::vector<FakeObject*>{new FakeObject({{L"Name", L"a"}}, {L"Name"}),
                                             new FakeObject({{L"Name", L"b"}}, {L"Name"})};
         },
         static_cast<HRESULT>(WBEM_E_FAILED),
         {{"Name=a"}, {"Name=b"}},
         {kUnableToRun}},
        {"the names can't be read",
         [] { return std::vector<FakeObject*>{new FakeObject({{L"Name", L"a"}}, {L"Name"}, static_cast<HRESULT>(WBEM_E_FAILED))}; },
         static_cast<HRESULT>(WBEM_S_FALSE),
         {},
         {}},
        {"no name list from the first object: it is skipped",
         [] {
             return std::vector<FakeObject*>{new FakeObject({{L"Name", L"a"}}, {}, S_OK, false),
                                             new FakeObject({{L"Name", L"b"}}, {L"Name"})};
         },
         static_cast<HRESULT>(WBEM_S_FALSE),
         {{"Name=b"}},
         {}},
        // A name twice, spelt differently: one entry, the later value.
        {"a repeated name",
         [] { return std::vector<FakeObject*>{new FakeObject({{L"Name", L"a"}, {L"NAME", L"b"}}, {L"Name", L"NAME"})}; },
         static_cast<HRESULT>(WBEM_S_FALSE),
         {{"Name=b"}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto& log = LogCapture::Start();
        FakeEnumerator enumerator(c.objects(), c.end);
        EXPECT_EQ(c.rows, Texts(ReadWmiRows(enumerator, kWql)));
        EXPECT_EQ(c.log, log.entries);
    }

    // The names are asked for once, from the first object only.
    auto* first = new FakeObject({{L"Name", L"a"}}, {L"Name"});
    auto* second = new FakeObject({{L"Name", L"b"}}, {L"Name"});
    first->AddRef();
    second->AddRef();
    {
        FakeEnumerator enumerator({first, second}, static_cast<HRESULT>(WBEM_S_FALSE));
        ASSERT_EQ(2u, ReadWmiRows(enumerator, kWql).size());
        EXPECT_EQ(3, enumerator.calls);
    }
    EXPECT_EQ(1, first->namesCalls);
    EXPECT_EQ(0, second->namesCalls);
    first->Release();
    second->Release();
}

TEST(WmiObject, QueryNeedsTheNamespaceConnection) {
    WMIObject fresh;
    EXPECT_EQ(L"Gathrix can't connect to WMI.", ThrownMessage([&] { fresh.Query(L"select * from Win32_Service"); }));
    try {
        fresh.Query(L"select * from Win32_Service");
    } catch (const WMIObjectException& exception) {
        EXPECT_EQ(WMIObjectException::CannotConnect, exception.GetErrorKind());
    }
}

TEST(WmiObject, ConnectsAndLeavesComAsItFoundIt) {
    OnThread([] {
        auto& log = LogCapture::Start();
        {
            WMIObject wmi;
            EXPECT_TRUE(wmi.Connect(L"ROOT\\CIMV2"));
            EXPECT_TRUE(wmi.connected);
            EXPECT_TRUE(wmi.comInitialised);
            EXPECT_FALSE(wmi.Query(L"select * from Win32_OperatingSystem").empty());
        }
        // COM is uninitialised again: joining it now initialises it anew.
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        {
            WMIObject wmi;
            EXPECT_TRUE(wmi.Connect(L"ROOT\\CIMV2"));
            EXPECT_FALSE(wmi.comInitialised);
        }
        // Still initialised: this thread's own initialisation is left alone.
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(std::vector<LogCapture::Entry>{}, log.entries);
    });
}

TEST(WmiObject, FailuresAreLoggedAndReturned) {
    // A thread in a single-threaded apartment can't join the multithreaded one.
    OnThread([] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        auto& log = LogCapture::Start();
        {
            WMIObject wmi;
            EXPECT_FALSE(wmi.Connect(L"ROOT\\CIMV2"));
            EXPECT_FALSE(wmi.comInitialised);
            EXPECT_EQ(nullptr, wmi.locator.Get());
        }
        EXPECT_EQ((std::vector<LogCapture::Entry>{
                      {Logging::Error, L"unable to initialize COM. Error Code -2147417850"}}),
                  log.entries);
        CoUninitialize();
    });

    OnThread([] {
        auto& log = LogCapture::Start();
        WMIObject wmi;
        EXPECT_FALSE(wmi.Connect(L"ROOT\\NOSUCHNAMESPACE"));
        EXPECT_FALSE(wmi.connected);
        EXPECT_EQ(nullptr, wmi.services.Get());
        EXPECT_EQ((std::vector<LogCapture::Entry>{
                      {Logging::Error, L"unable to connect to WMI namespace 'ROOT\\NOSUCHNAMESPACE'"}}),
                  log.entries);
        EXPECT_EQ(L"Gathrix can't connect to WMI.", ThrownMessage([&] { wmi.Query(L"select * from Win32_Service"); }));
    });

    // A query WMI refuses gives no rows and its log line.
    OnThread([] {
        WMIObject wmi;
        ASSERT_TRUE(wmi.Connect(L"ROOT\\CIMV2"));
        auto& log = LogCapture::Start();
        EXPECT_TRUE(wmi.Query(L"select from where").empty());
        EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Error, L"Unable to run WQL 'select from where'"}}),
                  log.entries);
    });
}
