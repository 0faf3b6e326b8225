#pragma once
// The verdict of one element's validation. Every report names the element being validated and
// its place in the file, says what is wrong, and is logged the moment it is made, so a user can
// find the fault in the mode file from the log alone.

#include <string>
#include <vector>

class TiXmlAttribute;
class TiXmlElement;

namespace Gathrix::ConfigParsing {

class ValidationResult {
public:
    explicit ValidationResult(const TiXmlElement* element) : element(element) {}

    // Expected was the element `expected` / one of `expected`, or (without it) nothing at all.
    void SetUnexpectedElement(const TiXmlElement* child, const std::string& expected);
    void SetUnexpectedElement(const TiXmlElement* child, const std::vector<std::string>& expected);
    void SetUnexpectedElement(const TiXmlElement* child);
    void SetMissingElement(const std::string& name);
    void SetMissingElement(const std::vector<std::string>& names);
    void SetValid();
    void SetUnexpectedAttribute(const TiXmlAttribute* attribute);
    void SetMissingAttribute(const std::string& name);
    void SetWrongAttributeValue(const TiXmlAttribute* attribute, const std::string& expected);
    void SetWrongAttributeValue(const TiXmlAttribute* attribute, const std::vector<std::string>& expected);

    bool valid = true;
    std::string message;  // UTF-8, the last report made
    const TiXmlElement* element;

private:
    void Report(bool verdict, const std::string& text);
};

} // namespace Gathrix::ConfigParsing
