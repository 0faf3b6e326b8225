#pragma once
// One leaf of a mode file's navigation: the names of its (up to three) levels and the job items
// whose findings make up its result file.

#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

namespace Serialization {

// An object that is written as a file of its own; `index` numbers its parts (0: none).
class ISerializableToFile : public ISerializable {
public:
    virtual std::wstring GetFileExtension() const { return L"xml"; }
    virtual void SetIndex(int partIndex) { index = partIndex; }
    int GetIndex() const { return index; }

protected:
    int index = 0;
};

} // namespace Serialization

class ActiveNavigation : public Serialization::ISerializable {
public:
    class NavigationLevel : public Serialization::ISerializable {
    public:
        NavigationLevel(std::wstring name, int number) : name(std::move(name)), number(number) {}
        std::wstring GetElementName() const override { return L"Level" + std::to_wstring(number); }
        void DescribeMembers(Serialization::MemberList& members) const override;

        std::wstring name;
        int number;
    };

    ActiveNavigation(std::wstring level1Name, std::wstring level2Name, std::wstring level3Name);

    // Level 1 to 3; empty for a level the mode file does not set (and for any other number).
    std::wstring GetLevelName(int number) const;

    std::wstring GetElementName() const override { return L"ActiveNavigation"; }
    void DescribeMembers(Serialization::MemberList& members) const override;

    NavigationLevel level1;
    NavigationLevel level2;
    NavigationLevel level3;
};

class ResultSet : public Serialization::ISerializable, public ICollectable {
public:
    // The tree elements of a result set, as its description names them; not owned.
    class TreeResult : public Serialization::ISerializable {
    public:
        std::wstring GetElementName() const override { return L"Tree"; }
        void DescribeMembers(Serialization::MemberList& members) const override;
        std::vector<ITreeElement*> elements;
    };

    ResultSet() = default;
    // Deletes the job items in list order.
    ~ResultSet() override;
    ResultSet(ResultSet&&) = default;
    ResultSet& operator=(ResultSet&&) = default;

    void Collect() override {}
    std::wstring GetElementName() const override { return L"ResultSet"; }
    void DescribeMembers(Serialization::MemberList& members) const override;

    // Takes ownership; a null item is ignored.
    void AddJobItem(IJobItem* item);
    const std::vector<std::unique_ptr<IJobItem>>& GetJobItems() const { return jobItems; }

private:
    std::vector<std::unique_ptr<IJobItem>> jobItems;
    // Built on demand for DescribeMembers.
    mutable TreeResult treeResult;
};

class TopLevelEntity : public ICollectable, public Serialization::ISerializableToFile, public IJobItemContainer {
public:
    explicit TopLevelEntity(ActiveNavigation activeNavigation);

    void Collect() override {}
    std::wstring GetElementName() const override { return L"GathrixResult"; }
    void DescribeMembers(Serialization::MemberList& members) const override;

    // A null item is ignored; otherwise the entity owns it.
    void AddJobItem(IJobItem* item) override;
    int GetJobItemCount() const override;

    const ActiveNavigation& GetActiveNavigation() const { return activeNavigation; }
    std::wstring GetLevelName(int number) const { return activeNavigation.GetLevelName(number); }
    // In the order they were added; the run sets each item's writer and collects it.
    const std::vector<std::unique_ptr<IJobItem>>& GetJobItems() const { return resultSet.GetJobItems(); }
    ResultSet& GetResultSet() { return resultSet; }

private:
    ActiveNavigation activeNavigation;
    ResultSet resultSet;
};

} // namespace Gathrix
