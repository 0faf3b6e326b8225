#include "common/XmlFiles.h"

#include "common/Text.h"

#include "common/TiXmlStylesheetReference.h"

#include <tinyxml.h>

#include <cstdio>
#include <memory>

namespace Gathrix::Utils {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

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

bool SaveXmlFile(const TiXmlDocument& document, const std::wstring& path) {
    UniqueFile file(_wfopen(path.c_str(), L"wb"));
    if (!file)
        return false;
    // The library prints in many small pieces; a large buffer saves most of the write calls.
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);
    const bool printed = document.SaveFile(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    return printed && closed;
}

} // namespace Gathrix::Utils

namespace Gathrix::Utils {

bool SaveXmlFileInOneWrite(const TiXmlDocument& document, const std::wstring& path) {
    std::string printed;
    for (const TiXmlNode* node = document.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (!PrintNode(*node, 0, printed))
            return SaveXmlFile(document, path);
        printed += '\n';
    }
    UniqueFile file(_wfopen(path.c_str(), L"wb"));
    if (!file)
        return false;
    const bool written = printed.empty() || std::fwrite(printed.data(), 1, printed.size(), file.get()) == printed.size();
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed;
}

} // namespace Gathrix::Utils
