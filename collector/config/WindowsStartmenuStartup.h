#pragma once
// The "WindowsStartmenuStartup" job element (attributes ignored, no child element): one
// folder file-information job per start-up folder the shell names, in this order: the user's
// start-up folder, the user's alternate one (only when the first was named and the two differ,
// case ignored), the common start-up folder, the common alternate one (likewise).

#include "collector/config/IConfigPartParser.h"

#include <string>
#include <vector>

namespace Gathrix::ConfigParsing {

class WindowsStartmenuStartup : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;

    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);

    // The start-up folders as the shell names them, in the order above, equal alternates left out.
    static std::vector<std::wstring> GetStartupFolders();

    // How a special folder is looked up: true and its path when the shell names the folder of
    // the CSIDL. Null restores the shell's own lookup (SHGetSpecialFolderPathW, no creation).
    // Tests give all four folders through it (Wine names no alternate start-up folder).
    using FolderLookup = bool (*)(int csidl, std::wstring& path);
    static void SetFolderLookup(FolderLookup lookup);
};

} // namespace Gathrix::ConfigParsing
