#include "collector/core/PageTransform.h"

#include "collector/core/PageXmlReader.h"
#include "common/Handles.h"
#include "common/Text.h"

#include <windows.h>
#include <msxml2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <utility>
#include <vector>

namespace Gathrix {

namespace {

// The interfaces of MSXML that the headers declare without their identifiers.
const IID IidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID IidXslTemplate = {0x2933bf93, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

const wchar_t* const kXsltNamespace = L"http://www.w3.org/1999/XSL/Transform";
const wchar_t* const kPageRoot = L"GathrixResult";
// The element the navigation and the log are handed in with, as the page root's last child; the
// stylesheet's parameters "navigationFile" and "logFile" are pointed at it.
const wchar_t* const kHandedIn = L"GathrixRenderInput";

// Beyond this a result file is built node by node from the start: MSXML over libxml2 (Wine's)
// refuses a text of more than ten million bytes, and a file this large holds such a text.
constexpr std::uint64_t kLargestParsedWhole = 32u << 20;
constexpr int kMaxIncludeDepth = 8;

UniqueBstr Bstr(const std::wstring& text) {
    return UniqueBstr(SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size())));
}

std::wstring Trimmed(std::wstring text) {
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return text;
}

std::wstring HResultText(HRESULT result) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(result));
    return text;
}

// What the object that failed says about it, else the code.
std::wstring FailureText(HRESULT result) {
    ComPtr<IErrorInfo> info;
    UniqueBstr description;
    if (GetErrorInfo(0, info.Put()) == S_OK && info && SUCCEEDED(info->GetDescription(description.Put())) &&
        description && SysStringLen(description.Get()) > 0)
        return Trimmed(std::wstring(description.Get(), SysStringLen(description.Get()))) + L" (" +
               HResultText(result) + L")";
    if (result == E_OUTOFMEMORY)
        return L"out of memory";
    return L"error " + HResultText(result);
}

void Check(HRESULT result, const wchar_t* step) {
    if (FAILED(result))
        throw RenderFailure{std::wstring(step) + L": " + FailureText(result)};
}

void SetProperty(IXMLDOMDocument2& document, const wchar_t* name, const VARIANT& value) {
    UniqueBstr property = Bstr(name);
    Check(document.setProperty(property.Get(), value), name);
}

void SetFlag(IXMLDOMDocument2& document, const wchar_t* name, bool on) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    SetProperty(document, name, value);
}

void SetText(IXMLDOMDocument2& document, const wchar_t* name, const wchar_t* text) {
    UniqueBstr content = Bstr(text);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = content.Get();
    SetProperty(document, name, value);
}

// A document without DTDs (none of the files has one; none is ever fetched or expanded) and without
// an element depth limit (MSXML 6 stops at 256 levels by default; a registry key can be deeper).
// Free-threaded, as the XSLT template requires of its stylesheet and MSXML requires of nodes that
// move between documents.
ComPtr<IXMLDOMDocument2> CreateDocument() {
    CLSID id;
    Check(CLSIDFromProgID(L"Msxml2.FreeThreadedDOMDocument.6.0", &id), L"MSXML 6 is not available");
    ComPtr<IXMLDOMDocument2> document;
    Check(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IidXmlDomDocument2, document.PutVoid()),
          L"MSXML 6 is not available");
    document->put_async(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    SetFlag(*document.Get(), L"ProhibitDTD", true);
    VARIANT unlimited;
    VariantInit(&unlimited);
    unlimited.vt = VT_I4;
    unlimited.lVal = 0;
    // Wine's MSXML knows no such property (its parser has a limit of its own, see LoadPage).
    UniqueBstr depth = Bstr(L"MaxElementDepth");
    document->setProperty(depth.Get(), unlimited);
    return document;
}

// Owner of a byte array.
class ByteArray {
public:
    explicit ByteArray(SAFEARRAY* array) : array(array) {}
    ByteArray(ByteArray&& other) noexcept : array(std::exchange(other.array, nullptr)) {}
    ~ByteArray() {
        if (array)
            SafeArrayDestroy(array);
    }
    ByteArray(const ByteArray&) = delete;
    ByteArray& operator=(const ByteArray&) = delete;
    SAFEARRAY* Get() const { return array; }

private:
    SAFEARRAY* array;
};

// The whole file, read by its path as given, as the bytes MSXML parses: handed over in memory, a
// file is read neither as a URL nor through a stream that grows chunk by chunk, and is never turned
// into UTF-16 and back. Throws RenderFailure with the system's reason.
ByteArray ReadWholeFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size))
        throw RenderFailure{System::GetErrorText(GetLastError())};
    if (static_cast<std::uint64_t>(size.QuadPart) > (1ull << 30))
        throw RenderFailure{L"it is too large to be read whole"};
    ByteArray bytes(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size.QuadPart)));
    void* data = nullptr;
    if (!bytes.Get() || FAILED(SafeArrayAccessData(bytes.Get(), &data)))
        throw RenderFailure{L"out of memory"};
    DWORD error = ERROR_SUCCESS;
    std::uint64_t done = 0;
    while (done < static_cast<std::uint64_t>(size.QuadPart)) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(size.QuadPart - done, 1u << 24));
        if (!ReadFile(file.Get(), static_cast<char*>(data) + done, wanted, &read, nullptr)) {
            error = GetLastError();
            break;
        }
        if (read == 0) {
            error = ERROR_HANDLE_EOF;  // the file shrank while it was read
            break;
        }
        done += read;
    }
    SafeArrayUnaccessData(bytes.Get());
    if (error != ERROR_SUCCESS)
        throw RenderFailure{System::GetErrorText(error)};
    return bytes;
}

// Parses `bytes` into `document`; the parser's reason when it fails, else empty.
std::wstring Parse(IXMLDOMDocument2& document, const ByteArray& bytes) {
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_ARRAY | VT_UI1;
    source.parray = bytes.Get();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = document.load(source, &loaded);
    if (SUCCEEDED(result) && loaded == VARIANT_TRUE)
        return std::wstring();
    std::wstring reason = L"it is not well-formed XML";
    ComPtr<IXMLDOMParseError> error;
    UniqueBstr said;
    long line = 0;
    if (SUCCEEDED(document.get_parseError(error.Put())) && error && SUCCEEDED(error->get_reason(said.Put())) && said &&
        SysStringLen(said.Get()) > 0) {
        reason = Trimmed(std::wstring(said.Get(), SysStringLen(said.Get())));
        if (SUCCEEDED(error->get_line(&line)) && line > 0)
            reason += L" (line " + std::to_wstring(line) + L")";
    }
    return reason;
}

// A small XML file (stylesheet, navigation, log) loaded whole. Throws RenderFailure.
ComPtr<IXMLDOMDocument2> LoadSmallFile(const std::wstring& path, const std::wstring& what) {
    ComPtr<IXMLDOMDocument2> document = CreateDocument();
    std::wstring reason;
    try {
        reason = Parse(*document.Get(), ReadWholeFile(path));
    } catch (const RenderFailure& failure) {
        throw RenderFailure{what + L" could not be read: " + failure.reason};
    }
    if (!reason.empty())
        throw RenderFailure{what + L" could not be read: " + reason};
    return document;
}

ComPtr<IXMLDOMElement> RootOf(IXMLDOMDocument2& document) {
    ComPtr<IXMLDOMElement> root;
    if (document.get_documentElement(root.Put()) != S_OK || !root)
        throw RenderFailure{L"a document has no root element"};
    return root;
}

std::wstring NameOf(IXMLDOMNode& node) {
    UniqueBstr name;
    if (FAILED(node.get_nodeName(name.Put())) || !name)
        return std::wstring();
    return std::wstring(name.Get(), SysStringLen(name.Get()));
}

std::wstring AttributeOf(IXMLDOMElement& element, const wchar_t* name) {
    UniqueBstr attribute = Bstr(name);
    VARIANT value;
    VariantInit(&value);
    std::wstring text;
    if (element.getAttribute(attribute.Get(), &value) == S_OK && value.vt == VT_BSTR && value.bstrVal)
        text.assign(value.bstrVal, SysStringLen(value.bstrVal));
    VariantClear(&value);
    return text;
}

void SetAttribute(IXMLDOMElement& element, const std::wstring& name, const std::wstring& text) {
    UniqueBstr attribute = Bstr(name);
    UniqueBstr content = Bstr(text);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = content.Get();
    Check(element.setAttribute(attribute.Get(), value), L"setting an attribute");
}

ComPtr<IXMLDOMNode> SelectOne(IXMLDOMNode& context, const wchar_t* query) {
    ComPtr<IXMLDOMNode> found;
    UniqueBstr text = Bstr(query);
    if (context.selectSingleNode(text.Get(), found.Put()) != S_OK)
        return ComPtr<IXMLDOMNode>();
    return found;
}

ComPtr<IXMLDOMElement> AsElement(const ComPtr<IXMLDOMNode>& node) {
    ComPtr<IXMLDOMElement> element;
    if (node)
        node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

void Append(IXMLDOMNode& parent, IXMLDOMNode* child) {
    ComPtr<IXMLDOMNode> added;
    Check(parent.appendChild(child, added.Put()), L"building a document");
}

// A stylesheet file of the stylesheet folder, its includes put in place: each xsl:include is
// replaced by the top-level elements of the file it names, read from the same folder by name, so
// that no href is ever resolved as a URL.
ComPtr<IXMLDOMDocument2> LoadStylesheet(const std::wstring& folder, const std::wstring& name, int depth) {
    ComPtr<IXMLDOMDocument2> sheet = LoadSmallFile(folder + L"\\" + name, L"the stylesheet " + name);
    SetText(*sheet.Get(), L"SelectionLanguage", L"XPath");
    SetText(*sheet.Get(), L"SelectionNamespaces", L"xmlns:xsl='http://www.w3.org/1999/XSL/Transform'");
    ComPtr<IXMLDOMNodeList> includes;
    UniqueBstr query = Bstr(L"/xsl:stylesheet/xsl:include");
    Check(sheet->selectNodes(query.Get(), includes.Put()), L"the stylesheet");
    long count = 0;
    includes->get_length(&count);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> include;
        includes->get_item(i, include.Put());
        ComPtr<IXMLDOMElement> element = AsElement(include);
        const std::wstring href = element ? AttributeOf(*element.Get(), L"href") : std::wstring();
        if (href.empty() || href.find_first_of(L":/\\%?#") != std::wstring::npos || href == L"." || href == L"..")
            throw RenderFailure{L"the stylesheet " + name + L" includes \"" + href +
                                L"\", which is not a file of its folder"};
        if (depth >= kMaxIncludeDepth)
            throw RenderFailure{L"the stylesheet " + name + L" includes too deeply"};
        ComPtr<IXMLDOMDocument2> included = LoadStylesheet(folder, href, depth + 1);
        ComPtr<IXMLDOMElement> includedRoot = RootOf(*included.Get());
        ComPtr<IXMLDOMNode> parent;
        include->get_parentNode(parent.Put());
        ComPtr<IXMLDOMNode> child;
        includedRoot->get_firstChild(child.Put());
        while (child) {
            DOMNodeType type = NODE_INVALID;
            child->get_nodeType(&type);
            if (type == NODE_ELEMENT) {
                ComPtr<IXMLDOMNode> copy, inserted;
                Check(child->cloneNode(VARIANT_TRUE, copy.Put()), L"the stylesheet");
                VARIANT before;
                VariantInit(&before);
                before.vt = VT_UNKNOWN;
                before.punkVal = include.Get();
                Check(parent->insertBefore(copy.Get(), before, inserted.Put()), L"the stylesheet");
            }
            ComPtr<IXMLDOMNode> next;
            child->get_nextSibling(next.Put());
            child = next;
        }
        ComPtr<IXMLDOMNode> removed;
        Check(parent->removeChild(include.Get(), removed.Put()), L"the stylesheet");
    }
    return sheet;
}

// The page's file, written through a buffer; every write, the flush and the close are checked,
// and a page that could not be written whole is deleted.
class CheckedFileStream final : public IStream {
public:
    explicit CheckedFileStream(const std::wstring& path) : path(path) {
        file.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            error = GetLastError();
        buffer.reserve(kBufferSize);
    }
    ~CheckedFileStream() { Abandon(); }

    // ERROR_SUCCESS when the file is complete on disk.
    DWORD Close() {
        if (file) {
            Drain();
            if (error == ERROR_SUCCESS && !FlushFileBuffers(file.Get()))
                error = GetLastError();
            if (!CloseHandle(file.Release()) && error == ERROR_SUCCESS)
                error = GetLastError();
            if (error != ERROR_SUCCESS)
                DeleteFileW(path.c_str());
        }
        return error;
    }
    void Abandon() {
        if (file) {
            file.Reset();
            DeleteFileW(path.c_str());
        }
    }
    DWORD Error() const { return error; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_ISequentialStream) || IsEqualIID(id, IID_IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void* bytes, ULONG count, ULONG* written) override {
        if (written)
            *written = 0;
        if (error != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(error);
        buffer.append(static_cast<const char*>(bytes), count);
        if (buffer.size() >= kBufferSize)
            Drain();
        if (error != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(error);
        position += count;
        if (written)
            *written = count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        // Only asking where the stream stands is answered: the page is written front to back.
        if (move.QuadPart != 0 || origin != STREAM_SEEK_CUR)
            return STG_E_INVALIDFUNCTION;
        if (newPosition)
            newPosition->QuadPart = position;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override {
        Drain();
        return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
    }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return E_POINTER;
        ZeroMemory(stat, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = position;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    static constexpr std::size_t kBufferSize = 1u << 18;

    void Drain() {
        std::size_t done = 0;
        while (error == ERROR_SUCCESS && done < buffer.size()) {
            DWORD written = 0;
            if (!WriteFile(file.Get(), buffer.data() + done, static_cast<DWORD>(buffer.size() - done), &written, nullptr))
                error = GetLastError();
            else if (written == 0)
                error = ERROR_WRITE_FAULT;
            done += written;
        }
        buffer.clear();
    }

    std::atomic<ULONG> references{1};
    std::wstring path;
    UniqueHandle file;
    DWORD error = ERROR_SUCCESS;
    std::string buffer;
    std::uint64_t position = 0;
};

} // namespace

PageTransform::Page::Page() = default;
PageTransform::Page::~Page() = default;

struct PageTransform::Parts {
    std::wstring dataFolder;
    ComPtr<IXSLTemplate> compiled;
    ComPtr<IXMLDOMNode> navigation;
    ComPtr<IXMLDOMNode> log;
};

PageTransform::PageTransform(const std::wstring& dataFolder) : parts(std::make_unique<Parts>()) {
    parts->dataFolder = dataFolder;
    const std::wstring folder = dataFolder + L"\\stylesheet";
    ComPtr<IXMLDOMDocument2> sheet = LoadStylesheet(folder, L"stylesheet.xslt", 0);
    SetFlag(*sheet.Get(), L"AllowDocumentFunction", false);
    SetFlag(*sheet.Get(), L"AllowXsltScript", false);

    // Where the navigation and the log come from: the element handed in with each page.
    const struct {
        const wchar_t* parameter;
        std::wstring select;
    } handedIn[] = {
        {L"navigationFile", std::wstring(L"/") + kPageRoot + L"/" + kHandedIn + L"/Navigation"},
        {L"logFile", std::wstring(L"/") + kPageRoot + L"/" + kHandedIn + L"/Logfile"},
    };
    for (const auto& row : handedIn) {
        const std::wstring query = std::wstring(L"/xsl:stylesheet/xsl:param[@name='") + row.parameter + L"']";
        ComPtr<IXMLDOMElement> parameter = AsElement(SelectOne(*sheet.Get(), query.c_str()));
        if (!parameter)
            throw RenderFailure{std::wstring(L"the stylesheet has no parameter \"") + row.parameter + L"\""};
        SetAttribute(*parameter.Get(), L"select", row.select);
    }
    // Indenting costs time and adds blanks to the text of inline elements.
    if (ComPtr<IXMLDOMElement> output = AsElement(SelectOne(*sheet.Get(), L"/xsl:stylesheet/xsl:output")))
        SetAttribute(*output.Get(), L"indent", L"no");
    ComPtr<IXMLDOMNode> silent;
    UniqueBstr templateName = Bstr(L"xsl:template");
    UniqueBstr xsltNamespace = Bstr(kXsltNamespace);
    VARIANT elementType;
    VariantInit(&elementType);
    elementType.vt = VT_I4;
    elementType.lVal = NODE_ELEMENT;
    Check(sheet->createNode(elementType, templateName.Get(), xsltNamespace.Get(), silent.Put()), L"the stylesheet");
    SetAttribute(*AsElement(silent).Get(), L"match", kHandedIn);
    Append(*RootOf(*sheet.Get()).Get(), silent.Get());

    CLSID id;
    Check(CLSIDFromProgID(L"Msxml2.XSLTemplate.6.0", &id), L"MSXML 6 is not available");
    Check(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IidXslTemplate, parts->compiled.PutVoid()),
          L"MSXML 6 is not available");
    Check(parts->compiled->putref_stylesheet(sheet.Get()), L"the stylesheet");

    ComPtr<IXMLDOMDocument2> navigation = LoadSmallFile(dataFolder + L"\\Navigation.xml", L"the navigation");
    parts->navigation = ComPtr<IXMLDOMNode>(RootOf(*navigation.Get()).Detach());
}

PageTransform::~PageTransform() = default;

void PageTransform::LoadLog() {
    if (parts->log)
        return;
    ComPtr<IXMLDOMDocument2> log = LoadSmallFile(parts->dataFolder + L"\\Logfile.xml", L"the log");
    parts->log = ComPtr<IXMLDOMNode>(RootOf(*log.Get()).Detach());
}

namespace {

// Builds the document node by node from the collector's own reading of the file. Used where the
// parser refuses a file that is whole: Wine's MSXML (libxml2 underneath) stops at 256 levels and
// at texts of ten million bytes, whatever the properties say.
std::wstring BuildDocument(IXMLDOMDocument2& document, const std::wstring& path) {
    PageXmlReader reader(path);
    std::vector<ComPtr<IXMLDOMNode>> open;
    open.emplace_back(ComPtr<IXMLDOMNode>(&document));
    document.AddRef();
    for (;;) {
        switch (reader.Next()) {
        case PageXmlReader::Item::Start: {
            ComPtr<IXMLDOMElement> element;
            UniqueBstr name = Bstr(Utils::FromUtf8(reader.Name()));
            Check(document.createElement(name.Get(), element.Put()), L"building the page");
            for (const auto& attribute : reader.Attributes())
                SetAttribute(*element.Get(), Utils::FromUtf8(attribute.name), Utils::FromUtf8(attribute.value));
            Append(*open.back().Get(), element.Get());
            open.emplace_back(ComPtr<IXMLDOMNode>(element.Detach()));
            break;
        }
        case PageXmlReader::Item::Text: {
            const std::string& text = reader.Text();
            // Blank text between elements is no value (the parser drops it too).
            if (text.find_first_not_of(" \t\r\n") == std::string::npos)
                break;
            ComPtr<IXMLDOMText> node;
            UniqueBstr content = Bstr(Utils::FromUtf8(text));
            Check(document.createTextNode(content.Get(), node.Put()), L"building the page");
            Append(*open.back().Get(), node.Get());
            break;
        }
        case PageXmlReader::Item::End:
            open.pop_back();
            break;
        case PageXmlReader::Item::Finished:
            return std::wstring();
        case PageXmlReader::Item::Failed:
            return reader.Failure();
        }
    }
}

} // namespace

std::unique_ptr<PageTransform::Page> PageTransform::LoadPage(const std::wstring& name) {
    const std::wstring path = parts->dataFolder + L"\\" + name;
    auto page = std::make_unique<Page>();
    page->document = CreateDocument();
    WIN32_FILE_ATTRIBUTE_DATA about{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &about))
        throw RenderFailure{L"the result file could not be read: " + System::GetErrorText(GetLastError())};
    const std::uint64_t size = (static_cast<std::uint64_t>(about.nFileSizeHigh) << 32) | about.nFileSizeLow;
    std::wstring refused;
    if (size <= kLargestParsedWhole) {
        try {
            refused = Parse(*page->document.Get(), ReadWholeFile(path));
        } catch (const RenderFailure& failure) {
            throw RenderFailure{L"the result file could not be read: " + failure.reason};
        }
    }
    if (size > kLargestParsedWhole || !refused.empty()) {
        page->document = CreateDocument();
        const std::wstring failure = BuildDocument(*page->document.Get(), path);
        if (!failure.empty())
            throw RenderFailure{refused.empty() ? failure : failure + L" (" + refused + L")"};
    }
    ComPtr<IXMLDOMElement> root = RootOf(*page->document.Get());
    const std::wstring rootName = NameOf(*root.Get());
    if (rootName != kPageRoot)
        throw RenderFailure{L"it is no page of the report (its root element is " + rootName + L")"};
    return page;
}

bool PageTransform::ShowsLog(Page& page) {
    return static_cast<bool>(SelectOne(*page.document.Get(), L"/GathrixResult/ResultSet/Logfile"));
}

void PageTransform::Render(Page& page, const std::wstring& htmlName) {
    IXMLDOMDocument2& document = *page.document.Get();
    ComPtr<IXMLDOMElement> holder;
    UniqueBstr holderName = Bstr(kHandedIn);
    Check(document.createElement(holderName.Get(), holder.Put()), L"handing in the navigation");
    ComPtr<IXMLDOMNode> navigation;
    Check(parts->navigation->cloneNode(VARIANT_TRUE, navigation.Put()), L"handing in the navigation");
    Append(*holder.Get(), navigation.Get());
    if (parts->log && ShowsLog(page)) {
        ComPtr<IXMLDOMNode> log;
        Check(parts->log->cloneNode(VARIANT_TRUE, log.Put()), L"handing in the log");
        Append(*holder.Get(), log.Get());
    }
    Append(*RootOf(document).Get(), holder.Get());

    ComPtr<IXSLProcessor> processor;
    Check(parts->compiled->createProcessor(processor.Put()), L"the XSLT processor");
    {
        UniqueBstr name = Bstr(L"linkext");
        UniqueBstr empty = Bstr(L"");
        UniqueBstr content = Bstr(L".html");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = content.Get();
        Check(processor->addParameter(name.Get(), value, empty.Get()), L"the XSLT processor");
    }
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_UNKNOWN;
    input.punkVal = &document;
    Check(processor->put_input(input), L"the XSLT processor");

    const std::wstring target = parts->dataFolder + L"\\" + htmlName;
    ComPtr<CheckedFileStream> file(new CheckedFileStream(target));
    if (file->Error() != ERROR_SUCCESS)
        throw RenderFailure{L"its file " + target + L" could not be written: " + System::GetErrorText(file->Error()),
                            file->Error()};
    VARIANT output;
    VariantInit(&output);
    output.vt = VT_UNKNOWN;
    output.punkVal = file.Get();
    HRESULT result = processor->put_output(output);
    VARIANT_BOOL finished = VARIANT_FALSE;
    if (SUCCEEDED(result))
        result = processor->transform(&finished);
    const std::wstring transformFailure = FAILED(result) ? FailureText(result) : std::wstring();
    // Written through the stream, the page's bytes follow the stylesheet's output encoding, the
    // charset its head declares. The processor lets the stream go only when it goes itself.
    processor.Reset();
    const DWORD written = file->Close();
    if (written != ERROR_SUCCESS)
        throw RenderFailure{L"its file " + target + L" could not be written: " + System::GetErrorText(written), written};
    if (!transformFailure.empty() || finished != VARIANT_TRUE) {
        DeleteFileW(target.c_str());
        throw RenderFailure{transformFailure.empty() ? L"the transformation did not finish"
                                                     : L"the transformation failed: " + transformFailure};
    }
}

} // namespace Gathrix
