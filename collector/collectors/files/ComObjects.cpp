#include "collector/collectors/files/ComObjects.h"

#include "collector/collectors/files/RegistryFileProperties.h"
#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <memory>

namespace Gathrix {

namespace {

// The answers that mean "no such key or value": the class is simply not registered there.
bool IsNotRegistered(std::uint32_t errorCode) {
    return errorCode == ERROR_FILE_NOT_FOUND || errorCode == ERROR_PATH_NOT_FOUND;
}

// A class registration that exists but can't be read (its key denies reading) is still worth a
// line in the report: the leaf names the key and the reason, and the list goes on.
void WriteUnreadable(ResultFileWriter* writer, const std::wstring& keyPath, std::uint32_t errorCode) {
    const std::wstring text = L"Cannot read COM object " + keyPath + L": " + System::GetErrorText(errorCode);
    Logging::Logger::Instance().Log(Logging::Warning, text);
    TreeElementLeaf leaf(text, L"cogwheel");
    leaf.writer = writer;
    leaf.Collect();
}

} // namespace

// ---------------------------------------------------------------- one class

ComObject::ComObject(const std::wstring& clsid, System::RegistryView view) : clsid(clsid), view(view) {}

std::wstring ComObject::GetValue() const {
    return (description.empty() ? std::wstring(L"(no description available)") : description) + L": " + server +
           L" (CLSID = " + clsid + L")";
}

void ComObject::Collect() {
    RequireWriter();
    const std::wstring classKeyPath = L"HKEY_CLASSES_ROOT\\CLSID\\" + clsid;
    const std::wstring serverKeyPath = classKeyPath + L"\\InProcServer32";
    std::wstring reading = serverKeyPath;
    try {
        System::RegistryKey serverKey(serverKeyPath, view);
        reading = classKeyPath;
        System::RegistryKey classKey(classKeyPath, view);
        DWORD type = REG_NONE;
        try {
            description = classKey.GetValue(L"", type);
        } catch (const ErrorCodeException&) {
            description.clear();
        }
        reading = serverKeyPath;
        server = serverKey.GetValue(L"", type);
    } catch (const ErrorCodeException& e) {
        if (IsNotRegistered(e.GetErrorCode()))
            throw ComObjectException(classKeyPath);
        WriteUnreadable(writer, reading, e.GetErrorCode());
        return;
    }

    OpenTreeElement(L"false", L"cogwheel", GetValue());
    WriteFilePropertiesNamedBy(server, writer);
    writer->CloseNode();
}

// ---------------------------------------------------------------- the list

ComObjectList::ComObjectList(const std::wstring& keyPath, ClsidSource clsidSource, System::RegistryView view)
    : clsidSource(clsidSource), keyPath(keyPath), view(view) {}

void ComObjectList::Collect() {
    OpenTreeElement(L"true", GetType(), keyPath);
    try {
        System::RegistryKey list(keyPath, view);
        CollectListed(list);
    } catch (const ErrorCodeException&) {
        // The key is not there in this view (always so for the 64-bit view of a 32-bit Windows):
        // the element holds its caption only.
    }
    writer->CloseNode();
}

void ComObjectList::CollectListed(const System::RegistryKey& list) {
    switch (clsidSource) {
    case ValueNames:
        for (const std::wstring& name : list.GetValueNames())
            CollectClass(name);
        break;
    case SubkeyNames:
        // Names only: a sub-key that can't be opened is still a listed class.
        for (const std::wstring& name : list.GetSubKeyNames())
            CollectClass(name);
        break;
    case ClsidValuesOfSubkeys:
        for (const std::wstring& subKeyPath : list.GetSubKeyPaths()) {
            std::unique_ptr<System::RegistryKey> subKey;
            try {
                subKey = std::make_unique<System::RegistryKey>(subKeyPath, view);
            } catch (const ErrorCodeException& e) {
                if (!IsNotRegistered(e.GetErrorCode()))
                    WriteUnreadable(writer, subKeyPath, e.GetErrorCode());
                continue;
            }
            std::wstring clsid;
            try {
                DWORD type = REG_NONE;
                clsid = subKey->GetValue(L"CLSID", type);
            } catch (const ErrorCodeException&) {
                continue;  // an entry without a class id names no class
            }
            CollectClass(clsid);
        }
        break;
    }
}

void ComObjectList::CollectClass(const std::wstring& clsid) {
    ComObject object(clsid, view);
    object.writer = writer;
    try {
        object.Collect();
    } catch (const ComObjectException&) {
        // Not registered with an in-process server in this view: not listed.
    }
}

} // namespace Gathrix
