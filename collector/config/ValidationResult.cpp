#include "collector/config/ValidationResult.h"

#include "common/Logging.h"
#include "common/Text.h"

#include <tinyxml.h>

namespace Gathrix::ConfigParsing {

namespace {

// The library's positions already count from 1; a position it never recorded stays 0.
std::string Position(const TiXmlBase* node) {
    return "(row " + std::to_string(node->Row()) + ", column " + std::to_string(node->Column()) + ")";
}

std::string Named(const TiXmlElement* element) {
    return "'" + element->ValueStr() + "' " + Position(element);
}

// Each item as a blank and the item in apostrophes; the caller's lead text ends with a blank
// already, which is why two blanks stand before the first item.
std::string QuotedList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items)
        list += " '" + item + "'";
    return list;
}

} // namespace

void ValidationResult::SetUnexpectedElement(const TiXmlElement* child, const std::string& expected) {
    Report(false, "Unexpected XML element " + Named(child) + ". Expected was an XML element '" + expected + "'.");
}

void ValidationResult::SetUnexpectedElement(const TiXmlElement* child, const std::vector<std::string>& expected) {
    Report(false, "Unexpected XML element " + Named(child) + ". Expected was one of these XML elements: " +
                      QuotedList(expected) + ".");
}

void ValidationResult::SetUnexpectedElement(const TiXmlElement* child) {
    Report(false, "Unexpected XML element " + Named(child) + ".");
}

void ValidationResult::SetMissingElement(const std::string& name) {
    Report(false, "Missing XML element '" + name + "'.");
}

void ValidationResult::SetMissingElement(const std::vector<std::string>& names) {
    Report(false, "Missing one of these XML elements: " + QuotedList(names) + ".");
}

void ValidationResult::SetValid() {
    Report(true, "valid.");
}

void ValidationResult::SetUnexpectedAttribute(const TiXmlAttribute* attribute) {
    Report(false, "Unexpected XML Attribute '" + attribute->NameTStr() + "' " + Position(attribute) + ".");
}

void ValidationResult::SetMissingAttribute(const std::string& name) {
    Report(false, "Missing XML Attribute '" + name + "'.");
}

// These two texts have always read this way, with no blank between the name's closing
// apostrophe and "Expected"; they are kept exactly.
void ValidationResult::SetWrongAttributeValue(const TiXmlAttribute* attribute, const std::string& expected) {
    Report(false, "Wrong XML Attribute Value for attribute '" + attribute->NameTStr() + "'Expected was the value " +
                      expected + ".");
}

void ValidationResult::SetWrongAttributeValue(const TiXmlAttribute* attribute,
                                              const std::vector<std::string>& expected) {
    Report(false, "Wrong XML Attribute Value for attribute '" + attribute->NameTStr() +
                      "'Expected was one of these XML Attributes: " + QuotedList(expected) + ".");
}

void ValidationResult::Report(bool verdict, const std::string& text) {
    valid = verdict;
    message = "XML element " + Named(element) + ": " + text;
    if (verdict)
        Logging::Logger::Debug(Utils::FromUtf8(message));
    else
        Logging::Logger::Warning(message);
}

} // namespace Gathrix::ConfigParsing
