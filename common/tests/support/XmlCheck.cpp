#include "common/tests/support/XmlCheck.h"

#include "common/Handles.h"

#include <windows.h>
#include <msxml2.h>

namespace Gathrix::Testing {

namespace {
// CLSID_DOMDocument30
const CLSID DomDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
// IID_IXMLDOMDocument
const IID XmlDomDocument = {0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

struct ComScope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
};
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
            VARIANT source;
            VariantInit(&source);
            source.vt = VT_BSTR;
            source.bstrVal = SysAllocString(path.c_str());
            VARIANT_BOOL loaded = VARIANT_FALSE;
            hr = document->load(source, &loaded);
            VariantClear(&source);
            wellFormed = SUCCEEDED(hr) && loaded == VARIANT_TRUE;
            if (!wellFormed) {
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
