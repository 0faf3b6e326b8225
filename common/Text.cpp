#include "common/Text.h"

#include <windows.h>

#include <map>

namespace Gathrix::Utils {

std::wstring ToLower(const std::wstring& text) {
    if (text.empty())
        return text;
    std::wstring lowered(text);
    // LCMapStringW maps unit by unit for LCMAP_LOWERCASE; a length change would break the
    // position arithmetic of ReplaceAllNoCase, so anything else falls back to single units.
    int written = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                               &lowered[0], static_cast<int>(lowered.size()));
    if (written == static_cast<int>(text.size()))
        return lowered;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t unit = text[i];
        wchar_t lower = unit;
        if (LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, &unit, 1, &lower, 1) != 1)
            lower = unit;
        lowered[i] = lower;
    }
    return lowered;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && ToLower(a) == ToLower(b);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    if (prefix.size() > text.size())
        return false;
    return ToLower(text).compare(0, prefix.size(), ToLower(prefix)) == 0;
}

unsigned ReplaceAll(const std::wstring& search, std::wstring& target, const std::wstring& find,
                    const std::wstring& replacement) {
    if (search.size() != target.size() || find.empty())
        return 0;
    unsigned count = 0;
    std::wstring result;
    result.reserve(target.size());
    size_t copied = 0;
    for (size_t at = search.find(find); at != std::wstring::npos; at = search.find(find, at + find.size())) {
        result.append(target, copied, at - copied);
        result.append(replacement);
        copied = at + find.size();
        ++count;
    }
    result.append(target, copied, std::wstring::npos);
    target.swap(result);
    return count;
}

unsigned ReplaceAllNoCase(std::wstring& text, const std::wstring& find, const std::wstring& replacement) {
    const std::wstring lowered = ToLower(text);
    return ReplaceAll(lowered, text, ToLower(find), replacement);
}

void NormalizeBackslashes(std::wstring& text) {
    // Sizes returned by Windows calls often count the terminating NUL.
    if (!text.empty() && text.back() == L'\0')
        text.pop_back();
    // Repeated until stable: one pass leaves pairs behind in runs of three or more.
    for (;;) {
        unsigned changed = ReplaceAll(text, text, L"/", L"\\");
        changed += ReplaceAll(text, text, L"\\\\", L"\\");
        if (changed == 0)
            break;
    }
}

void NormalizeForwardSlashes(std::wstring& text) {
    NormalizeBackslashes(text);
    for (;;) {
        unsigned changed = ReplaceAll(text, text, L"\\", L"/");
        changed += ReplaceAll(text, text, L"//", L"/");
        if (changed == 0)
            break;
    }
}

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& delimiter) {
    std::vector<std::wstring> pieces;
    if (delimiter.empty()) {
        if (!text.empty())
            pieces.push_back(text);
        return pieces;
    }
    size_t start = 0;
    for (size_t at = text.find(delimiter); at != std::wstring::npos; at = text.find(delimiter, start)) {
        if (at > start)
            pieces.push_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
    if (start < text.size())
        pieces.push_back(text.substr(start));
    return pieces;
}

std::wstring MakeValidFileName(const std::wstring& text) {
    static const std::wstring forbidden = L"<>:\"\\/|?*";
    std::wstring valid;
    valid.reserve(text.size());
    for (wchar_t unit : text) {
        if (unit <= 32 || forbidden.find(unit) != std::wstring::npos)
            continue;
        valid.push_back(unit);
    }
    return valid;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    // Most texts (element and attribute names, type words, paths) are ASCII, which is its own
    // UTF-8: copied without the conversion call that every node of a result file would cost.
    std::string ascii(text.size(), '\0');
    std::size_t index = 0;
    for (; index < text.size() && text[index] < 0x80; ++index)
        ascii[index] = static_cast<char>(text[index]);
    if (index == text.size())
        return ascii;
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], size, nullptr, nullptr);
    return narrow;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

std::wstring EscapeUrlPath(const std::wstring& path) {
    static const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring escaped;
    for (unsigned char byte : ToUtf8(path)) {
        const bool kept = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                          byte == '~' || byte == '/';
        if (byte == '\\') {
            escaped += L'/';
        } else if (kept) {
            escaped += static_cast<wchar_t>(byte);
        } else {
            escaped += L'%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 0x0F];
        }
    }
    return escaped;
}

} // namespace Gathrix::Utils

namespace Gathrix::System {

std::wstring GetErrorText(std::uint32_t errorCode) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        if (buffer != nullptr)
            LocalFree(buffer);
        return L"error code: " + std::to_wstring(errorCode);
    }
    std::wstring text(buffer, length);
    LocalFree(buffer);
    std::wstring folded;
    folded.reserve(text.size());
    for (wchar_t unit : text) {
        if (unit == L'\n')
            folded.push_back(L' ');
        else if (unit != L'\r')
            folded.push_back(unit);
    }
    return folded + L" (error code: " + std::to_wstring(errorCode) + L")";
}

namespace {
struct AccountEntry {
    std::wstring name;
    std::wstring domain;
    bool found = false;
};

// Keyed by the SID's bytes, not its address: event-log readers reuse their record buffers.
std::map<std::wstring, AccountEntry>& AccountCache() {
    static std::map<std::wstring, AccountEntry> cache;
    return cache;
}

std::wstring SidKey(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid))
        return L"<invalid>";
    DWORD length = GetLengthSid(sid);
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    std::wstring key;
    for (DWORD i = 0; i < length; ++i)
        key.push_back(static_cast<wchar_t>(bytes[i]));
    return key;
}
} // namespace

bool LookupAccountBySid(void* sid, std::wstring& accountName, std::wstring& domainName) {
    const std::wstring key = SidKey(sid);
    auto& cache = AccountCache();
    auto hit = cache.find(key);
    if (hit != cache.end()) {
        accountName = hit->second.name;
        domainName = hit->second.domain;
        return hit->second.found;
    }
    accountName.clear();
    domainName.clear();
    AccountEntry entry;
    if (sid != nullptr && IsValidSid(sid)) {
        DWORD nameLength = 15;
        DWORD domainLength = 15;
        std::wstring name(nameLength, L'\0');
        std::wstring domain(domainLength, L'\0');
        SID_NAME_USE use;
        BOOL ok = LookupAccountSidW(nullptr, sid, &name[0], &nameLength, &domain[0], &domainLength, &use);
        if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            name.assign(nameLength, L'\0');
            domain.assign(domainLength, L'\0');
            ok = LookupAccountSidW(nullptr, sid, &name[0], &nameLength, &domain[0], &domainLength, &use);
        }
        if (ok) {
            entry.name = name.c_str();
            entry.domain = domain.c_str();
            entry.found = true;
        }
    }
    cache[key] = entry;
    accountName = entry.name;
    domainName = entry.domain;
    return entry.found;
}

} // namespace Gathrix::System
