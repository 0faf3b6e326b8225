#include "collector/result/TopLevelEntity.h"

namespace Gathrix {

void ActiveNavigation::NavigationLevel::DescribeMembers(Serialization::MemberList& members) const {
    members.push_back({L"Name", name, nullptr});
}

ActiveNavigation::ActiveNavigation(std::wstring level1Name, std::wstring level2Name, std::wstring level3Name)
    : level1(std::move(level1Name), 1), level2(std::move(level2Name), 2), level3(std::move(level3Name), 3) {}

std::wstring ActiveNavigation::GetLevelName(int number) const {
    switch (number) {
    case 1: return level1.name;
    case 2: return level2.name;
    case 3: return level3.name;
    default: return std::wstring();
    }
}

void ActiveNavigation::DescribeMembers(Serialization::MemberList& members) const {
    for (const NavigationLevel* level : {&level1, &level2, &level3})
        members.push_back({level->GetElementName(), std::wstring(), level});
}

void ResultSet::TreeResult::DescribeMembers(Serialization::MemberList& members) const {
    for (const ITreeElement* element : elements)
        members.push_back({element->GetElementName(), std::wstring(), element});
}

ResultSet::~ResultSet() {
    for (std::unique_ptr<IJobItem>& item : jobItems)
        item.reset();
}

void ResultSet::DescribeMembers(Serialization::MemberList& members) const {
    treeResult.elements.clear();
    for (const std::unique_ptr<IJobItem>& item : jobItems) {
        if (ITreeElement* element = dynamic_cast<ITreeElement*>(item.get()))
            treeResult.elements.push_back(element);
    }
    members.push_back({treeResult.GetElementName(), std::wstring(), &treeResult});
}

void ResultSet::AddJobItem(IJobItem* item) {
    if (item != nullptr)
        jobItems.emplace_back(item);
}

TopLevelEntity::TopLevelEntity(ActiveNavigation activeNavigation) : activeNavigation(std::move(activeNavigation)) {}

void TopLevelEntity::DescribeMembers(Serialization::MemberList& members) const {
    members.push_back({activeNavigation.GetElementName(), std::wstring(), &activeNavigation});
    members.push_back({resultSet.GetElementName(), std::wstring(), &resultSet});
}

void TopLevelEntity::AddJobItem(IJobItem* item) {
    resultSet.AddJobItem(item);
}

int TopLevelEntity::GetJobItemCount() const {
    return static_cast<int>(resultSet.GetJobItems().size());
}

} // namespace Gathrix
