#include "wizard/ModeList.h"

#include "common/Handles.h"
#include "common/Text.h"

#include <tinyxml.h>

#include <cstdio>

#include <algorithm>
#include <memory>

namespace WizardDialog {

namespace {
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool HasLanguage(const TiXmlElement* name, const std::string& code) {
    for (const TiXmlAttribute* attribute = name->FirstAttribute(); attribute != nullptr; attribute = attribute->Next()) {
        if (attribute->NameTStr() == "lang" && attribute->ValueStr() == code)
            return true;
    }
    return false;
}
} // namespace

bool ReadModeName(const std::wstring& modeFilePath, const std::wstring& languageCode, std::wstring& displayName) {
    // The C runtime's narrow paths go through the ANSI code page: open by the wide path.
    std::unique_ptr<FILE, FileCloser> file(_wfopen(modeFilePath.c_str(), L"rb"));
    if (!file)
        return false;
    TiXmlDocument document;
    if (!document.LoadFile(file.get()))
        return false;
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
        return false;
    const TiXmlElement* mode = root->FirstChildElement();
    if (mode == nullptr || mode->ValueStr() != "Mode")
        return false;
    const std::string code = Gathrix::Utils::ToUtf8(languageCode);
    for (const TiXmlElement* child = mode->FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        if (child->ValueStr() != "Name" || !HasLanguage(child, code))
            continue;
        // A name without text, or of blanks alone, would be a blank entry the user cannot tell
        // apart: it is passed over.
        const TiXmlNode* first = child->FirstChild();
        const TiXmlText* text = first != nullptr ? first->ToText() : nullptr;
        if (text == nullptr || text->ValueStr().find_first_not_of(" \t\r\n") == std::string::npos)
            continue;
        displayName = Gathrix::Utils::FromUtf8(text->ValueStr());
        return true;
    }
    return false;
}

std::vector<ModeEntry> FindModes(const std::wstring& folder, const std::wstring& languageCode) {
    std::vector<ModeEntry> modes;
    const std::wstring prefix = folder.empty() ? L".\\" : folder + L"\\";
    WIN32_FIND_DATAW data;
    Gathrix::UniqueFindHandle find(FindFirstFileW((prefix + L"*.xml").c_str(), &data));
    if (!find)
        return modes;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring displayName;
        if (ReadModeName(prefix + data.cFileName, languageCode, displayName))
            modes.push_back({displayName, std::wstring(L".\\") + data.cFileName});
    } while (FindNextFileW(find.Get(), &data));
    // std::wstring compares code unit by code unit, a prefix first.
    std::sort(modes.begin(), modes.end(),
              [](const ModeEntry& a, const ModeEntry& b) { return a.path < b.path; });
    return modes;
}

} // namespace WizardDialog
