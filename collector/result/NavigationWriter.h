#pragma once
// "Navigation.xml": the navigation rows the report viewer shows on every result page, gathered
// while the result files are written and written once at the end of the run.

#include "collector/result/XmlSerialisation.h"
#include "common/Singleton.h"

#include <string>
#include <vector>

namespace Gathrix {

// One node of the navigation tree: one distinct name on one level, linked to a result file.
class NavigationLevel {
public:
    NavigationLevel(std::wstring name, std::wstring link, int depth);
    virtual ~NavigationLevel() = default;
    NavigationLevel(const NavigationLevel&) = default;
    NavigationLevel& operator=(const NavigationLevel&) = default;

    // Enters the path of level names below this node; true when it went down the line of first
    // children to its end (a level entry links to the file of its first sub-entry).
    virtual bool AddEntryAtDepth(const std::vector<std::wstring>& names, const std::wstring& entryLink, int atDepth);
    virtual bool AddEntry(const std::vector<std::wstring>& names, const std::wstring& entryLink);

    int depth;
    std::vector<NavigationLevel> children;
    std::wstring name;
    std::wstring link;
};

// Made by the application with new, handed to every result file writer; not reached through
// Instance().
class NavigationWriter : public Utils::Singleton<NavigationWriter> {
public:
    // The folder must exist ("Path does not exist exists" otherwise).
    explicit NavigationWriter(const std::wstring& folder = L"data");
    ~NavigationWriter() override;

    // Enters levels 1 to 4 (empty ones included) with the file name as link.
    void AddEntry(const std::wstring& level1, const std::wstring& level2, const std::wstring& level3,
                  const std::wstring& level4, const std::wstring& link);
    // Writes the node and its subtree below the open document's current element.
    void WriteLevel(const NavigationLevel& level);
    // Writes "Navigation.xml" into the folder; refused when the file exists.
    void Write();

    XmlSerialisation& GetSerialisation() { return serialisation; }
    const NavigationLevel& GetRoot() const { return root; }

private:
    XmlSerialisation serialisation;
    NavigationLevel root;
};

} // namespace Gathrix
