#include "collector/collectors/files/LogFile.h"

#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"

#include <string>

namespace Gathrix {

void LogFile::DescribeAttributes(Serialization::AttributeList& attributes) const {
    if (grouped)
        attributes.emplace_back(L"type", L"grouped");
    attributes.emplace_back(L"minlevel", std::to_wstring(minLevel));
}

void LogFile::Collect() {
    if (writer == nullptr)
        throw MessageException(L"Result file writer not initialized");
    writer->OpenNode(GetElementName());
    Serialization::AttributeList attributes;
    DescribeAttributes(attributes);
    for (const auto& [name, value] : attributes)
        writer->AddAttribute(name, value);
    writer->CloseNode();
}

} // namespace Gathrix
