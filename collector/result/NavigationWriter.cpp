#include "collector/result/NavigationWriter.h"

namespace Gathrix {

NavigationLevel::NavigationLevel(std::wstring name, std::wstring link, int depth)
    : depth(depth), name(std::move(name)), link(std::move(link)) {}

bool NavigationLevel::AddEntry(const std::vector<std::wstring>& names, const std::wstring& entryLink) {
    return AddEntryAtDepth(names, entryLink, 0);
}

bool NavigationLevel::AddEntryAtDepth(const std::vector<std::wstring>& names, const std::wstring& entryLink,
                                      int atDepth) {
    if (names.empty())
        return false;
    depth = atDepth;
    std::wstring next;
    if (depth >= 0 && depth <= 3 && static_cast<size_t>(depth) < names.size())
        next = names[static_cast<size_t>(depth)];
    // An empty name ends the path: the rest of the list is cut off.
    if (next.empty()) {
        link = entryLink;
        return true;
    }
    for (size_t index = 0; index < children.size(); ++index) {
        if (children[index].name != next)
            continue;
        const bool reachedEnd = depth < 4 && children[index].AddEntryAtDepth(names, entryLink, depth + 1);
        if (index == 0 && reachedEnd) {
            link = entryLink;
            return true;
        }
        return false;
    }
    NavigationLevel added(next, entryLink, depth);
    if (depth < 4)
        added.AddEntryAtDepth(names, entryLink, depth + 1);
    const bool first = children.empty();
    children.push_back(added);
    if (first) {
        link = entryLink;
        return true;
    }
    return false;
}

NavigationWriter::NavigationWriter(const std::wstring& folder) : root(L"root", L"", 0) {
    serialisation.SetDirectory(folder);
}

NavigationWriter::~NavigationWriter() = default;

void NavigationWriter::AddEntry(const std::wstring& level1, const std::wstring& level2, const std::wstring& level3,
                                const std::wstring& level4, const std::wstring& link) {
    root.AddEntryAtDepth({level1, level2, level3, level4}, link, 0);
}

void NavigationWriter::WriteLevel(const NavigationLevel& level) {
    const std::vector<NavigationLevel> children = level.children;
    if (level.depth == 0) {
        for (const NavigationLevel& child : children)
            WriteLevel(child);
        return;
    }
    if (level.depth < 1 || level.depth > 4)
        return;
    serialisation.AddChildNode(L"Level" + std::to_wstring(level.depth) + L"Entry");
    serialisation.AddChildNode(L"Name");
    serialisation.AddText(level.name);
    serialisation.CloseNode();
    serialisation.AddChildNode(L"Link");
    serialisation.AddText(level.link);
    serialisation.CloseNode();
    if (level.depth < 4) {
        for (const NavigationLevel& child : children) {
            if (!child.name.empty())
                WriteLevel(child);
        }
    }
    serialisation.CloseNode();
}

void NavigationWriter::Write() {
    serialisation.CreateDocument(L"Navigation.xml");
    serialisation.AddChildNode(L"Navigation");
    WriteLevel(root);
    serialisation.CloseNode();
    serialisation.CloseDocument();
}

} // namespace Gathrix
