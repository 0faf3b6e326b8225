#pragma once
// The "FilePropertiesFromRegistryValue" job: one named value of one registry key in one registry
// view (an uninstall entry's "DisplayIcon", a service's "ImagePath") with the properties of the
// files its data names. The value is read once, when the job is made.

#include "collector/result/JobModel.h"
#include "common/Registry.h"

#include <memory>
#include <string>

namespace Gathrix {

class FilePropertiesFromRegistryValue : public ITreeElement {
public:
    // Never throws for a missing key or value: the key then stays unset, the data empty.
    FilePropertiesFromRegistryValue(const std::wstring& keyPath, const std::wstring& valueName,
                                    System::RegistryView view);
    ~FilePropertiesFromRegistryValue() override;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override;
    std::wstring GetValue() const override;

    const std::wstring& GetKeyPath() const { return keyPath; }
    const std::wstring& GetValueName() const { return valueName; }
    const std::wstring& GetData() const { return data; }
    System::RegistryView GetView() const { return view; }
    bool HasKey() const { return key != nullptr; }

private:
    std::wstring keyPath;
    std::wstring valueName;
    std::wstring data;
    std::unique_ptr<System::RegistryKey> key;
    System::RegistryView view;
};

} // namespace Gathrix
