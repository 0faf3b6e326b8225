// Every XML file the programs read goes through the library's parser, which descends one call
// chain per level of nesting: the mode files, the XML log an earlier run left, result files read
// back on a split, the wizard's mode names. A file nested past the bound is refused, at any depth,
// before the stack could overflow.

#include "common/XmlFiles.h"

#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

using namespace Gathrix::Testing;

std::string Nested(int levels) {
    std::string xml;
    for (int i = 0; i < levels; ++i)
        xml += "<e>";
    for (int i = 0; i < levels; ++i)
        xml += "</e>";
    return xml;
}

TEST(XmlFiles, NestingPastTheBoundIsRefusedAtAnyDepth) {
    ScratchFolder folder(L"xml-depth");
    const std::wstring path = folder / L"deep.xml";
    for (int levels : {TIXML_MAX_ELEMENT_DEPTH, TIXML_MAX_ELEMENT_DEPTH + 1, 100000}) {
        SCOPED_TRACE(levels);
        WriteFileBytes(path, Nested(levels));
        TiXmlDocument document;
        const bool withinBound = levels <= TIXML_MAX_ELEMENT_DEPTH;
        EXPECT_EQ(withinBound, Gathrix::Utils::LoadXmlFile(document, path));
        EXPECT_EQ(withinBound ? TiXmlBase::TIXML_NO_ERROR : TiXmlBase::TIXML_ERROR_NESTING_TOO_DEEP, document.ErrorId());
        if (!withinBound) {
            EXPECT_EQ(std::string("Error: elements nested more than 1000 levels deep."), document.ErrorDesc());
            EXPECT_EQ(1, document.ErrorRow());
            EXPECT_EQ(3 * TIXML_MAX_ELEMENT_DEPTH + 1, document.ErrorCol());
        }
    }
    EXPECT_EQ(1000, TIXML_MAX_ELEMENT_DEPTH);
}

} // namespace
