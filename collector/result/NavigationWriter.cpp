#include "collector/result/NavigationWriter.h"

#include "common/Text.h"

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
    int nextDepth = depth + 1;
    // A part of a split file whose entity has fewer than three levels: the part hangs directly
    // below the entity's last level, so that every part has its entry as with three levels.
    if (next.empty() && depth >= 1 && depth <= 2 && names.size() > 3 && !names[3].empty()) {
        next = names[3];
        nextDepth = 4;
    }
    // An empty name ends the path: the rest of the list is cut off.
    if (next.empty()) {
        link = entryLink;
        return true;
    }
    for (size_t index = 0; index < children.size(); ++index) {
        // A part and a level of the same name ("1") are two entries.
        if (children[index].name != next || (children[index].depth == 4) != (nextDepth == 4))
            continue;
        const bool reachedEnd = depth < 4 && children[index].AddEntryAtDepth(names, entryLink, nextDepth);
        if (index == 0 && reachedEnd) {
            link = entryLink;
            return true;
        }
        return false;
    }
    NavigationLevel added(next, entryLink, depth);
    if (depth < 4)
        added.AddEntryAtDepth(names, entryLink, nextDepth);
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
    // The link as the pages' href, escaped as the file links are (XSLT 1.0 cannot escape a URL);
    // the text keeps the plain file name that readers of this file take. A name that needs no
    // escape is written as ever.
    const std::wstring url = Utils::EscapeUrlPath(level.link);
    if (url != level.link)
        serialisation.AddAttribute(L"url", url);
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
