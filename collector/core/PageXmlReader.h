#pragma once
// Reads a result file as a sequence of elements and texts, in pieces and without recursion: neither
// a file of hundreds of megabytes nor one nested hundreds of levels deep can exhaust the reader's
// memory or stack. It takes what the collector writes (elements, attributes, texts, CDATA, comments,
// processing instructions, the declaration) and stops at anything else with the reason, so that a
// damaged file is never taken for a whole one.

#include "common/Handles.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Gathrix {

class PageXmlReader {
public:
    enum class Item { Start, End, Text, Finished, Failed };
    struct Attribute {
        std::string name;
        std::string value;  // decoded, UTF-8
    };

    // Opens the file by its path as given (never as a URL).
    explicit PageXmlReader(const std::wstring& path);
    PageXmlReader(const PageXmlReader&) = delete;
    PageXmlReader& operator=(const PageXmlReader&) = delete;

    // The next item. A long text comes as several Text items of at most about a megabyte each;
    // whitespace between elements comes as Text too. After Finished or Failed, the same again.
    Item Next();

    const std::string& Name() const { return name; }  // of the element started or ended, UTF-8
    const std::vector<Attribute>& Attributes() const { return attributes; }
    const std::string& Text() const { return text; }  // decoded, UTF-8
    const std::wstring& Failure() const { return failure; }
    // The system error when the file could not be opened or read; 0 otherwise.
    std::uint32_t SystemError() const { return systemError; }
    // Elements open, the one just started included.
    std::size_t Depth() const { return open.size(); }

private:
    int Get();
    void Unget(int c) { pushedBack = c; }
    Item Fail(const std::wstring& reason);
    bool SkipPast(const char* terminator);
    bool ReadName(std::string& target, int first);
    bool AppendReference(std::string& target);
    Item ReadStartTag(int first);
    Item ReadEndTag();
    bool ReadMarkup(Item& item);

    UniqueHandle file;
    std::vector<char> buffer;
    std::size_t position = 0;
    std::size_t filled = 0;
    int pushedBack = -2;
    bool atEnd = false;

    std::vector<std::string> open;
    bool rootSeen = false;
    bool closePending = false;
    Item last = Item::Start;

    std::string name;
    std::vector<Attribute> attributes;
    std::string text;
    std::wstring failure;
    std::uint32_t systemError = 0;
};

} // namespace Gathrix
