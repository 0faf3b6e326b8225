#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"

#include "collector/collectors/files/RegistryFileProperties.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Logging.h"

#include <vector>

namespace Gathrix {

FilePropertiesFromRegistryKey::FilePropertiesFromRegistryKey(const std::wstring& keyPath, System::RegistryView view,
                                                             bool readSubkeys)
    : keyPath(keyPath), readSubkeys(readSubkeys), view(view) {
    try {
        key = std::make_unique<System::RegistryKey>(keyPath, view);
    } catch (const ErrorCodeException&) {
        // The reader made this job because the key existed; one that has gone since writes nothing.
    }
}

FilePropertiesFromRegistryKey::~FilePropertiesFromRegistryKey() = default;

std::wstring FilePropertiesFromRegistryKey::GetType() const {
    if (!key)
        return L"regkey";
    return view == System::View32 ? L"regkey32" : L"regkey64";
}

std::wstring FilePropertiesFromRegistryKey::GetValue() const {
    return key ? key->GetPath() : keyPath;
}

void FilePropertiesFromRegistryKey::Collect() {
    RequireWriter();
    Write();
}

void FilePropertiesFromRegistryKey::Write() {
    if (!key)
        return;
    OpenKeyElement(*key);
    if (readSubkeys)
        WriteSubKeys();
    writer->CloseNode();
}

void FilePropertiesFromRegistryKey::OpenKeyElement(const System::RegistryKey& element) {
    OpenTreeElement(L"true", element.GetView() == System::View32 ? L"regkey32" : L"regkey64", element.GetPath());
    for (const std::wstring& name : element.GetValueNames())
        WriteValue(element, name);
}

namespace {

// A key whose element is open, with the names of its sub-keys and how many of them are written.
struct OpenLevel {
    std::wstring path;
    std::vector<std::wstring> subKeyNames;
    std::size_t written = 0;
};

} // namespace

void FilePropertiesFromRegistryKey::WriteSubKeys() {
    std::vector<OpenLevel> levels;
    levels.push_back({key->GetPath(), key->GetSubKeyNames()});
    while (!levels.empty()) {
        OpenLevel& level = levels.back();
        if (level.written == level.subKeyNames.size()) {
            levels.pop_back();
            // The job's own key is closed by Write.
            if (!levels.empty())
                writer->CloseNode();
            continue;
        }
        const std::wstring path = level.path + L"\\" + level.subKeyNames[level.written++];
        std::unique_ptr<System::RegistryKey> subKey;
        try {
            subKey = std::make_unique<System::RegistryKey>(path, key->GetView(), System::RegistryLinks::OpenItself);
        } catch (const ErrorCodeException&) {
            continue;  // gone since it was listed: nothing to write
        }
        const std::wstring linkTarget = subKey->GetLinkTarget();
        if (!linkTarget.empty()) {
            // Followed, a link can lead back to a key above it, without end.
            TreeElementLeaf leaf(path + L" (link to " + linkTarget + L")", GetType());
            leaf.writer = writer;
            leaf.Collect();
            continue;
        }
        OpenKeyElement(*subKey);
        std::vector<std::wstring> subKeyNames = subKey->GetSubKeyNames();
        if (levels.size() >= MaxSubKeyDepth && !subKeyNames.empty()) {
            Logging::Logger::Instance().Log(Logging::Warning,
                                            L"The registry key '" + path + L"' lies " + std::to_wstring(levels.size()) +
                                                L" levels below '" + key->GetPath() +
                                                L"': its sub-keys are not read.");
            writer->CloseNode();
            continue;
        }
        levels.push_back({path, std::move(subKeyNames)});
    }
}

void FilePropertiesFromRegistryKey::WriteValue(const System::RegistryKey& element, const std::wstring& name) {
    DWORD type = REG_NONE;
    std::wstring data;
    try {
        data = element.GetValue(name, type);
    } catch (const ErrorCodeException&) {
        return;  // the registry access has logged why; the value is left out
    }
    const std::wstring caption = name + L" = " + data;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK:
    case REG_MULTI_SZ:
        OpenTreeElement(L"false", L"regszvalue", caption);
        WriteFilePropertiesNamedBy(data, writer);
        writer->CloseNode();
        break;
    default: {
        TreeElementLeaf leaf(caption, L"regbinvalue");
        leaf.writer = writer;
        leaf.Collect();
        break;
    }
    }
}

} // namespace Gathrix
