#include "common/OperatingSystem.h"

#include "common/Handles.h"

#include <cstdint>
#include <vector>

namespace Gathrix::System::OperatingSystem {

namespace {

constexpr DWORD AccessRead = 1;
constexpr DWORD AccessWrite = 2;

// Frees the SID of AllocateAndInitializeSid.
struct SidTraits {
    using Type = PSID;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type sid) { return sid != nullptr; }
    static void Close(Type sid) { FreeSid(sid); }
};
using UniqueSid = UniqueResource<SidTraits>;

// Undoes ImpersonateSelf when it leaves scope.
class Impersonation {
public:
    Impersonation() : active(ImpersonateSelf(SecurityImpersonation) != FALSE) {}
    ~Impersonation() {
        if (active)
            RevertToSelf();
    }
    Impersonation(const Impersonation&) = delete;
    Impersonation& operator=(const Impersonation&) = delete;

private:
    bool active;
};

bool GetVersionInfo(OSVERSIONINFOEXW& info) {
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
#pragma GCC diagnostic pop
}

bool VerifyAtLeast(DWORD major, int minor) {
    OSVERSIONINFOEXW wanted;
    ZeroMemory(&wanted, sizeof(wanted));
    wanted.dwOSVersionInfoSize = sizeof(wanted);
    wanted.dwMajorVersion = major;
    DWORD typeMask = VER_MAJORVERSION;
    ULONGLONG conditions = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    if (minor != -1) {
        wanted.dwMinorVersion = static_cast<DWORD>(minor);
        typeMask |= VER_MINORVERSION;
        conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
    }
    return VerifyVersionInfoW(&wanted, typeMask, conditions) != FALSE;
}

} // namespace

int IsUserAdmin() {
    OSVERSIONINFOEXW version;
    if (!GetVersionInfo(version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return 1;

    Impersonation impersonation;
    UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.Put())) {
        if (GetLastError() != ERROR_NO_TOKEN)
            return 0;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()))
            return 0;
    }

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                  0, 0, 0, 0, administrators.Put()))
        return 0;

    // A descriptor that grants read to Administrators only: the access check then answers
    // whether the token holds that group enabled.
    UniqueLocalMemory descriptorMemory(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptorMemory)
        return 0;
    auto descriptor = static_cast<PSECURITY_DESCRIPTOR>(descriptorMemory.Get());
    if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION))
        return 0;

    DWORD aclSize = GetLengthSid(administrators.Get()) + sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    UniqueLocalMemory aclMemory(LocalAlloc(LPTR, aclSize));
    if (!aclMemory)
        return 0;
    auto acl = static_cast<PACL>(aclMemory.Get());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION2) ||
        !AddAccessAllowedAce(acl, ACL_REVISION2, AccessRead | AccessWrite, administrators.Get()) ||
        !SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorGroup(descriptor, administrators.Get(), FALSE) ||
        !SetSecurityDescriptorOwner(descriptor, administrators.Get(), FALSE) ||
        !IsValidSecurityDescriptor(descriptor))
        return 0;

    GENERIC_MAPPING mapping = {AccessRead, AccessWrite, 0, AccessRead | AccessWrite};
    std::vector<std::uint8_t> privileges(sizeof(PRIVILEGE_SET) + sizeof(LUID_AND_ATTRIBUTES) * 4);
    DWORD privilegesSize = static_cast<DWORD>(privileges.size());
    DWORD granted = 0;
    BOOL accessStatus = FALSE;
    if (!AccessCheck(descriptor, token.Get(), AccessRead, &mapping,
                     reinterpret_cast<PPRIVILEGE_SET>(privileges.data()), &privilegesSize, &granted, &accessStatus))
        return 0;
    return accessStatus ? 1 : 0;
}

bool IsVersionOrGreater(DWORD major, int minor) {
    if (major == 0xFFFFFFFFu)
        return false;
    return VerifyAtLeast(major, minor);
}

bool IsVersion(DWORD major, int minor) {
    if (!IsVersionOrGreater(major, minor))
        return false;
    DWORD nextMajor = major;
    int nextMinor = minor;
    if (minor == -1)
        ++nextMajor;
    else
        ++nextMinor;
    if (nextMajor == 0xFFFFFFFFu)
        return false;
    return !VerifyAtLeast(nextMajor, nextMinor);
}

bool IsWindowsXp() {
    using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    auto getNativeSystemInfo = kernel ? reinterpret_cast<GetNativeSystemInfoFunction>(
                                            reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")))
                                      : nullptr;
    if (getNativeSystemInfo != nullptr) {
        SYSTEM_INFO info;
        ZeroMemory(&info, sizeof(info));
        getNativeSystemInfo(&info);
        if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
            info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64) {
            OSVERSIONINFOEXW version;
            if (GetVersionInfo(version) && version.wProductType == VER_NT_WORKSTATION)
                return IsVersion(5, 2);
        }
    }
    return IsVersion(5, 1);
}

bool IsWindowsVistaOrServer2008() {
    return IsVersion(6, 0);
}

bool Is64BitOperatingSystem() {
    static const bool is64Bit = [] {
        using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
        HMODULE kernel = GetModuleHandleW(L"kernel32");
        auto getNativeSystemInfo = kernel ? reinterpret_cast<GetNativeSystemInfoFunction>(reinterpret_cast<void*>(
                                                GetProcAddress(kernel, "GetNativeSystemInfo")))
                                          : nullptr;
        if (getNativeSystemInfo == nullptr)
            return false;
        SYSTEM_INFO info;
        ZeroMemory(&info, sizeof(info));
        getNativeSystemInfo(&info);
        return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
               info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    }();
    return is64Bit;
}

std::wstring ProgramFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

} // namespace Gathrix::System::OperatingSystem
