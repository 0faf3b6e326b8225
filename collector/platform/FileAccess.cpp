#include "collector/platform/FileAccess.h"

#include "common/Text.h"

namespace Gathrix::Utils {

namespace {

SystemPathObserver systemPathObserver = nullptr;

} // namespace

std::wstring SystemPath(const std::wstring& path) {
    std::wstring systemPath = ExtendedLengthPath(path);
    if (systemPathObserver != nullptr)
        systemPathObserver(systemPath);
    return systemPath;
}

void SetSystemPathObserver(SystemPathObserver observer) { systemPathObserver = observer; }

bool IsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find_first_of(L".:"));
    const std::size_t kept = stem.find_last_not_of(L' ');
    stem.resize(kept == std::wstring::npos ? 0 : kept + 1);
    stem = ToLower(stem);
    for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
        if (stem == device)
            return true;
    if (stem.size() != 4 || (stem.compare(0, 3, L"com") != 0 && stem.compare(0, 3, L"lpt") != 0))
        return false;
    const wchar_t digit = stem[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' || digit == L'\u00b3';
}

UniqueHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                      SECURITY_ATTRIBUTES* security) {
    return UniqueHandle(CreateFileW(SystemPath(path).c_str(), access, share, security, disposition, flags, nullptr));
}

bool IsDiskFile(HANDLE file) { return GetFileType(file) == FILE_TYPE_DISK; }

std::wstring NotDiskFileText() { return L"it is a device, not a file on disk."; }

UniqueHandle OpenDiskFileForReading(const std::wstring& path, std::wstring& failure) {
    failure.clear();
    UniqueHandle file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) {
        failure = System::GetErrorText(GetLastError());
        return file;
    }
    // Reading a serial port or a console waits for input that may never come.
    if (!IsDiskFile(file.Get())) {
        file.Reset();
        failure = NotDiskFileText();
    }
    return file;
}

DWORD ReadFileAttributes(const std::wstring& path) { return GetFileAttributesW(SystemPath(path).c_str()); }

bool ReadFileAttributeData(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data) != FALSE;
}

bool WriteFileAttributes(const std::wstring& path, DWORD attributes) {
    return SetFileAttributesW(SystemPath(path).c_str(), attributes) != FALSE;
}

UniqueFindHandle FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry) {
    return UniqueFindHandle(FindFirstFileW(SystemPath(pattern).c_str(), &entry));
}

bool CopyFileOver(const std::wstring& source, const std::wstring& destination) {
    const std::wstring from = SystemPath(source);
    const std::wstring to = SystemPath(destination);
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

} // namespace Gathrix::Utils
