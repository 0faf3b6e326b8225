#include "collector/core/QXMutex.h"

namespace ostrilib {

CQXMutex::CQXMutex(const std::wstring& name) {
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    handle = CreateMutexW(&attributes, FALSE, name.c_str());
    if (handle == nullptr) {
        DWORD error = GetLastError();
        handle = INVALID_HANDLE_VALUE;
        throw static_cast<std::uint32_t>(error);
    }
}

CQXMutex::~CQXMutex() {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        ReleaseMutex(handle);
        CloseHandle(handle);
    }
}

bool CQXMutex::Lock(std::uint32_t timeoutMs) { return WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0; }

BOOL CQXMutex::Unlock() { return ReleaseMutex(handle); }

bool CQXMutex::Exists(const std::wstring& name) {
    HANDLE existing = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (existing == nullptr)
        return false;
    CloseHandle(existing);
    return true;
}

} // namespace ostrilib
