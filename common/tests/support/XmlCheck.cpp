#include "common/tests/support/XmlCheck.h"

#include "common/Handles.h"
#include "common/tests/support/TestSupport.h"

#include <windows.h>
#include <msxml2.h>

#include <cstring>
#include <exception>
#include <string>

namespace Gathrix::Testing {

namespace {
// CLSID_DOMDocument30
const CLSID DomDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
// IID_IXMLDOMDocument
const IID XmlDomDocument = {0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// The check makes no window: a single-threaded apartment (like a load by path, which binds a URL)
// would, and the first window of a process makes Wine start the prefix's desktop process, which
// under load costs the check minutes.
struct ComScope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ComScope() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
};
bool ReadIntoStream(const std::wstring& path, ComPtr<IStream>& stream) {
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const std::exception&) {
        return false;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    if (memory == nullptr)
        return false;
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    // The stream owns the memory from here on and frees it with its last reference.
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Put()))) {
        GlobalFree(memory);
        return false;
    }
    ULARGE_INTEGER size;
    size.QuadPart = bytes.size();
    stream->SetSize(size);
    return true;
}
} // namespace

bool IsWellFormedXmlFile(const std::wstring& path, std::wstring* reason) {
    ComScope com;
    bool wellFormed = false;
    std::wstring why;
    {
        ComPtr<IXMLDOMDocument> document;
        HRESULT hr = CoCreateInstance(DomDocument30, nullptr, CLSCTX_INPROC_SERVER, XmlDomDocument,
                                      document.PutVoid());
        if (FAILED(hr)) {
            why = L"MSXML is not available";
        } else {
            document->put_async(VARIANT_FALSE);
            document->put_validateOnParse(VARIANT_FALSE);
            document->put_resolveExternals(VARIANT_FALSE);
            ComPtr<IStream> stream;
            if (!ReadIntoStream(path, stream)) {
                why = L"cannot read the file";
            } else {
                VARIANT source;
                VariantInit(&source);
                source.vt = VT_UNKNOWN;
                source.punkVal = stream.Get();
                VARIANT_BOOL loaded = VARIANT_FALSE;
                hr = document->load(source, &loaded);
                wellFormed = SUCCEEDED(hr) && loaded == VARIANT_TRUE;
            }
            if (!wellFormed && why.empty()) {
                ComPtr<IXMLDOMParseError> error;
                UniqueBstr text;
                if (SUCCEEDED(document->get_parseError(error.Put())) && error &&
                    SUCCEEDED(error->get_reason(text.Put())) && text)
                    why = text.Get();
                else
                    why = L"not well-formed";
            }
        }
    }
    if (reason != nullptr)
        *reason = why;
    return wellFormed;
}

} // namespace Gathrix::Testing
