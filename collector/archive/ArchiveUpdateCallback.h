#pragma once
// The collector's side of the 7-Zip library's archive update: the item records, the update
// callback that tells the library what to pack, and the file streams it reads and writes.
// The objects follow the library's COM-style calling interface and are reference counted;
// each one is created with a count of 0 and the creator takes the first reference.

#include <windows.h>
// The library's headers expect the COM and property declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objbase.h>
#include <oleauto.h>
#include <propidl.h>

#include "7zip/Archive/IArchive.h"
#include "7zip/IPassword.h"
#include "7zip/IStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix::Utilities {

// One item of the archive. Name is its path inside the archive (parts separated by "\"),
// FullPath the path by which it is opened.
struct CDirItem {
    std::uint64_t Size = 0;
    FILETIME CTime{};
    FILETIME ATime{};
    FILETIME MTime{};
    std::wstring Name;
    std::wstring FullPath;
    std::uint32_t Attrib = 0;

    bool IsDir() const { return (Attrib & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// A Windows error code as a library result: 0 becomes E_FAIL, a value that already is a failure
// result stays, any other becomes a Win32 failure result.
HRESULT HResultFromError(DWORD errorCode);

// A property value for the library: a PROPVARIANT that is cleared when it is replaced or dropped.
// String storage that cannot be allocated throws std::bad_alloc.
class PropertyValue {
public:
    PropertyValue();
    ~PropertyValue();
    PropertyValue(const PropertyValue&) = delete;
    PropertyValue& operator=(const PropertyValue&) = delete;

    void SetString(const std::wstring& text);
    void SetBool(bool flag);
    void SetUInt32(std::uint32_t number);
    void SetUInt64(std::uint64_t number);
    void SetFileTime(const FILETIME& time);
    void Clear();
    // Clears `target` and moves this value into it; this one is empty afterwards.
    void Detach(PROPVARIANT* target);

    const PROPVARIANT& Get() const { return value; }

    static void Clear(PROPVARIANT& value);

private:
    PROPVARIANT value;
};

class CInFileStream final : public IInStream, public IStreamGetSize {
public:
    CInFileStream() = default;

    // Opens for reading. Other processes may go on reading, writing and even deleting the file:
    // a log somebody still writes must not cost the archive.
    bool Open(const std::wstring& name);

    STDMETHOD(QueryInterface)(REFIID iid, void** object) noexcept override;
    STDMETHOD_(ULONG, AddRef)() noexcept override;
    STDMETHOD_(ULONG, Release)() noexcept override;

    Z7_IFACE_COM7_IMP(ISequentialInStream)
    Z7_IFACE_COM7_IMP(IInStream)
    Z7_IFACE_COM7_IMP(IStreamGetSize)

private:
    ~CInFileStream();
    LONG refCount = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
};

class COutFileStream final : public IOutStream {
public:
    COutFileStream() = default;

    // Opens for writing, CREATE_ALWAYS when createAlways, else CREATE_NEW (fails on an existing file).
    bool Create(const std::wstring& name, bool createAlways);

    STDMETHOD(QueryInterface)(REFIID iid, void** object) noexcept override;
    STDMETHOD_(ULONG, AddRef)() noexcept override;
    STDMETHOD_(ULONG, Release)() noexcept override;

    Z7_IFACE_COM7_IMP(ISequentialOutStream)
    Z7_IFACE_COM7_IMP(IOutStream)

    std::uint64_t GetProcessedSize() const { return processedSize; }

private:
    ~COutFileStream();
    LONG refCount = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::uint64_t processedSize = 0;
};

// Chunk size of one Read or Write call; the library calls again for the rest.
constexpr DWORD kMaxStreamChunk = 4u * 1024u * 1024u;

class CArchiveUpdateCallback final : public IArchiveUpdateCallback2, public ICryptoGetTextPassword2 {
public:
    CArchiveUpdateCallback() = default;

    // The items to pack (not owned); clears the failure lists.
    void Init(const std::vector<CDirItem>* items);
    void CloseItem() { itemResultPending = false; }

    STDMETHOD(QueryInterface)(REFIID iid, void** object) noexcept override;
    STDMETHOD_(ULONG, AddRef)() noexcept override;
    STDMETHOD_(ULONG, Release)() noexcept override;

    Z7_IFACE_COM7_IMP(IProgress)
    Z7_IFACE_COM7_IMP(IArchiveUpdateCallback)
    Z7_IFACE_COM7_IMP(IArchiveUpdateCallback2)
    Z7_IFACE_COM7_IMP(ICryptoGetTextPassword2)

    // Files that could not be opened, with the Windows error code of each, in order.
    const std::vector<std::wstring>& GetFailedFiles() const { return failedFiles; }
    const std::vector<DWORD>& GetFailedCodes() const { return failedCodes; }
    bool IsItemResultPending() const { return itemResultPending; }

    // Volumes are not used by the collector; kept settable so the volume operations stay honest.
    void SetVolumes(const std::vector<std::uint64_t>& sizes, const std::wstring& name, const std::wstring& extension);
    void SetPassword(bool defined, const std::wstring& text, bool ask);

private:
    ~CArchiveUpdateCallback();

    LONG refCount = 0;
    std::vector<std::uint64_t> volumeSizes;
    std::wstring volumeName;
    std::wstring volumeExtension;
    std::wstring folderPrefix;
    const std::vector<CDirItem>* items = nullptr;
    bool passwordIsDefined = false;
    std::wstring password;
    bool askPassword = false;
    bool itemResultPending = false;
    std::vector<std::wstring> failedFiles;
    std::vector<DWORD> failedCodes;
};

} // namespace Gathrix::Utilities
