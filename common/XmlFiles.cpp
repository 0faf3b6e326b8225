#include "common/XmlFiles.h"

#include "common/FileWrites.h"
#include "common/Text.h"

#include "common/TiXmlStylesheetReference.h"

#include <tinyxml.h>

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <io.h>
#include <memory>

namespace Gathrix::Utils {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// The system error behind the C runtime's last failure; where the runtime found the fault
// itself (a short write to a full disk) only its own error number tells.
std::uint32_t RuntimeError() {
    if (_doserrno != 0)
        return static_cast<std::uint32_t>(_doserrno);
    if (errno == ENOSPC)
        return ERROR_DISK_FULL;
    if (errno == EACCES)
        return ERROR_ACCESS_DENIED;
    if (errno == ENOENT)
        return ERROR_PATH_NOT_FOUND;
    return ERROR_WRITE_FAULT;
}

bool IsXmlCharacter(wchar_t unit) {
    if (unit < 0x20)
        return unit == L'\t' || unit == L'\n' || unit == L'\r';
    return unit != 0xFFFE && unit != 0xFFFF;
}

void Indent(std::string& out, int depth) {
    for (int i = 0; i < depth; ++i)
        out += "    ";
}

// The library's printer, piece for piece (text values through c_str(), as its formatted output
// takes them). False for a node it has no rule for here.
bool PrintNode(const TiXmlNode& node, int depth, std::string& out) {
    if (const TiXmlElement* element = node.ToElement()) {
        Indent(out, depth);
        out += '<';
        out += element->Value();
        for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute != nullptr;
             attribute = attribute->Next()) {
            out += ' ';
            attribute->Print(nullptr, depth, &out);
        }
        const TiXmlNode* first = element->FirstChild();
        if (first == nullptr) {
            out += " />";
        } else if (first == element->LastChild() && first->ToText() != nullptr) {
            out += '>';
            if (!PrintNode(*first, depth + 1, out))
                return false;
            out += "</";
            out += element->Value();
            out += '>';
        } else {
            out += '>';
            for (const TiXmlNode* child = first; child != nullptr; child = child->NextSibling()) {
                if (child->ToText() == nullptr)
                    out += '\n';
                if (!PrintNode(*child, depth + 1, out))
                    return false;
            }
            out += '\n';
            Indent(out, depth);
            out += "</";
            out += element->Value();
            out += '>';
        }
        return true;
    }
    if (const TiXmlText* text = node.ToText()) {
        if (text->CDATA()) {
            out += '\n';
            Indent(out, depth);
            out += "<![CDATA[";
            out += text->Value();
            out += "]]>\n";
        } else {
            std::string encoded;
            TiXmlBase::EncodeString(text->ValueTStr(), &encoded);
            out += encoded.c_str();
        }
        return true;
    }
    if (const TiXmlDeclaration* declaration = node.ToDeclaration()) {
        declaration->Print(nullptr, depth, &out);
        return true;
    }
    if (node.Type() == TiXmlNode::TINYXML_STYLESHEETREFERENCE) {
        static_cast<const TiXmlStylesheetReference&>(node).Print(nullptr, depth, &out);
        return true;
    }
    return false;
}

} // namespace

std::string ToXmlUtf8(const std::wstring& text) {
    std::wstring clean(text);
    for (wchar_t& unit : clean) {
        if (!IsXmlCharacter(unit))
            unit = 0xFFFD;
    }
    return ToUtf8(clean);
}

bool LoadXmlFile(TiXmlDocument& document, const std::wstring& path, bool keepWhiteSpace) {
    UniqueFile file(_wfopen(path.c_str(), L"rb"));
    if (!file)
        return false;
    // The library's white-space switch is global; the configuration reader relies on its default.
    const bool condensed = TiXmlBase::IsWhiteSpaceCondensed();
    TiXmlBase::SetCondenseWhiteSpace(!keepWhiteSpace);
    const bool loaded = document.LoadFile(file.get());
    TiXmlBase::SetCondenseWhiteSpace(condensed);
    return loaded;
}

std::uint32_t SaveXmlFile(const TiXmlDocument& document, const std::wstring& path) {
    _doserrno = 0;
    errno = 0;
    UniqueFile file(_wfopen(path.c_str(), L"wb"));
    if (!file)
        return RuntimeError();
    // The library prints in many small pieces; a large buffer saves most of the write calls.
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);
    std::uint32_t error = ERROR_SUCCESS;
    // A full disk may show only when the buffer or the system's cache reaches it.
    if (!document.SaveFile(file.get()) || std::fflush(file.get()) != 0 || std::ferror(file.get()))
        error = RuntimeError();
    else if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))))
        error = GetLastError();
    if (std::fclose(file.release()) != 0 && error == ERROR_SUCCESS)
        error = RuntimeError();
    if (error != ERROR_SUCCESS)
        _wremove(path.c_str());
    return error;
}

bool PrintXmlDocument(const TiXmlDocument& document, std::string& printed) {
    printed.clear();
    for (const TiXmlNode* node = document.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (!PrintNode(*node, 0, printed))
            return false;
        printed += '\n';
    }
    return true;
}

std::uint32_t SaveXmlFileInOneWrite(const TiXmlDocument& document, const std::wstring& path) {
    std::string printed;
    if (!PrintXmlDocument(document, printed))
        return SaveXmlFile(document, path);
    return WriteWholeFile(path, printed);
}

} // namespace Gathrix::Utils
