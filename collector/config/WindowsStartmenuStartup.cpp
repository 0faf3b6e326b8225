#include "collector/config/WindowsStartmenuStartup.h"

#include "collector/collectors/files/FileInfosFromDirectory.h"
#include "common/Text.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>

namespace Gathrix::ConfigParsing {

namespace {

bool ShellFolder(int csidl, std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE))
        return false;
    path = buffer;
    return true;
}

WindowsStartmenuStartup::FolderLookup folderLookup = &ShellFolder;

// The folder and, when it was named and differs, its alternate.
void AddWithAlternate(int csidl, int alternateCsidl, std::vector<std::wstring>& folders) {
    std::wstring folder, alternate;
    const bool named = folderLookup(csidl, folder);
    if (named)
        folders.push_back(folder);
    if (folderLookup(alternateCsidl, alternate) && named && !Utils::EqualsNoCase(folder, alternate))
        folders.push_back(alternate);
}

} // namespace

DelegateMap WindowsStartmenuStartup::GetDelegates() {
    DelegateMap delegates;
    delegates["WindowsStartmenuStartup"] = MakeJobItemsDelegate(
        this, &WindowsStartmenuStartup::ValidateNoChildElements, &WindowsStartmenuStartup::ParseToJobItems);
    return delegates;
}

void WindowsStartmenuStartup::SetFolderLookup(FolderLookup lookup) {
    folderLookup = lookup != nullptr ? lookup : &ShellFolder;
}

std::vector<std::wstring> WindowsStartmenuStartup::GetStartupFolders() {
    std::vector<std::wstring> folders;
    AddWithAlternate(CSIDL_STARTUP, CSIDL_ALTSTARTUP, folders);
    AddWithAlternate(CSIDL_COMMON_STARTUP, CSIDL_COMMON_ALTSTARTUP, folders);
    return folders;
}

void WindowsStartmenuStartup::ParseToJobItems(const TiXmlElement* /*element*/, IJobItemContainer& container,
                                              const std::string& /*name*/) {
    for (const auto& folder : GetStartupFolders())
        container.AddJobItem(std::make_unique<FileInfosFromDirectory>(folder).release());
}

} // namespace Gathrix::ConfigParsing
