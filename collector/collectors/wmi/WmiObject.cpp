#include "collector/collectors/wmi/WmiObject.h"

#include "common/Exceptions.h"
#include "common/Logging.h"

#include <oleauto.h>

#include <new>

namespace Gathrix {

namespace {

struct SafeArrayTraits {
    using Type = SAFEARRAY*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type array) { return array != nullptr; }
    static void Close(Type array) { SafeArrayDestroy(array); }
};
using UniqueSafeArray = UniqueResource<SafeArrayTraits>;

// HRESULTs in log lines are signed decimal numbers, so every failure code carries a minus sign.
std::wstring HResultText(HRESULT result) { return std::to_wstring(static_cast<long>(result)); }

UniqueBstr AllocateBstr(const std::wstring& text) {
    UniqueBstr owned(SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size())));
    if (!owned)
        throw std::bad_alloc();
    return owned;
}

wchar_t FoldAscii(wchar_t unit) { return unit >= L'a' && unit <= L'z' ? static_cast<wchar_t>(unit - 32) : unit; }

} // namespace

WMIQueryTimedOut::WMIQueryTimedOut() : WMIObjectException(CannotRead) { message = L"The WMI query timed out."; }

bool WMINameLess::operator()(const std::wstring& left, const std::wstring& right) const {
    // Property names are ASCII identifiers; folding the letters is enough and needs no locale.
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t i = 0; i < common; ++i) {
        const wchar_t a = FoldAscii(left[i]);
        const wchar_t b = FoldAscii(right[i]);
        if (a != b)
            return a < b;
    }
    return left.size() < right.size();
}

WMIObject::~WMIObject() {
    locator.Reset();
    services.Reset();
    if (comInitialised)
        CoUninitialize();
}

bool WMIObject::Connect(const std::wstring& nameSpace) {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (result == S_OK) {
        comInitialised = true;
    } else if (result == S_FALSE) {
        comInitialised = false;
    } else {
        Logging::Logger::Error(L"unable to initialize COM. Error Code " + HResultText(result));
        return connected;
    }

    result = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                  RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (result != S_OK && result != RPC_E_TOO_LATE) {
        Logging::Logger::Error(L"unable to initialize COM. Error Code " + HResultText(result));
        return connected;
    }

    result = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                              locator.PutVoid());
    if (FAILED(result)) {
        Logging::Logger::Error(L"unable to connect to WMI. The service may be deactivated. Error Code " +
                               HResultText(result));
        return connected;
    }

    if (!ConnectServer(nameSpace))
        return connected;

    result = CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                               RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(result)) {
        Logging::Logger::Error(L"unable to connect to WMI. Error Code " + HResultText(result));
        return connected;
    }
    connected = true;
    return connected;
}

bool WMIObject::ConnectServer(const std::wstring& nameSpace) {
    services.Reset();
    HRESULT result = E_POINTER;
    if (locator) {
        UniqueBstr resource = AllocateBstr(nameSpace);
        UniqueBstr locale = AllocateBstr(L"MS_409");
        // Without the flag a namespace that never answers keeps the job waiting for ever; with it
        // WMI gives up after two minutes.
        result = locator->ConnectServer(resource.Get(), nullptr, nullptr, locale.Get(), WBEM_FLAG_CONNECT_USE_MAX_WAIT,
                                        nullptr, nullptr, services.Put());
    }
    if (FAILED(result)) {
        services.Reset();
        Logging::Logger::Error(L"unable to connect to WMI namespace '" + nameSpace + L"'");
        return false;
    }
    return true;
}

WMIRows WMIObject::Query(const std::wstring& wql) {
    // Only the pointer counts: a connection whose proxy blanket failed still runs queries.
    if (!services)
        throw WMIObjectException(WMIObjectException::CannotConnect);
    UniqueBstr language = AllocateBstr(L"WQL");
    UniqueBstr text = AllocateBstr(wql);
    ComPtr<IEnumWbemClassObject> enumerator;
    const HRESULT result = services->ExecQuery(language.Get(), text.Get(),
                                               WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                               enumerator.Put());
    if (FAILED(result) || !enumerator) {
        Logging::Logger::Error(L"Unable to run WQL '" + wql + L"'");
        return {};
    }
    return ReadWmiRows(*enumerator.Get(), wql);
}

WMIRows ReadWmiRows(IEnumWbemClassObject& enumerator, const std::wstring& wql, std::uint32_t boundMilliseconds) {
    WMIRows rows;
    UniqueSafeArray names;
    // One bound for the whole query: a provider that hands out an object now and then must not
    // stretch the wait either. The tick count's wrap-around cancels out in the difference.
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= boundMilliseconds) {
            Logging::Logger::Error(L"Unable to run WQL '" + wql +
                                   L"': the query timed out, WMI did not deliver its objects within " +
                                   std::to_wstring(boundMilliseconds) + L" milliseconds.");
            throw WMIQueryTimedOut();
        }
        // WBEM_INFINITE is -1: the wait is kept positive.
        const DWORD left = boundMilliseconds - elapsed;
        const long wait = static_cast<long>(left > 0x7FFFFFFFu ? 0x7FFFFFFFu : left);
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        // Forward-only and one object per call: WMI keeps nothing for a second pass.
        const HRESULT result = enumerator.Next(wait, 1, object.Put(), &returned);
        if (result == WBEM_S_TIMEDOUT && returned == 0)
            continue;
        if (returned == 0 || !object) {
            if (FAILED(result))
                Logging::Logger::Error(L"Unable to run WQL '" + wql + L"'");
            break;
        }

        if (!names) {
            // The names of the first object serve every later one.
            SAFEARRAY* list = nullptr;
            const HRESULT namesResult = object->GetNames(nullptr, WBEM_FLAG_NONSYSTEM_ONLY, nullptr, &list);
            UniqueSafeArray owned(list);
            if (namesResult != S_OK)
                break;
            if (!owned)
                continue;
            VARTYPE type = VT_EMPTY;
            if (FAILED(SafeArrayGetVartype(owned.Get(), &type)) || type != VT_BSTR ||
                SafeArrayGetDim(owned.Get()) != 1)
                break;
            names = std::move(owned);
        }

        rows.emplace_back();
        WMIRow& row = rows.back();
        LONG lower = 0;
        LONG upper = -1;
        if (FAILED(SafeArrayGetLBound(names.Get(), 1, &lower)) || FAILED(SafeArrayGetUBound(names.Get(), 1, &upper)))
            upper = lower - 1;
        for (long long position = lower; position <= upper; ++position) {
            LONG index = static_cast<LONG>(position);
            BSTR name = nullptr;
            if (FAILED(SafeArrayGetElement(names.Get(), &index, &name)))
                continue;
            UniqueBstr ownedName(name);
            // The holder is empty before each read: a property that can't be read is "<EMPTY>".
            UniqueVariant value;
            object->Get(ownedName.Get(), 0, value.Put(), nullptr, nullptr);
            row[ownedName ? std::wstring(ownedName.Get()) : std::wstring()] = WMIValue(value.Get());
        }
    }
    return rows;
}

} // namespace Gathrix
