#include "collector/result/JobModel.h"

#include "collector/result/ResultFileWriter.h"
#include "common/Exceptions.h"
#include "common/Text.h"

namespace Gathrix {

void ITreeElement::DescribeAttributes(Serialization::AttributeList& attributes) const {
    attributes.emplace_back(L"showNumOfChildren", GetShowNumOfChildren());
    attributes.emplace_back(L"type", GetType());
}

void ITreeElement::DescribeMembers(Serialization::MemberList& members) const {
    members.push_back({L"Value", GetValue(), nullptr});
    std::vector<ITreeElement*> children;
    GetChildren(children);
    for (const ITreeElement* child : children)
        members.push_back({child->GetElementName(), std::wstring(), child});
}

void ITreeElement::RequireWriter() const {
    if (writer == nullptr)
        throw MessageException(L"Result file writer not initialized");
}

void ITreeElement::OpenTreeElement(const std::wstring& showNumOfChildren, const std::wstring& type,
                                   const std::wstring& value, const std::wstring& externalLink,
                                   const std::wstring& embeddedObjectLink) {
    RequireWriter();
    writer->OpenNode(L"TreeElement");
    writer->AddAttribute(L"showNumOfChildren", showNumOfChildren);
    writer->AddAttribute(L"type", type);
    writer->OpenNodeWithText(L"Value", value);
    if (!externalLink.empty()) {
        writer->AddAttribute(L"externalLink", externalLink);
        // The report's links: XSLT 1.0 cannot escape a URL itself, and "externalLink" keeps the
        // plain path that readers of the result files take.
        writer->AddAttribute(L"externalLinkUrl", Utils::EscapeUrlPath(externalLink));
    }
    if (!embeddedObjectLink.empty())
        writer->AddAttribute(L"embeddedObjectLink", embeddedObjectLink);
    writer->CloseNode();
}

// ---------------------------------------------------------------- leaf

TreeElementLeaf::TreeElementLeaf(std::wstring value, std::wstring type) : value(std::move(value)), type(std::move(type)) {}

void TreeElementLeaf::Collect() {
    OpenTreeElement(L"false", type, value, GetExternalLink(), GetEmbeddedObjectLink());
    writer->CloseNode();
}

// ---------------------------------------------------------------- group

TreeElementGroup::TreeElementGroup(std::wstring value, std::wstring type, bool showNumOfChildren)
    : value(std::move(value)), type(std::move(type)), showNumOfChildren(showNumOfChildren) {}

TreeElementGroup::~TreeElementGroup() {
    for (std::unique_ptr<IJobItem>& child : children)
        child.reset();
}

void TreeElementGroup::GetChildren(std::vector<ITreeElement*>& result) const {
    for (const std::unique_ptr<IJobItem>& child : children) {
        if (ITreeElement* element = dynamic_cast<ITreeElement*>(child.get()))
            result.push_back(element);
    }
}

void TreeElementGroup::AddJobItem(IJobItem* item) {
    children.emplace_back(item);
}

void TreeElementGroup::Collect() {
    OpenTreeElement(GetShowNumOfChildren(), type, value);
    for (const std::unique_ptr<IJobItem>& child : children) {
        if (!child)
            continue;
        child->writer = writer;
        child->Collect();
    }
    writer->CloseNode();
}

} // namespace Gathrix
