#include "collector/collectors/files/FilePropertiesFromRegistryValue.h"

#include "collector/collectors/files/RegistryFileProperties.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"

namespace Gathrix {

FilePropertiesFromRegistryValue::FilePropertiesFromRegistryValue(const std::wstring& keyPath,
                                                                 const std::wstring& valueName,
                                                                 System::RegistryView view)
    : keyPath(keyPath), valueName(valueName), view(view) {
    try {
        key = std::make_unique<System::RegistryKey>(keyPath, view);
        try {
            DWORD type = REG_NONE;
            data = key->GetValue(valueName, type);
        } catch (const ErrorCodeException&) {
            // Logged by the registry access; the element then shows the value without data.
        }
    } catch (const ErrorCodeException&) {
    }
}

FilePropertiesFromRegistryValue::~FilePropertiesFromRegistryValue() = default;

std::wstring FilePropertiesFromRegistryValue::GetType() const {
    if (!key)
        return L"regkeywithvalue";
    return view == System::View32 ? L"regkeywithvalue32" : L"regkeywithvalue64";
}

std::wstring FilePropertiesFromRegistryValue::GetValue() const {
    if (!key)
        return keyPath + L"\\" + valueName;
    std::wstring caption = key->GetPath() + L"\\" + valueName;
    if (!data.empty())
        caption += L" = " + data;
    return caption;
}

void FilePropertiesFromRegistryValue::Collect() {
    OpenTreeElement(L"false", GetType(), GetValue());
    if (key && !data.empty())
        WriteFilePropertiesNamedBy(data, writer);
    writer->CloseNode();
}

} // namespace Gathrix
