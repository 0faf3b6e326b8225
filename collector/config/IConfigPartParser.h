#pragma once
// The interfaces of dispatch and of every part parser. A part parser hands the child elements of
// the elements it handles back to the dispatcher by name, through the forwarders below; the
// dispatcher finds the parser registered for the child's name, validates the child and, when it
// is valid, calls the parser's parse method for the route asked for.

#include "collector/config/ConfigParserDelegate.h"

namespace Gathrix::ConfigParsing {

class DelegationParser {
public:
    virtual TopLevelEntityPtr DelegateParseToTopLevelEntity(const TiXmlElement* element,
                                                            const ActiveNavigation& navigation,
                                                            const std::string& name) = 0;
    virtual TopLevelEntityList DelegateParseToTopLevelEntities(const TiXmlElement* element,
                                                               const ActiveNavigation& navigation,
                                                               const std::string& name) = 0;
    virtual void DelegateParseToJobItems(const TiXmlElement* element, IJobItemContainer& container,
                                         const std::string& name) = 0;

protected:
    ~DelegationParser() = default;
};

class IConfigPartParser {
public:
    IConfigPartParser() = default;
    IConfigPartParser(const IConfigPartParser&) = delete;
    IConfigPartParser& operator=(const IConfigPartParser&) = delete;

    // One new delegate per element name this parser handles, each referring to this parser.
    virtual DelegateMap GetDelegates() = 0;
    virtual ~IConfigPartParser() = default;

    // Forward to `delegationParser`; before registration they log and dispatch nothing.
    TopLevelEntityPtr DelegateParseToTopLevelEntity(const TiXmlElement* element, const ActiveNavigation& navigation,
                                                    const std::string& name);
    TopLevelEntityList DelegateParseToTopLevelEntities(const TiXmlElement* element,
                                                       const ActiveNavigation& navigation, const std::string& name);
    void DelegateParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);

    // The validation of the job elements that take no child element (see the free function);
    // a member so that it can stand in any parser's delegate.
    bool ValidateNoChildElements(const TiXmlElement* element, ValidationResult& result);

    DelegationParser* delegationParser = nullptr;  // set by registration, not owned
};

// Valid when the element has no child element; text, comments and attributes are not examined.
bool ValidateNoChildElements(const TiXmlElement* element, ValidationResult& result);

// The text of an element as the library gives it (its first child when that is text), in UTF-8.
// The library has none for an empty or blank element or one whose first node is a comment; that
// reads as empty text.
std::string ElementText(const TiXmlElement* element);
std::wstring ElementWideText(const TiXmlElement* element);

} // namespace Gathrix::ConfigParsing
