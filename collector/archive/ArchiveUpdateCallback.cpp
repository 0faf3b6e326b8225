// The library's interface identifiers are defined here, once for the whole program.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <propidl.h>

#include "Common/MyInitGuid.h"

#include "collector/archive/ArchiveUpdateCallback.h"
#include "collector/platform/Directories.h"

#include <new>

namespace Gathrix::Utilities {

HRESULT HResultFromError(DWORD errorCode) {
    if (errorCode == 0)
        return E_FAIL;
    if (static_cast<LONG>(errorCode) < 0)
        return static_cast<HRESULT>(errorCode);
    return static_cast<HRESULT>(0x80070000u | (errorCode & 0xFFFFu));
}

namespace {
HRESULT LastErrorResult() { return HResultFromError(GetLastError()); }

HRESULT SeekFile(HANDLE file, Int64 offset, UInt32 origin, UInt64* newPosition) {
    if (origin > FILE_END)
        return STG_E_INVALIDFUNCTION;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(file, distance, &position, origin))
        return LastErrorResult();
    if (newPosition)
        *newPosition = static_cast<UInt64>(position.QuadPart);
    return S_OK;
}
} // namespace

// ------------------------------------------------------------------ property values

PropertyValue::PropertyValue() {
    value.vt = VT_EMPTY;
    value.wReserved1 = 0;
}

PropertyValue::~PropertyValue() { Clear(); }

void PropertyValue::Clear(PROPVARIANT& target) {
    switch (target.vt) {
    case VT_EMPTY: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_ERROR:
    case VT_BOOL: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_INT: case VT_UINT:
    case VT_FILETIME:
        target.vt = VT_EMPTY;
        target.wReserved1 = 0;
        return;
    default:
        VariantClear(reinterpret_cast<VARIANTARG*>(&target));
    }
}

void PropertyValue::Clear() { Clear(value); }

void PropertyValue::SetString(const std::wstring& text) {
    Clear();
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy == nullptr)
        throw std::bad_alloc();
    value.vt = VT_BSTR;
    value.bstrVal = copy;
}

void PropertyValue::SetBool(bool flag) {
    Clear();
    value.vt = VT_BOOL;
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

void PropertyValue::SetUInt32(std::uint32_t number) {
    Clear();
    value.vt = VT_UI4;
    value.ulVal = number;
}

void PropertyValue::SetUInt64(std::uint64_t number) {
    Clear();
    value.vt = VT_UI8;
    value.uhVal.QuadPart = number;
}

void PropertyValue::SetFileTime(const FILETIME& time) {
    Clear();
    value.vt = VT_FILETIME;
    value.filetime = time;
}

void PropertyValue::Detach(PROPVARIANT* target) {
    Clear(*target);
    *target = value;
    value.vt = VT_EMPTY;
    value.wReserved1 = 0;
}

// ------------------------------------------------------------------ input file stream

CInFileStream::~CInFileStream() {
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

bool CInFileStream::Open(const std::wstring& name) {
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    // Extended form: a copied file may be named like a device ("NUL", "COM1.txt"), or lie deeper
    // than MAX_PATH.
    file = CreateFileW(Gathrix::Utils::ExtendedLengthPath(name).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
}

STDMETHODIMP CInFileStream::QueryInterface(REFIID iid, void** object) noexcept {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream)
        *object = static_cast<IInStream*>(this);
    else if (iid == IID_IStreamGetSize)
        *object = static_cast<IStreamGetSize*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CInFileStream::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refCount)); }

STDMETHODIMP_(ULONG) CInFileStream::Release() noexcept {
    LONG count = InterlockedDecrement(&refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CInFileStream::Read(void* data, UInt32 size, UInt32* processedSize) throw() {
    DWORD read = 0;
    BOOL ok = ReadFile(file, data, size > kMaxStreamChunk ? kMaxStreamChunk : size, &read, nullptr);
    if (processedSize)
        *processedSize = read;
    return ok ? S_OK : LastErrorResult();
}

STDMETHODIMP CInFileStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) throw() {
    return SeekFile(file, offset, seekOrigin, newPosition);
}

STDMETHODIMP CInFileStream::GetSize(UInt64* size) throw() {
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file, &fileSize))
        return LastErrorResult();
    if (size)
        *size = static_cast<UInt64>(fileSize.QuadPart);
    return S_OK;
}

// ------------------------------------------------------------------ output file stream

COutFileStream::~COutFileStream() {
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

bool COutFileStream::Create(const std::wstring& name, bool createAlways) {
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, createAlways ? CREATE_ALWAYS : CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
}

STDMETHODIMP COutFileStream::QueryInterface(REFIID iid, void** object) noexcept {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISequentialOutStream || iid == IID_IOutStream)
        *object = static_cast<IOutStream*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COutFileStream::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refCount)); }

STDMETHODIMP_(ULONG) COutFileStream::Release() noexcept {
    LONG count = InterlockedDecrement(&refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP COutFileStream::Write(const void* data, UInt32 size, UInt32* processed) throw() {
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, size > kMaxStreamChunk ? kMaxStreamChunk : size, &written, nullptr);
    processedSize += written;
    if (processed)
        *processed = written;
    return ok ? S_OK : LastErrorResult();
}

STDMETHODIMP COutFileStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) throw() {
    return SeekFile(file, offset, seekOrigin, newPosition);
}

STDMETHODIMP COutFileStream::SetSize(UInt64 newSize) throw() {
    UInt64 current = 0;
    if (SeekFile(file, 0, FILE_CURRENT, &current) != S_OK)
        return E_FAIL;
    if (SeekFile(file, static_cast<Int64>(newSize), FILE_BEGIN, nullptr) != S_OK)
        return E_FAIL;
    BOOL ended = SetEndOfFile(file);
    if (SeekFile(file, static_cast<Int64>(current), FILE_BEGIN, nullptr) != S_OK || !ended)
        return E_FAIL;
    return S_OK;
}

// ------------------------------------------------------------------ update callback

CArchiveUpdateCallback::~CArchiveUpdateCallback() { CloseItem(); }

void CArchiveUpdateCallback::Init(const std::vector<CDirItem>* list) {
    items = list;
    itemResultPending = false;
    failedFiles.clear();
    failedCodes.clear();
}

void CArchiveUpdateCallback::SetVolumes(const std::vector<std::uint64_t>& sizes, const std::wstring& name,
                                        const std::wstring& extension) {
    volumeSizes = sizes;
    volumeName = name;
    volumeExtension = extension;
}

void CArchiveUpdateCallback::SetPassword(bool defined, const std::wstring& text, bool ask) {
    passwordIsDefined = defined;
    password = text;
    askPassword = ask;
}

STDMETHODIMP CArchiveUpdateCallback::QueryInterface(REFIID iid, void** object) noexcept {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IArchiveUpdateCallback2)
        *object = static_cast<IArchiveUpdateCallback2*>(this);
    else if (iid == IID_ICryptoGetTextPassword2)
        *object = static_cast<ICryptoGetTextPassword2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CArchiveUpdateCallback::AddRef() noexcept {
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

STDMETHODIMP_(ULONG) CArchiveUpdateCallback::Release() noexcept {
    LONG count = InterlockedDecrement(&refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CArchiveUpdateCallback::SetTotal(UInt64) throw() { return S_OK; }

STDMETHODIMP CArchiveUpdateCallback::SetCompleted(const UInt64*) throw() { return S_OK; }

STDMETHODIMP CArchiveUpdateCallback::GetUpdateItemInfo(UInt32, Int32* newData, Int32* newProps,
                                                       UInt32* indexInArchive) throw() {
    if (newData)
        *newData = 1;
    if (newProps)
        *newProps = 1;
    if (indexInArchive)
        *indexInArchive = static_cast<UInt32>(-1);
    return S_OK;
}

STDMETHODIMP CArchiveUpdateCallback::GetProperty(UInt32 index, PROPID propID, PROPVARIANT* value) throw() {
    if (value == nullptr)
        return E_POINTER;
    try {
        PropertyValue property;
        if (propID == kpidIsAnti) {
            property.SetBool(false);
            property.Detach(value);
            return S_OK;
        }
        if (items == nullptr || index >= items->size())
            return E_INVALIDARG;
        const CDirItem& item = (*items)[index];
        switch (propID) {
        case kpidPath: property.SetString(item.Name); break;
        case kpidIsDir: property.SetBool(item.IsDir()); break;
        case kpidSize: property.SetUInt64(item.Size); break;
        case kpidAttrib: property.SetUInt32(item.Attrib); break;
        case kpidCTime: property.SetFileTime(item.CTime); break;
        case kpidATime: property.SetFileTime(item.ATime); break;
        case kpidMTime: property.SetFileTime(item.MTime); break;
        default: break;
        }
        property.Detach(value);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CArchiveUpdateCallback::GetStream(UInt32 index, ISequentialInStream** inStream) throw() {
    CloseItem();
    if (items == nullptr || index >= items->size())
        return E_INVALIDARG;
    const CDirItem& item = (*items)[index];
    if (item.IsDir())
        return S_OK;
    if (inStream == nullptr)
        return E_POINTER;
    try {
        CInFileStream* stream = new CInFileStream();
        stream->AddRef();
        std::wstring path = folderPrefix + item.FullPath;
        if (!stream->Open(path)) {
            DWORD error = GetLastError();
            stream->Release();
            failedCodes.push_back(error);
            failedFiles.push_back(path);
            return S_FALSE;
        }
        *inStream = static_cast<IInStream*>(stream);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CArchiveUpdateCallback::SetOperationResult(Int32) throw() {
    itemResultPending = true;
    return S_OK;
}

STDMETHODIMP CArchiveUpdateCallback::GetVolumeSize(UInt32 index, UInt64* size) throw() {
    if (volumeSizes.empty())
        return S_FALSE;
    if (index >= volumeSizes.size())
        index = static_cast<UInt32>(volumeSizes.size() - 1);
    if (size)
        *size = volumeSizes[index];
    return S_OK;
}

STDMETHODIMP CArchiveUpdateCallback::GetVolumeStream(UInt32 index, ISequentialOutStream** volumeStream) throw() {
    if (volumeStream == nullptr)
        return E_POINTER;
    try {
        std::wstring number = std::to_wstring(static_cast<std::uint64_t>(index) + 1);
        if (number.size() < 2)
            number.insert(0, 2 - number.size(), L'0');
        std::wstring fileName = volumeName + L"." + number + volumeExtension;
        COutFileStream* stream = new COutFileStream();
        stream->AddRef();
        if (!stream->Create(fileName, false)) {
            DWORD error = GetLastError();
            stream->Release();
            return HResultFromError(error);
        }
        *volumeStream = static_cast<IOutStream*>(stream);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CArchiveUpdateCallback::CryptoGetTextPassword2(Int32* isDefined, BSTR* text) throw() {
    if (!passwordIsDefined && askPassword)
        return E_ABORT;
    if (isDefined)
        *isDefined = passwordIsDefined ? 1 : 0;
    if (text) {
        *text = SysAllocStringLen(password.data(), static_cast<UINT>(password.size()));
        if (*text == nullptr)
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace Gathrix::Utilities
