#pragma once
// The "ComObjects" jobs: the COM classes whose ids one registry key lists (shell extensions,
// browser helpers, overlay handlers), each with its description, its in-process server and that
// file's properties, in one registry view.

#include "collector/result/JobModel.h"
#include "common/Registry.h"

#include <cstdint>
#include <string>

namespace Gathrix {

// One class: written only when "HKEY_CLASSES_ROOT\CLSID\<clsid>" has an "InProcServer32" key.
class ComObject : public ITreeElement {
public:
    ComObject(const std::wstring& clsid, System::RegistryView view);

    // Throws ComObjectException, before writing anything, when the class or its in-process
    // server is not registered in this view. A registration that exists but can't be read is
    // written as a leaf that says why.
    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override { return L"cogwheel"; }
    // Description (or "(no description available)"), ": ", server, " (CLSID = ", clsid, ")".
    std::wstring GetValue() const override;

    const std::wstring& GetClsid() const { return clsid; }
    const std::wstring& GetDescription() const { return description; }
    const std::wstring& GetServer() const { return server; }

private:
    std::wstring clsid;
    std::wstring description;
    std::wstring server;
    System::RegistryView view;
};

class ComObjectList : public ITreeElement {
public:
    // Where the key lists its class ids.
    enum ClsidSource : std::int32_t {
        ValueNames = 0,          // the names of its values
        SubkeyNames = 1,         // the names of its direct sub-keys
        ClsidValuesOfSubkeys = 2 // the value "CLSID" of each direct sub-key
    };

    // The key is used as written and opened only when the job collects.
    ComObjectList(const std::wstring& keyPath, ClsidSource clsidSource, System::RegistryView view);

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return view == System::View32 ? L"cogwheel32" : L"cogwheel64"; }
    std::wstring GetValue() const override { return keyPath; }

    const std::wstring& GetKeyPath() const { return keyPath; }
    ClsidSource GetClsidSource() const { return clsidSource; }
    System::RegistryView GetView() const { return view; }

private:
    void CollectListed(const System::RegistryKey& list);
    void CollectClass(const std::wstring& clsid);

    ClsidSource clsidSource;
    std::wstring keyPath;
    System::RegistryView view;
};

} // namespace Gathrix
