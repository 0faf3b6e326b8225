#include "collector/platform/Variables.h"

#include "collector/platform/SystemFolderFunctions.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>

namespace Gathrix::System {

Variables::Variables() {
    ReadEnvironment();

    DWORD length = 0;
    System::GetProfilesDirectoryW(nullptr, &length);
    if (length > 0) {
        std::wstring folder(length, L'\0');
        if (System::GetProfilesDirectoryW(&folder[0], &length)) {
            folder.resize(wcsnlen(folder.c_str(), folder.size()));
            Utils::NormalizeBackslashes(folder);
            AddVariable(L"ProfilesRootDirectory", folder);
        }
    }
}

void Variables::ReadEnvironment() {
    wchar_t* block = GetEnvironmentStringsW();
    if (block == nullptr)
        return;
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        // The name ends at the first "=" after its first character: the hidden per-drive
        // entries ("=C:=C:\work") begin with one, and values may hold further ones.
        size_t separator = text.find(L'=', 1);
        if (separator == std::wstring::npos)
            continue;
        environmentVariables.emplace(L"%" + text.substr(0, separator) + L"%", text.substr(separator + 1));
    }
    FreeEnvironmentStringsW(block);
}

void Variables::AddVariable(const std::wstring& name, const std::wstring& value) {
    programVariables.emplace(L"|?" + name + L"?|", value);
}

std::vector<std::wstring> Variables::AddProgramFilesVariants(const std::wstring& text) {
    std::vector<std::wstring> candidates{text};
    std::wstring twin = text;
    unsigned replaced = Utils::ReplaceAllNoCase(twin, L"%CommonProgramFiles%", L"%CommonProgramW6432%");
    replaced += Utils::ReplaceAllNoCase(twin, L"%Programfiles%", L"%ProgramW6432%");
    if (replaced > 0)
        candidates.push_back(twin);
    return candidates;
}

std::vector<std::wstring> Variables::Expand(const std::wstring& text) {
    std::vector<std::wstring> candidates = AddProgramFilesVariants(text);
    for (std::wstring& candidate : candidates) {
        // Every name is written between its markers: a text without them (any more) has nothing
        // left to expand, and the search of every name would cost a case-blind comparison each.
        for (const auto& [key, value] : environmentVariables) {
            if (candidate.find(L'%') == std::wstring::npos)
                break;
            Utils::ReplaceAllNoCase(candidate, key, value);
        }
        for (const auto& [key, value] : programVariables) {
            if (candidate.find(L"|?") == std::wstring::npos)
                break;
            Utils::ReplaceAllNoCase(candidate, key, value);
        }
    }
    return candidates;
}

std::wstring Variables::ExpandDirectory(const std::wstring& text) {
    if (text.empty())
        return std::wstring();
    std::vector<std::wstring> candidates = Expand(text);
    std::wstring result;
    if (candidates.size() == 1) {
        result = candidates.front() + L"\\";
        Utils::NormalizeBackslashes(result);
    } else {
        if (text.find(L'|') == 0)
            Logging::Logger::Instance().Log(Logging::Error, L"Variable in directory: " + text + L" not unique");
        result = text;
    }
    return result == text ? std::wstring() : result;
}

std::vector<std::wstring> Variables::GetPathDirectories() {
    if (pathDirectoriesRead)
        return pathDirectories;
    pathDirectoriesRead = true;

    DWORD length = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring value;
    bool read = false;
    if (length > 0) {
        value.assign(length, L'\0');
        read = GetEnvironmentVariableW(L"PATH", &value[0], length) == length - 1;
        value.resize(length - 1);
    }
    if (!read) {
        const std::wstring reason = GetErrorText(GetLastError());
        Logging::Logger::Instance().Log(Logging::Error, L"Cannot expand environment variable '%PATH%': " + reason);
        return pathDirectories;
    }
    size_t start = 0;
    for (size_t end = value.find(L';'); end != std::wstring::npos; end = value.find(L';', start)) {
        pathDirectories.push_back(value.substr(start, end - start));
        start = end + 1;
    }
    if (start < value.size())
        pathDirectories.push_back(value.substr(start));
    return pathDirectories;
}

} // namespace Gathrix::System
