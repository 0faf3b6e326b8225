#include "collector/core/ReportRenderer.h"

#include "common/Handles.h"
#include "common/Logging.h"
#include "common/Text.h"

#include <windows.h>
#include <msxml2.h>
#include <shlwapi.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace Gathrix {

namespace {

// The interfaces of MSXML that the headers declare without their identifiers.
const IID IidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID IidXslTemplate = {0x2933bf93, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

const wchar_t* const StylesheetFile = L"stylesheet\\stylesheet.xslt";
const wchar_t* const PageRoot = L"GathrixResult";

struct ComScope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ComScope() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
};

UniqueBstr Bstr(const std::wstring& text) {
    return UniqueBstr(SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size())));
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
        description && SysStringLen(description.Get()) > 0) {
        std::wstring text(description.Get(), SysStringLen(description.Get()));
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
            text.pop_back();
        return text + L" (" + HResultText(result) + L")";
    }
    return L"error " + HResultText(result);
}

struct Failure {
    std::wstring reason;
};

void Check(HRESULT result, const wchar_t* step) {
    if (FAILED(result))
        throw Failure{std::wstring(step) + L": " + FailureText(result)};
}

// MSXML 6 is loaded by COM from the path the system registered for it (the system folder).
ComPtr<IXMLDOMDocument2> CreateDocument() {
    CLSID id;
    Check(CLSIDFromProgID(L"Msxml2.FreeThreadedDOMDocument.6.0", &id), L"MSXML 6 is not available");
    ComPtr<IXMLDOMDocument2> document;
    Check(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IidXmlDomDocument2, document.PutVoid()),
          L"MSXML 6 is not available");
    return document;
}

void SetFlag(IXMLDOMDocument2& document, const wchar_t* name, bool on) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    UniqueBstr property = Bstr(name);
    Check(document.setProperty(property.Get(), value), name);
}

// Loads a file without DTDs: neither the result files nor the stylesheets have one, and none is
// ever fetched or expanded.
void Load(IXMLDOMDocument2& document, const std::wstring& path) {
    document.put_async(VARIANT_FALSE);
    document.put_validateOnParse(VARIANT_FALSE);
    SetFlag(document, L"ProhibitDTD", true);
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    UniqueBstr name = Bstr(path);
    source.bstrVal = name.Get();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT result = document.load(source, &loaded);
    if (SUCCEEDED(result) && loaded == VARIANT_TRUE)
        return;
    std::wstring reason = L"not loaded";
    ComPtr<IXMLDOMParseError> error;
    UniqueBstr text;
    long line = 0;
    if (SUCCEEDED(document.get_parseError(error.Put())) && error && SUCCEEDED(error->get_reason(text.Put())) && text) {
        reason.assign(text.Get(), SysStringLen(text.Get()));
        while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
            reason.pop_back();
        if (SUCCEEDED(error->get_line(&line)) && line > 0)
            reason += L" (line " + std::to_wstring(line) + L")";
    }
    throw Failure{reason};
}

std::wstring RootName(IXMLDOMDocument2& document) {
    ComPtr<IXMLDOMElement> root;
    UniqueBstr name;
    if (document.get_documentElement(root.Put()) != S_OK || !root || FAILED(root->get_nodeName(name.Put())) || !name)
        return std::wstring();
    return std::wstring(name.Get(), SysStringLen(name.Get()));
}

bool ShowsLog(IXMLDOMDocument2& document) {
    ComPtr<IXMLDOMNode> found;
    UniqueBstr query = Bstr(L"/GathrixResult/ResultSet/Logfile");
    return document.selectSingleNode(query.Get(), found.Put()) == S_OK && found;
}

class PageRenderer {
public:
    PageRenderer(const std::wstring& stylesheetPath, std::wstring dataFolderUrl)
        : dataFolderUrl(std::move(dataFolderUrl)) {
        ComPtr<IXMLDOMDocument2> stylesheet = CreateDocument();
        // The stylesheet's own includes and document() reads (navigation, log) are files beside it.
        stylesheet->put_resolveExternals(VARIANT_TRUE);
        SetFlag(*stylesheet.Get(), L"AllowDocumentFunction", true);
        SetFlag(*stylesheet.Get(), L"AllowXsltScript", false);
        Load(*stylesheet.Get(), stylesheetPath);
        CLSID id;
        Check(CLSIDFromProgID(L"Msxml2.XSLTemplate.6.0", &id), L"MSXML 6 is not available");
        Check(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IidXslTemplate, compiled.PutVoid()),
              L"MSXML 6 is not available");
        Check(compiled->putref_stylesheet(stylesheet.Get()), L"stylesheet");
    }

    // The result file loaded; false when it is no page of the report.
    ComPtr<IXMLDOMDocument2> LoadPage(const std::wstring& path) {
        ComPtr<IXMLDOMDocument2> page = CreateDocument();
        page->put_resolveExternals(VARIANT_FALSE);
        Load(*page.Get(), path);
        if (RootName(*page.Get()) != PageRoot)
            return ComPtr<IXMLDOMDocument2>();
        return page;
    }

    void Render(IXMLDOMDocument2& page, const std::wstring& target) {
        ComPtr<IXSLProcessor> processor;
        Check(compiled->createProcessor(processor.Put()), L"processor");
        AddParameter(*processor.Get(), L"linkext", L".html");
        AddParameter(*processor.Get(), L"datafolder", dataFolderUrl);
        VARIANT input;
        VariantInit(&input);
        input.vt = VT_UNKNOWN;
        input.punkVal = &page;
        Check(processor->put_input(input), L"input");

        bool done = false;
        {
            ComPtr<IStream> file;
            Check(SHCreateStreamOnFileEx(target.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_DENY_WRITE,
                                         FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, file.Put()),
                  L"HTML file");
            try {
                // Written through the stream, the page's bytes follow the stylesheet's output
                // encoding, the charset its head declares.
                VARIANT output;
                VariantInit(&output);
                output.vt = VT_UNKNOWN;
                output.punkVal = file.Get();
                Check(processor->put_output(output), L"output");
                VARIANT_BOOL finished = VARIANT_FALSE;
                Check(processor->transform(&finished), L"transformation");
                done = finished == VARIANT_TRUE;
            } catch (const Failure&) {
                processor.Reset();
                file.Reset();
                DeleteFileW(target.c_str());
                throw;
            }
        }
        processor.Reset();
        if (!done) {
            DeleteFileW(target.c_str());
            throw Failure{L"the transformation did not finish"};
        }
    }

private:
    static void AddParameter(IXSLProcessor& processor, const wchar_t* name, const std::wstring& text) {
        UniqueBstr parameter = Bstr(name);
        UniqueBstr empty = Bstr(L"");
        UniqueBstr content = Bstr(text);
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = content.Get();
        Check(processor.addParameter(parameter.Get(), value, empty.Get()), name);
    }

    ComPtr<IXSLTemplate> compiled;
    std::wstring dataFolderUrl;
};

// In place of a page that could not be rendered: the other pages link to X.html, so it opens the
// XML view, which browsers that still apply stylesheets show as before.
void WriteFallbackPage(const std::wstring& target, const std::wstring& resultFile) {
    const std::string link = Utils::ToUtf8(Utils::EscapeUrlPath(resultFile));
    const std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n"
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
        "<meta http-equiv=\"refresh\" content=\"0; URL=" + link + "\">\n"
        "<title>Quellon Support Information</title>\n</head>\n"
        "<body>\n<p><a href=\"" + link + "\">" + link + "</a></p>\n</body>\n</html>\n";
    UniqueHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file)
        WriteFile(file.Get(), page.data(), static_cast<DWORD>(page.size()), &written, nullptr);
}

void Warn(const std::wstring& path, const std::wstring& name, const std::wstring& reason) {
    Logging::Logger::Instance().Log(Logging::Warning, L"The report page " + path +
                                                          L" could not be rendered; its XML view stays: " + reason);
    WriteFallbackPage(path.substr(0, path.size() - 4) + L".html", name);
}

// "file:///C:/.../data/": what the stylesheets read is named in full.
std::wstring FolderUrl(const std::wstring& folder) {
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring path = length > 0 && length < MAX_PATH * 4 ? std::wstring(full, length) : folder;
    std::wstring url;
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        url = L"file:" + Utils::EscapeUrlPath(path);  // "file://server/share/..."
    } else if (path.size() >= 2 && path[1] == L':') {
        url = L"file:///" + path.substr(0, 2) + Utils::EscapeUrlPath(path.substr(2));
    } else {
        url = L"file:///" + Utils::EscapeUrlPath(path);
    }
    if (url.back() != L'/')
        url += L'/';
    return url;
}

std::vector<std::wstring> ResultFiles(const std::wstring& dataFolder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFindHandle search(FindFirstFileW((dataFolder + L"\\*.xml").c_str(), &entry));
    if (!search)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() < 5 ||
            !Utils::EqualsNoCase(name.substr(name.size() - 4), L".xml"))
            continue;
        // What the pages read, not pages themselves.
        if (Utils::EqualsNoCase(name, L"Navigation.xml") || Utils::EqualsNoCase(name, L"Logfile.xml"))
            continue;
        names.push_back(name);
    } while (FindNextFileW(search.Get(), &entry));
    return names;
}

} // namespace

ReportRenderSummary RenderReportPages(const std::wstring& dataFolder,
                                      const std::function<void(const ReportRenderSummary&)>& beforeLogPages) {
    const ULONGLONG start = GetTickCount64();
    ReportRenderSummary summary;
    const std::vector<std::wstring> names = ResultFiles(dataFolder);
    ComScope com;
    std::unique_ptr<PageRenderer> renderer;
    try {
        renderer = std::make_unique<PageRenderer>(dataFolder + L"\\" + StylesheetFile, FolderUrl(dataFolder));
    } catch (const Failure& failure) {
        summary.pages = static_cast<unsigned>(names.size());
        Logging::Logger::Instance().Log(Logging::Warning,
                                        L"The report pages could not be rendered; their XML views stay: " +
                                            failure.reason);
        for (const std::wstring& name : names)
            WriteFallbackPage(dataFolder + L"\\" + name.substr(0, name.size() - 4) + L".html", name);
        summary.milliseconds = static_cast<unsigned>(GetTickCount64() - start);
        if (beforeLogPages)
            beforeLogPages(summary);
        return summary;
    }

    // One page in memory at a time; the log pages wait for the log's last warnings.
    std::vector<std::wstring> logPages;
    auto renderOne = [&](const std::wstring& name, bool deferLogPage) {
        const std::wstring path = dataFolder + L"\\" + name;
        bool counted = false;
        try {
            ComPtr<IXMLDOMDocument2> page = renderer->LoadPage(path);
            if (!page)
                return;
            if (deferLogPage && ShowsLog(*page.Get())) {
                logPages.push_back(name);
                return;
            }
            ++summary.pages;
            counted = true;
            renderer->Render(*page.Get(), path.substr(0, path.size() - 4) + L".html");
            ++summary.rendered;
        } catch (const Failure& failure) {
            // A file that does not load counts as a page: only a page is named so.
            if (!counted)
                ++summary.pages;
            Warn(path, name, failure.reason);
        }
    };
    for (const std::wstring& name : names)
        renderOne(name, true);
    summary.logPages = static_cast<unsigned>(logPages.size());
    summary.milliseconds = static_cast<unsigned>(GetTickCount64() - start);
    if (beforeLogPages)
        beforeLogPages(summary);
    for (const std::wstring& name : logPages)
        renderOne(name, false);
    summary.milliseconds = static_cast<unsigned>(GetTickCount64() - start);
    return summary;
}

} // namespace Gathrix
