#pragma once
// Reads an archive back through the 7-Zip library beside the test program: item names and sizes
// in archive order.

#include "collector/archive/ArchivePacking.h"
#include "common/Handles.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace Gathrix::Testing {

struct ArchiveEntry {
    std::wstring name;
    std::uint64_t size = 0;
    bool isDir = false;
};

inline std::vector<ArchiveEntry> ListArchive(const std::wstring& path) {
    using namespace Gathrix::Utilities;
    static const GUID handler = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};
    UniqueLibrary library(LoadLibraryW(SevenZipLibraryPath().c_str()));
    if (!library)
        throw std::runtime_error("7z.dll not found beside the test program");
    using CreateObjectFunction = HRESULT(WINAPI*)(const GUID*, const GUID*, void**);
    auto createObject =
        reinterpret_cast<CreateObjectFunction>(reinterpret_cast<void*>(GetProcAddress(library.Get(), "CreateObject")));
    std::vector<ArchiveEntry> entries;
    {
        ComPtr<IInArchive> archive;
        if (createObject(&handler, &IID_IInArchive, archive.PutVoid()) != S_OK)
            throw std::runtime_error("no archive reader");
        ComPtr<CInFileStream> stream(new CInFileStream());
        stream->AddRef();
        if (!stream->Open(path))
            throw std::runtime_error("archive not readable");
        if (archive->Open(static_cast<IInStream*>(stream.Get()), nullptr, nullptr) != S_OK)
            throw std::runtime_error("not a 7z archive");
        UInt32 count = 0;
        archive->GetNumberOfItems(&count);
        for (UInt32 i = 0; i < count; ++i) {
            ArchiveEntry entry;
            PropertyValue value;
            PROPVARIANT raw;
            raw.vt = VT_EMPTY;
            archive->GetProperty(i, kpidPath, &raw);
            if (raw.vt == VT_BSTR)
                entry.name = raw.bstrVal;
            PropertyValue::Clear(raw);
            archive->GetProperty(i, kpidSize, &raw);
            if (raw.vt == VT_UI8)
                entry.size = raw.uhVal.QuadPart;
            PropertyValue::Clear(raw);
            archive->GetProperty(i, kpidIsDir, &raw);
            entry.isDir = raw.vt == VT_BOOL && raw.boolVal != VARIANT_FALSE;
            PropertyValue::Clear(raw);
            entries.push_back(entry);
        }
        archive->Close();
    }
    return entries;
}

inline std::vector<std::wstring> ArchiveNames(const std::wstring& path) {
    std::vector<std::wstring> names;
    for (const ArchiveEntry& entry : ListArchive(path))
        names.push_back(entry.name);
    return names;
}

} // namespace Gathrix::Testing
