#pragma once
// The "FilePropertiesFromRegistryKey" job: the values of one registry key in one registry view,
// each text value with the properties of the files it names (Run entries, shell extensions,
// services' images), and on request every sub-key the same way, nested inside its parent.
// A sub-key that is a registry link is not followed: it is written as a leaf naming its target.
// The walk keeps its own list of open levels, so no depth of keys can exhaust the stack. It stops
// MaxSubKeyDepth levels below the job's key, with a WARNING: no real registry goes that deep, and
// deeper the result file would nest past the 256 levels that XML readers such as MSXML (and so
// the report) accept.

#include "collector/result/JobModel.h"
#include "common/Registry.h"

#include <cstddef>
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

    // Writes the whole element with its sub-keys inside it.
    virtual void Write();

    static constexpr std::size_t MaxSubKeyDepth = 200;

    const std::wstring& GetKeyPath() const { return keyPath; }
    System::RegistryView GetView() const { return view; }
    bool GetReadSubkeys() const { return readSubkeys; }
    bool HasKey() const { return key != nullptr; }

private:
    // Opens the key's element and writes its values; the caller closes it.
    void OpenKeyElement(const System::RegistryKey& element);
    void WriteValue(const System::RegistryKey& element, const std::wstring& name);
    void WriteSubKeys();

    std::unique_ptr<System::RegistryKey> key;
    std::wstring keyPath;
    bool readSubkeys;
    System::RegistryView view;
};

} // namespace Gathrix
