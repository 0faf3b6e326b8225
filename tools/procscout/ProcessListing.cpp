#include "ProcessListing.h"

#include "../common/ListerOutput.h"

#include <tlhelp32.h>

namespace Gathrix::Listers {

namespace {

// The lister needs no owner type of the collector's: one kernel handle, closed on every path.
class Handle {
public:
    explicit Handle(HANDLE value) : value(value) {}
    ~Handle() {
        if (IsValid())
            CloseHandle(value);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return value; }
    bool IsValid() const { return value != nullptr && value != INVALID_HANDLE_VALUE; }

private:
    HANDLE value;
};

constexpr bool kLister64 = sizeof(void*) == 8;

std::vector<std::wstring> ModulePaths(DWORD processId) {
    std::vector<std::wstring> paths;
    if (processId == 0)
        return paths;
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    if (!snapshot.IsValid())
        return paths;
    MODULEENTRY32W module;
    ZeroMemory(&module, sizeof(module));
    module.dwSize = sizeof(module);
    for (BOOL more = Module32FirstW(snapshot.Get(), &module); more; more = Module32NextW(snapshot.Get(), &module))
        paths.push_back(module.szExePath);
    return paths;
}

} // namespace

RecordKind ChooseRecord(bool opened, bool wow64Answered, BOOL wow64Flag, bool windows64, bool lister64) {
    if (!opened || !wow64Answered)
        return RecordKind::Short;
    const bool native64 = windows64 && wow64Flag != 1;
    return native64 == lister64 ? RecordKind::Full : RecordKind::None;
}

std::string FormatRecord(const std::wstring& name, std::uint32_t processId, const std::vector<std::wstring>& modules) {
    std::wstring text = L"processname=" + name + L"\n" + L"pid=" + std::to_wstring(processId) + L"\n";
    for (const auto& module : modules)
        text += L"modulepath=" + module + L"\n";
    text += L"\n";
    return WithCrLf(ToOutputBytes(text));
}

bool IsWindows64() {
    using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel == nullptr)
        return false;
    auto getNativeSystemInfo = reinterpret_cast<GetNativeSystemInfoFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")));
    if (getNativeSystemInfo == nullptr)
        return false;
    SYSTEM_INFO info;
    ZeroMemory(&info, sizeof(info));
    getNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

void EnableDebugPrivilege() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &rawToken))
        return;
    Handle token(rawToken);
    TOKEN_PRIVILEGES privileges;
    ZeroMemory(&privileges, sizeof(privileges));
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

void ListProcesses() {
    EnableDebugPrivilege();
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return;
    const bool windows64 = IsWindows64();
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        HANDLE rawProcess = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
        if (rawProcess == nullptr)
            rawProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        Handle process(rawProcess);
        BOOL wow64 = FALSE;
        const bool answered = process.IsValid() && IsWow64Process(process.Get(), &wow64);
        switch (ChooseRecord(process.IsValid(), answered, wow64, windows64, kLister64)) {
        case RecordKind::Short:
            WriteOut(FormatRecord(entry.szExeFile, entry.th32ProcessID, {}));
            break;
        case RecordKind::Full:
            WriteOut(FormatRecord(entry.szExeFile, entry.th32ProcessID, ModulePaths(entry.th32ProcessID)));
            break;
        case RecordKind::None:
            break;
        }
    }
}

} // namespace Gathrix::Listers
