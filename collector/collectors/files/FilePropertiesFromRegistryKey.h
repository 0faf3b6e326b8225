#pragma once
// The "FilePropertiesFromRegistryKey" job: the values of one registry key in one registry view,
// each text value with the properties of the files it names (Run entries, shell extensions,
// services' images), and on request every sub-key the same way, nested inside its parent.

#include "collector/result/JobModel.h"
#include "common/Registry.h"

#include <memory>
#include <string>

namespace Gathrix {

class FilePropertiesFromRegistryKey : public ITreeElement {
public:
    // Opens the key; a key missing in this view leaves the job without one (it then writes nothing).
    FilePropertiesFromRegistryKey(const std::wstring& keyPath, System::RegistryView view, bool readSubkeys);
    ~FilePropertiesFromRegistryKey() override;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override;
    std::wstring GetValue() const override;

    // Writes the whole element; also how each sub-key is written inside its parent.
    virtual void Write();

    const std::wstring& GetKeyPath() const { return keyPath; }
    System::RegistryView GetView() const { return view; }
    bool GetReadSubkeys() const { return readSubkeys; }
    bool HasKey() const { return key != nullptr; }

private:
    void WriteValue(const std::wstring& name);

    std::unique_ptr<System::RegistryKey> key;
    std::wstring keyPath;
    bool readSubkeys;
    System::RegistryView view;
};

} // namespace Gathrix
