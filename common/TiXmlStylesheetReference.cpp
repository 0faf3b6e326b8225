#include "common/TiXmlStylesheetReference.h"

#include <cstdio>

TiXmlStylesheetReference::TiXmlStylesheetReference(const std::string& type, const std::string& href)
    : TiXmlNode(TiXmlNode::TINYXML_STYLESHEETREFERENCE), type(type), href(href) {}

TiXmlStylesheetReference::TiXmlStylesheetReference(const TiXmlStylesheetReference& copy)
    : TiXmlNode(TiXmlNode::TINYXML_STYLESHEETREFERENCE) {
    copy.CopyTo(this);
}

TiXmlStylesheetReference& TiXmlStylesheetReference::operator=(const TiXmlStylesheetReference& copy) {
    if (this != &copy) {
        Clear();
        copy.CopyTo(this);
    }
    return *this;
}

void TiXmlStylesheetReference::CopyTo(TiXmlStylesheetReference* target) const {
    TiXmlNode::CopyTo(target);
    target->type = type;
    target->href = href;
}

TiXmlNode* TiXmlStylesheetReference::Clone() const {
    TiXmlStylesheetReference* clone = new TiXmlStylesheetReference();
    CopyTo(clone);
    return clone;
}

bool TiXmlStylesheetReference::Accept(TiXmlVisitor* visitor) const {
    return visitor->Visit(*this);
}

void TiXmlStylesheetReference::Print(FILE* cfile, int /*depth*/, TIXML_STRING* str) const {
    std::string text = "<?xml-stylesheet ";
    if (!type.empty())
        text += "type=\"" + type + "\" ";
    if (!href.empty())
        text += "href=\"" + href + "\" ";
    text += "?>";
    if (cfile)
        std::fputs(text.c_str(), cfile);
    if (str)
        (*str) += text.c_str();
}

const char* TiXmlStylesheetReference::Parse(const char* p, TiXmlParsingData* data, TiXmlEncoding encoding) {
    p = SkipWhiteSpace(p, encoding);
    TiXmlDocument* document = GetDocument();
    if (!p || !*p || !StringEqual(p, "<?xml-stylesheet", true, encoding)) {
        if (document)
            document->SetError(TIXML_ERROR_PARSING_DECLARATION, 0, 0, encoding);
        return 0;
    }
    if (data)
        TiXmlStampLocation(data, p, encoding, location);
    type.clear();
    href.clear();
    p += 5;
    while (p && *p) {
        if (*p == '>')
            return p + 1;
        p = SkipWhiteSpace(p, encoding);
        if (!p || !*p)
            break;
        if (StringEqual(p, "type", true, encoding)) {
            TiXmlAttribute attribute;
            p = attribute.Parse(p, data, encoding);
            type = attribute.ValueStr();
        } else if (StringEqual(p, "href", true, encoding)) {
            TiXmlAttribute attribute;
            p = attribute.Parse(p, data, encoding);
            href = attribute.ValueStr();
        } else {
            // The rest of the target name, other pseudo-attributes, the closing "?".
            while (p && *p && *p != '>' && !IsWhiteSpace(*p))
                ++p;
        }
    }
    return 0;
}

#ifdef TIXML_USE_STL
void TiXmlStylesheetReference::StreamIn(std::istream* in, TIXML_STRING* tag) {
    while (in->good()) {
        int c = in->get();
        if (c <= 0) {
            if (TiXmlDocument* document = GetDocument())
                document->SetError(TIXML_ERROR_EMBEDDED_NULL, 0, 0, TIXML_ENCODING_UNKNOWN);
            return;
        }
        (*tag) += static_cast<char>(c);
        if (c == '>')
            return;
    }
}
#endif
