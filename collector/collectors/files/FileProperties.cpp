#include "collector/collectors/files/FileProperties.h"

#include "collector/collectors/files/PathCandidate.h"
#include "collector/platform/FileAccess.h"
#include "collector/platform/Md5.h"
#include "collector/platform/SystemFolderFunctions.h"
#include "collector/platform/Variables.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace Gathrix {

namespace {

using Logging::Logger;

struct VersionStringKey {
    const wchar_t* key;
    const wchar_t* label;
};

const VersionStringKey versionStringKeys[12] = {
    {L"Comments", L"Comments"},
    {L"InternalName", L"internal name"},
    {L"ProductName", L"product name"},
    {L"CompanyName", L"company"},
    {L"LegalCopyright", L"copyright"},
    {L"ProductVersion", L"product version (localized)"},
    {L"FileDescription", L"description"},
    {L"LegalTrademarks", L"trademarks"},
    {L"PrivateBuild", L"private build"},
    {L"FileVersion", L"file version localized"},
    {L"OriginalFilename", L"original filename"},
    {L"SpecialBuild", L"special build"},
};

const wchar_t* const notValidText = L"The specified name does not exist or the specified resource is not valid.";

std::wstring Hex4(unsigned value) {
    wchar_t text[5];
    std::swprintf(text, 5, L"%04x", value & 0xFFFF);
    return text;
}

std::wstring LetterString(std::initializer_list<std::pair<const FileAttributeFlag*, wchar_t>> flags) {
    std::wstring text = L"[";
    for (const auto& [flag, letter] : flags)
        text += flag->value ? letter : L'-';
    return text + L"]";
}

bool AllSet(std::initializer_list<const FileAttributeFlag*> flags) {
    for (const auto* flag : flags)
        if (!flag->isSet)
            return false;
    return true;
}

void SetFlag(FileAttributeFlag& flag, const wchar_t* name, bool value) {
    flag.value = value;
    flag.name = name;
    flag.isSet = true;
}

// What the version-string query of one key yields.
enum class StringQuery { Text, Absent, Unterminated };

// The text of a version string, up to its NUL. The NUL must lie within the length the resource
// gives (one past it is allowed: some resource compilers leave the NUL out of the count) and
// inside the buffer; a string without one is not read past that.
StringQuery QueryVersionString(const std::vector<unsigned char>& buffer, WORD languageId, WORD codePage,
                               const wchar_t* key, std::wstring& text) {
    std::wstring subBlock = L"\\StringFileInfo\\" + Hex4(languageId) + Hex4(codePage) + L"\\" + key;
    void* value = nullptr;
    UINT length = 0;
    text.clear();
    if (!System::VerQueryValueW(buffer.data(), subBlock.c_str(), &value, &length) || value == nullptr || length == 0)
        return StringQuery::Absent;
    const auto* begin = static_cast<const unsigned char*>(value);
    const unsigned char* end = buffer.data() + buffer.size();
    if (begin < buffer.data() || begin >= end)
        return StringQuery::Unterminated;
    std::size_t available = static_cast<std::size_t>(end - begin) / sizeof(wchar_t);
    std::size_t window = std::min<std::size_t>(static_cast<std::size_t>(length) + 1, available);
    const auto* characters = static_cast<const wchar_t*>(value);
    for (std::size_t i = 0; i < window; ++i) {
        if (characters[i] == L'\0') {
            text.assign(characters, i);
            return StringQuery::Text;
        }
    }
    return StringQuery::Unterminated;
}

// Version resources live only in executable images (which begin with "MZ", the 16-bit and
// virtual-device formats too) and in files compressed for setup ("SZDD", which the version
// functions expand). Asking the system about any other file costs a module load that finds
// nothing, many times the cost of the file's digest.
bool HeaderMayHoldVersion(const unsigned char header[4], std::size_t length) {
    if (length >= 2 && header[0] == 'M' && header[1] == 'Z')
        return true;
    return length >= 4 && std::memcmp(header, "SZDD", 4) == 0;
}

} // namespace

FileProperties::FileProperties(const std::wstring& path, const std::wstring& basePath)
    : dateCreated{DateTime::NowUtc(), L"", false},
      dateLastModified(dateCreated),
      dateLastAccess(dateCreated),
      path(path),
      basePath(basePath) {
    ReadAttributes();
    ReadVersionInfo();
}

void FileProperties::ReadDigest() {
    md5 = TextProperty{L"", L"MD5", false};
    std::wstring failure;
    UniqueHandle file = Utils::OpenDiskFileForReading(path, failure);
    if (!file) {
        if (failure == Utils::NotDiskFileText()) {
            // No digest, dates or version resource: what the path opens is no file on disk.
            readFailure = L"Cannot read file '" + path + L"': " + failure;
            knownWithoutVersion = true;
            Logger::Instance().Log(Logging::Warning, readFailure);
        }
        return;
    }
    // Read piece by piece, so memory does not grow with the file.
    Utils::Md5Context context;
    std::vector<unsigned char> buffer(64 * 1024);
    unsigned char header[4] = {};
    std::size_t total = 0;
    DWORD read = 0;
    BOOL readOk;
    while ((readOk = ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) &&
           read > 0) {
        if (total == 0)
            std::memcpy(header, buffer.data(), std::min<std::size_t>(read, sizeof header));
        total += read;
        Utils::Md5Update(&context, buffer.data(), static_cast<std::uint32_t>(read));
    }
    unsigned char digest[16];
    Utils::Md5Final(digest, &context);
    if (!readOk) {
        // The digest of what came before the failure would pass for the file's own.
        const DWORD error = GetLastError();
        Logger::Instance().Log(Logging::Warning, L"Cannot compute the MD5 digest of file '" + path +
                                                     L"': reading it failed: " + System::GetErrorText(error));
        return;
    }
    knownWithoutVersion = !HeaderMayHoldVersion(header, total);

    std::wstring text;
    wchar_t pair[3];
    for (unsigned char byte : digest) {
        std::swprintf(pair, 3, L"%02X", byte);
        text += pair;
    }
    md5.value = text;
    md5.isSet = !text.empty();
}

void FileProperties::ReadAttributes() {
    if (attributesRead)
        return;
    attributesRead = true;

    ReadDigest();
    if (!readFailure.empty())
        return;

    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Utils::ReadFileAttributeData(path, data)) {
        DWORD error = GetLastError();
        Logger::Instance().Log(Logging::Warning, L"Cannot get file attributes from file '" + path + L"': " +
                                                     System::GetErrorText(error));
        return;
    }
    SetDateProperty(data.ftCreationTime, L"date created", dateCreated, path);
    SetDateProperty(data.ftLastAccessTime, L"date last access", dateLastAccess, path);
    SetDateProperty(data.ftLastWriteTime, L"date last modified", dateLastModified, path);

    attributeFlags.Read(data.dwFileAttributes);
}

void AttributeFlags::Read(DWORD bits) {
    SetFlag(readOnly, L"read only", bits & FILE_ATTRIBUTE_READONLY);
    SetFlag(archive, L"archive", bits & FILE_ATTRIBUTE_ARCHIVE);
    SetFlag(hidden, L"hidden", bits & FILE_ATTRIBUTE_HIDDEN);
    SetFlag(system, L"system", bits & FILE_ATTRIBUTE_SYSTEM);
    SetFlag(encrypted, L"encrypted", bits & FILE_ATTRIBUTE_ENCRYPTED);
    SetFlag(compressed, L"compressed", bits & FILE_ATTRIBUTE_COMPRESSED);
    SetFlag(indexed, L"indexed", (bits & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) == 0);
    SetFlag(symbolicLink, L"symbolic link", bits & FILE_ATTRIBUTE_REPARSE_POINT);
    SetFlag(offline, L"offline", bits & FILE_ATTRIBUTE_OFFLINE);
    SetFlag(sparseFile, L"sparse file", bits & FILE_ATTRIBUTE_SPARSE_FILE);
    SetFlag(temporary, L"temporary", bits & FILE_ATTRIBUTE_TEMPORARY);
}

void AttributeFlags::AddProperties(PropertyList& list) const {
    if (AllSet({&readOnly, &archive, &hidden, &system}))
        list.emplace_back(L"attributes", LetterString({{&readOnly, L'R'}, {&archive, L'A'}, {&hidden, L'H'},
                                                       {&system, L'S'}}));
    if (AllSet({&encrypted, &compressed, &indexed, &symbolicLink, &offline, &sparseFile, &temporary}))
        list.emplace_back(L"extended attributes",
                          LetterString({{&encrypted, L'E'}, {&compressed, L'C'}, {&indexed, L'I'},
                                        {&symbolicLink, L'L'}, {&offline, L'O'}, {&sparseFile, L'P'},
                                        {&temporary, L'T'}}));
}

void FileProperties::SetDateProperty(const FILETIME& time, const std::wstring& label, DateProperty& property,
                                     const std::wstring& path, const std::wstring& kind) {
    if (time.dwHighDateTime == 0 || time.dwLowDateTime == 0)
        return;
    try {
        property.value = DateTime(time, DateTime::Utc);
    } catch (const MessageException& refused) {
        // One odd time stamp must not cost the file's other properties, nor the job's other files.
        Logger::Instance().Log(Logging::Warning,
                               L"Cannot read the " + label + L" of " + kind + L" '" + path + L"': " +
                                   refused.GetMessageText());
        return;
    }
    property.name = label;
    property.isSet = true;
}

void FileProperties::ReadVersionInfo() {
    if (versionInfoRead)
        return;
    versionInfoRead = true;
    if (knownWithoutVersion)
        return;

    // The version functions open the file themselves: through the extended form too.
    const std::wstring systemPath = Utils::SystemPath(path);
    DWORD handle = 0;
    DWORD size = System::GetFileVersionInfoSizeW(systemPath.c_str(), &handle);
    if (size == 0) {
        DWORD error = GetLastError();
        if (error != ERROR_RESOURCE_DATA_NOT_FOUND && error != ERROR_RESOURCE_TYPE_NOT_FOUND)
            Logger::Instance().Log(Logging::Error, L"Cannot read file version info from file '" + path + L"': " +
                                                       System::GetErrorText(error));
        return;
    }
    std::vector<unsigned char> buffer(size, 0);
    if (!System::GetFileVersionInfoW(systemPath.c_str(), 0, size, buffer.data())) {
        DWORD error = GetLastError();
        Logger::Instance().Log(Logging::Error, L"Cannot read file version info from file '" + path + L"': " +
                                                   System::GetErrorText(error));
        return;
    }

    void* value = nullptr;
    UINT length = 0;
    if (!System::VerQueryValueW(buffer.data(), L"\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        Logger::Instance().Log(Logging::Error, L"Cannot retrieve specified version information from file '" + path +
                                                   L"': " + notValidText);
        return;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    fileVersion = VersionProperty{Version(fixed->dwFileVersionMS, fixed->dwFileVersionLS), L"file version", true};
    productVersion =
        VersionProperty{Version(fixed->dwProductVersionMS, fixed->dwProductVersionLS), L"product version", true};

    if (!System::VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &value, &length) || value == nullptr)
        return;
    if (length < 2 * sizeof(WORD)) {
        Logger::Instance().Log(Logging::Warning, L"Cannot read the version strings of file '" + path +
                                                     L"': its translation table holds no complete entry.");
        return;
    }
    const auto* translation = static_cast<const WORD*>(value);
    const WORD languageId = translation[0];
    const WORD codePage = translation[1];

    for (int i = 0; i < 12; ++i) {
        std::wstring text;
        if (QueryVersionString(buffer, languageId, codePage, versionStringKeys[i].key, text) ==
            StringQuery::Unterminated) {
            Logger::Instance().Log(Logging::Warning, L"Cannot read the version string '" +
                                                         std::wstring(versionStringKeys[i].key) + L"' of file '" +
                                                         path + L"': it is not terminated.");
            continue;
        }
        versionStrings[i] = TextProperty{text, versionStringKeys[i].label, true};
    }

    int needed = GetLocaleInfoW(languageId, LOCALE_SENGLANGUAGE, nullptr, 0);
    if (needed <= 0)
        return;
    std::vector<wchar_t> name(static_cast<std::size_t>(needed), L'\0');
    if (GetLocaleInfoW(languageId, LOCALE_SENGLANGUAGE, name.data(), needed) <= 0)
        return;
    language = TextProperty{std::wstring(name.data()), L"language", true};
}

std::wstring FileProperties::GetCaption() const {
    std::wstring caption = path;
    std::wstring folder = System::Variables::Instance().ExpandDirectory(basePath);
    if (!folder.empty()) {
        Utils::NormalizeBackslashes(folder);
        Utils::ReplaceAllNoCase(caption, folder, L"");
    }
    return caption;
}

PropertyList FileProperties::GetBasicProperties() const {
    PropertyList list;
    for (const DateProperty* date : {&dateCreated, &dateLastModified, &dateLastAccess})
        if (date->isSet)
            list.emplace_back(date->name, date->value.ToString());
    attributeFlags.AddProperties(list);
    if (md5.isSet)
        list.emplace_back(md5.name, md5.value);
    return list;
}

PropertyList FileProperties::GetVersionProperties() const {
    PropertyList list;
    for (const VersionProperty* version : {&fileVersion, &productVersion}) {
        if (!version->isSet)
            continue;
        std::wstring text = version->value.ToString();
        if (!text.empty())
            list.emplace_back(version->name, text);
    }
    for (const auto& text : versionStrings)
        if (text.isSet && !text.value.empty())
            list.emplace_back(text.name, text.value);
    if (language.isSet && !language.value.empty())
        list.emplace_back(language.name, language.value);
    return list;
}

void FileProperties::GetChildren(std::vector<ITreeElement*>& children) const {
    if (!readFailure.empty())
        children.push_back(new TreeElementLeaf(readFailure, L"lvlerror"));
    for (const auto& list : {GetBasicProperties(), GetVersionProperties()})
        for (const auto& [label, value] : list)
            children.push_back(new TreeElementLeaf(label + L": " + value, L"fileinfo"));
}

void FileProperties::Write() {
    OpenTreeElement(GetShowNumOfChildren(), GetType(), GetValue());

    if (!readFailure.empty()) {
        TreeElementLeaf leaf(readFailure, L"lvlerror");
        leaf.writer = writer;
        leaf.Collect();
    }
    for (const auto& [label, value] : GetBasicProperties())
        WriteProperty(label, value);
    WriteProperty(fileVersion.name, fileVersion.value.ToString());
    WriteProperty(productVersion.name, productVersion.value.ToString());
    for (const auto& text : versionStrings)
        WriteProperty(text.name, text.value);
    WriteProperty(language.name, language.value);

    writer->CloseNode();
}

void FileProperties::WriteProperty(const std::wstring& label, const std::wstring& value) {
    if (!label.empty() && !value.empty())
        WriteInfoLeaf(*this, label + L": " + value);
}

void FileProperties::WriteInfoLeaf(ITreeElement& element, const std::wstring& text) {
    ResultFileWriter* target = element.writer;
    if (target == nullptr)
        throw MessageException(L"Result file writer not initialized");
    target->OpenNode(L"TreeElement");
    target->AddAttribute(L"showNumOfChildren", L"false");
    target->AddAttribute(L"type", L"fileinfo");
    target->OpenNodeWithText(L"Value", text);
    target->CloseNode();
    target->CloseNode();
}

std::vector<FileProperties*> FileProperties::CreateForPath(const std::wstring& pathText,
                                                           const std::wstring& basePath) {
    std::vector<std::unique_ptr<FileProperties>> owned;
    for (auto& candidate : ResolvePathCandidates(pathText)) {
        candidate.EnterView();
        std::wstring failure;
        if (Utils::OpenDiskFileForReading(candidate.GetPath(), failure))
            owned.push_back(std::make_unique<FileProperties>(candidate.GetPath(), basePath));
        candidate.LeaveView();
    }
    std::vector<FileProperties*> result;
    for (auto& object : owned)
        result.push_back(object.release());
    return result;
}

std::vector<std::wstring> FileProperties::FindMatchingFiles(const std::wstring& wildcardPath) {
    std::vector<std::wstring> files;
    const std::size_t lastSeparator = wildcardPath.rfind(L'\\');
    if (wildcardPath.empty() || lastSeparator == std::wstring::npos)
        return files;
    const std::wstring folderPart = wildcardPath.substr(0, lastSeparator);
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search = Utils::FindFirst(wildcardPath, entry);
    if (!search)
        return files;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            files.push_back(folderPart + L"\\" + entry.cFileName);
    } while (FindNextFileW(search.Get(), &entry));
    return files;
}

} // namespace Gathrix
