#pragma once
// The xml-stylesheet processing instruction as a node of the XML library. The library itself
// would read the instruction as a declaration and cannot print one with its pseudo-attributes;
// with this node a result file keeps its stylesheet through a save and reload.

#include <tinyxml.h>

#include <string>

// Records a node's position in the parsed text (defined beside the library's parser).
void TiXmlStampLocation(TiXmlParsingData* data, const char* now, TiXmlEncoding encoding, TiXmlCursor& location);

class TiXmlStylesheetReference : public TiXmlNode {
public:
    TiXmlStylesheetReference() : TiXmlNode(TiXmlNode::TINYXML_STYLESHEETREFERENCE) {}
    TiXmlStylesheetReference(const std::string& type, const std::string& href);
    TiXmlStylesheetReference(const TiXmlStylesheetReference& copy);
    TiXmlStylesheetReference& operator=(const TiXmlStylesheetReference& copy);
    virtual ~TiXmlStylesheetReference() {}

    const std::string& Type() const { return type; }
    const std::string& Href() const { return href; }

    virtual void Print(FILE* cfile, int depth) const { Print(cfile, depth, 0); }
    virtual const char* Parse(const char* p, TiXmlParsingData* data, TiXmlEncoding encoding);

    virtual const TiXmlStylesheetReference* ToStylesheetReference() const { return this; }
    virtual TiXmlStylesheetReference* ToStylesheetReference() { return this; }

    virtual TiXmlNode* Clone() const;
    virtual bool Accept(TiXmlVisitor* visitor) const;
    // Writes the instruction as it is: no indentation, values unescaped.
    virtual void Print(FILE* cfile, int depth, TIXML_STRING* str) const;

protected:
    void CopyTo(TiXmlStylesheetReference* target) const;
#ifdef TIXML_USE_STL
    virtual void StreamIn(std::istream* in, TIXML_STRING* tag);
#endif

private:
    std::string type;
    std::string href;
};
