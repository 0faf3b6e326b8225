#pragma once
// What every collection job is: an object that, when the run reaches it, writes its findings
// through a result file writer. Nearly every job writes one "TreeElement" tree.

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Gathrix {

class ResultFileWriter;

namespace Serialization {

using AttributeList = std::vector<std::pair<std::wstring, std::wstring>>;

class ISerializable;

// One member of an element's description: a child element with a text, or a described object.
struct MemberDescription {
    std::wstring name;
    std::wstring text;
    const ISerializable* object = nullptr;
};
using MemberList = std::vector<MemberDescription>;

// An object's description of itself as an XML element.
class ISerializable {
public:
    virtual ~ISerializable() = default;
    virtual void DescribeMembers(MemberList& members) const { (void)members; }
    virtual std::wstring GetElementName() const = 0;
    virtual void DescribeAttributes(AttributeList& attributes) const { (void)attributes; }
};

} // namespace Serialization

class ICollectable {
public:
    virtual ~ICollectable() = default;
    virtual void Collect() = 0;

    // Set by whoever runs the object; not owned.
    ResultFileWriter* writer = nullptr;
};

// Job items are held and deleted through this type.
class IJobItem : public ICollectable, public Serialization::ISerializable {};

class IJobItemContainer {
public:
    virtual ~IJobItemContainer() = default;
    // The container owns the item from then on.
    virtual void AddJobItem(IJobItem* item) = 0;
    virtual int GetJobItemCount() const = 0;
};

// A job item written as one "TreeElement": caption ("Value"), icon word ("type"), optional links,
// child tree elements inside. Jobs that link a file of their own (a copy, a program's output)
// use the two file-link getters.
class ITreeElement : public IJobItem {
public:
    virtual std::wstring GetShowNumOfChildren() const = 0;  // "true" or "false"
    virtual std::wstring GetType() const = 0;
    // Appends the child tree elements, in order.
    virtual void GetChildren(std::vector<ITreeElement*>& children) const { (void)children; }
    virtual std::wstring GetValue() const = 0;
    virtual std::wstring GetExternalLink() const { return std::wstring(); }
    virtual std::wstring GetEmbeddedObjectLink() const { return std::wstring(); }
    virtual std::wstring GetFileExternalLink() const { return std::wstring(); }
    virtual std::wstring GetFileEmbeddedObjectLink() const { return std::wstring(); }

    std::wstring GetElementName() const override { return L"TreeElement"; }
    void DescribeAttributes(Serialization::AttributeList& attributes) const override;
    void DescribeMembers(Serialization::MemberList& members) const override;

protected:
    // Throws MessageException "Result file writer not initialized" when no writer is set.
    void RequireWriter() const;
    // Opens "TreeElement" with its two attributes and writes its "Value" (links only when not
    // empty, externalLink first); the "TreeElement" stays open for the children.
    void OpenTreeElement(const std::wstring& showNumOfChildren, const std::wstring& type, const std::wstring& value,
                         const std::wstring& externalLink = std::wstring(),
                         const std::wstring& embeddedObjectLink = std::wstring());
};

// A job item that writes an element of its own instead of a tree element.
class IStandaloneElement : public IJobItem {};

class TreeElementLeaf : public ITreeElement {
public:
    TreeElementLeaf(std::wstring value, std::wstring type);

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override { return type; }
    std::wstring GetValue() const override { return value; }
    std::wstring GetExternalLink() const override { return externalLink; }
    std::wstring GetEmbeddedObjectLink() const override { return embeddedObjectLink; }

    std::wstring value;
    std::wstring type;
    // The creating job may set these before the leaf is collected.
    std::wstring externalLink;
    std::wstring embeddedObjectLink;
};

class TreeElementGroup : public ITreeElement, public IJobItemContainer {
public:
    TreeElementGroup(std::wstring value, std::wstring type, bool showNumOfChildren);
    // Deletes the children in list order.
    ~TreeElementGroup() override;

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return showNumOfChildren ? L"true" : L"false"; }
    std::wstring GetType() const override { return type; }
    void GetChildren(std::vector<ITreeElement*>& result) const override;
    std::wstring GetValue() const override { return value; }

    void AddJobItem(IJobItem* item) override;
    int GetJobItemCount() const override { return static_cast<int>(children.size()); }

    std::wstring value;
    std::wstring type;
    bool showNumOfChildren;

private:
    std::vector<std::unique_ptr<IJobItem>> children;
};

} // namespace Gathrix
