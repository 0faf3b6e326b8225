#include "collector/collectors/files/FilePropertiesFromRegistryKey.h"

#include "collector/collectors/files/RegistryFileProperties.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"

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
    OpenTreeElement(L"true", key->GetView() == System::View32 ? L"regkey32" : L"regkey64", key->GetPath());

    for (const std::wstring& name : key->GetValueNames())
        WriteValue(name);

    if (readSubkeys) {
        for (const std::wstring& subKeyPath : key->GetSubKeyPaths()) {
            FilePropertiesFromRegistryKey subKey(subKeyPath, key->GetView(), readSubkeys);
            subKey.writer = writer;
            subKey.Write();
        }
    }

    writer->CloseNode();
}

void FilePropertiesFromRegistryKey::WriteValue(const std::wstring& name) {
    DWORD type = REG_NONE;
    std::wstring data;
    try {
        data = key->GetValue(name, type);
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
