#pragma once
// The modes the wizard offers: the mode configuration files of a folder that carry a display name
// in the language of the loaded resource library.

#include <string>
#include <vector>

namespace WizardDialog {

struct ModeEntry {
    std::wstring displayName;
    std::wstring path;  // ".\" and the file name, as the collector's "-s" gets it
};

// True when the file's root element has "Mode" as its first child element and a "Name" child of
// "Mode" has the attribute "lang" equal to `languageCode` (exactly, case included) and a text
// that is not empty nor blanks alone; the first such "Name" gives the display name. The file is
// opened by its wide path.
bool ReadModeName(const std::wstring& modeFilePath, const std::wstring& languageCode, std::wstring& displayName);

// Every "*.xml" file (no folder) of `folder` with a display name in `languageCode`, sorted by
// path in UTF-16 code-unit order. The paths are ".\" and the file name; the files are read from
// `folder` (empty: the current folder).
std::vector<ModeEntry> FindModes(const std::wstring& folder, const std::wstring& languageCode);

} // namespace WizardDialog
