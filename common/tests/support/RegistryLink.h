#pragma once
// A registry link for tests: a key made with REG_OPTION_CREATE_LINK whose REG_LINK value
// "SymbolicLinkValue" names another key by its NT path ("\REGISTRY\..."). It is deleted as the
// link itself when it goes: Wine's RegDeleteTreeW follows links, and one that leads back up makes
// it recurse until its stack is gone. Keep it inside the scope of the keys it lies below.

#include "common/Handles.h"

#include <windows.h>

#include <string>

namespace Gathrix::Testing {

class RegistryLink {
public:
    // Makes `name` below the open key `parent` a link to the open key `target`.
    RegistryLink(HKEY parent, const std::wstring& name, HKEY target) : target(NtName(target)) {
        if (this->target.empty())
            return;
        if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link.Put(), nullptr) != ERROR_SUCCESS)
            return;
        const DWORD bytes = static_cast<DWORD>(this->target.size() * sizeof(wchar_t));
        if (RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                           reinterpret_cast<const BYTE*>(this->target.data()), bytes) != ERROR_SUCCESS) {
            Delete();
        }
    }
    ~RegistryLink() { Delete(); }
    RegistryLink(const RegistryLink&) = delete;
    RegistryLink& operator=(const RegistryLink&) = delete;

    bool Made() const { return link.IsValid(); }
    // The NT path the link names.
    const std::wstring& Target() const { return target; }

    // The key's NT path, empty when the system does not tell it.
    static std::wstring NtName(HKEY key) {
        using QueryKey = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
        const auto query = reinterpret_cast<QueryKey>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
        // KEY_NAME_INFORMATION (class 3): the name's length in bytes, then the name.
        alignas(ULONG) BYTE buffer[4096];
        ULONG written = 0;
        if (query == nullptr || query(key, 3, buffer, sizeof(buffer), &written) != 0)
            return std::wstring();
        const ULONG bytes = *reinterpret_cast<const ULONG*>(buffer);
        return std::wstring(reinterpret_cast<const wchar_t*>(buffer + sizeof(ULONG)), bytes / sizeof(wchar_t));
    }

private:
    void Delete() {
        if (!link)
            return;
        using DeleteKey = LONG(NTAPI*)(HANDLE);
        const auto deleteKey = reinterpret_cast<DeleteKey>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
        if (deleteKey != nullptr)
            deleteKey(link.Get());
        link.Reset();
    }

    std::wstring target;
    UniqueRegKey link;
};

} // namespace Gathrix::Testing
