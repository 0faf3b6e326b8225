#include "collector/result/ResultFileWriter.h"

#include "collector/result/NavigationWriter.h"
#include "collector/result/ResultFileRecords.h"
#include "common/Exceptions.h"

#include <windows.h>
#include <shlwapi.h>

#include <tinyxml.h>

namespace Gathrix {

ResultFileWriter::ResultFileWriter(NavigationWriter* navigation, int partNumber)
    : partNumber(partNumber), navigationWriter(navigation) {}

void ResultFileWriter::FileSaved(const std::wstring& name, std::uint32_t error) {
    ResultFileRecords::Instance().Saved(name, error);
}

void ResultFileWriter::FileRemoved(const std::wstring& name) {
    ResultFileRecords::Instance().Removed(name);
}

// Cut only directly below the root, "ResultSet", "Tree" or a job's own element; compared
// without sign, so a negative depth never cuts.
bool ResultFileWriter::LimitReached() const {
    return static_cast<unsigned>(elementCount) >= static_cast<unsigned>(ElementLimit) &&
           static_cast<unsigned>(depth) <= static_cast<unsigned>(SplitDepthLimit);
}

void ResultFileWriter::Open(const std::wstring& newFileName, const std::wstring& relativeSheetFilePath,
                            const std::wstring& name1, const std::wstring& name2, const std::wstring& name3,
                            const std::wstring& name4) {
    if (newFileName.empty())
        throw MessageException(L"fileName was empty");
    if (relativeSheetFilePath.empty())
        throw MessageException(L"relativeSheetFilePath was empty");
    CreateDocument(newFileName);
    AddStylesheet(relativeSheetFilePath);
    OpenNode(L"GathrixResult");
    WriteActiveNavigation(name1, name2, name3, name4);
    OpenNode(L"ResultSet");
    depth = 2;
}

void ResultFileWriter::OpenNode(const std::wstring& name) {
    if (LimitReached())
        ContinueInNextFile();
    AddChildNode(name);
}

void ResultFileWriter::OpenNodeWithText(const std::wstring& name, const std::wstring& text) {
    if (LimitReached())
        ContinueInNextFile();
    AddChildNode(name);
    AddText(text);
}

bool ResultFileWriter::InsertFirstNode(TiXmlNode* parent, const std::wstring& name) {
    if (LimitReached()) {
        ContinueInNextFile();
        return false;
    }
    InsertFirstChildNode(parent, name);
    return true;
}

void ResultFileWriter::WriteActiveNavigation(const std::wstring& name1, const std::wstring& name2,
                                             const std::wstring& name3, const std::wstring& name4) {
    TiXmlNode* remembered = currentNode;
    TiXmlElement* root = GetRootNode();
    TiXmlElement* existing = root != nullptr ? root->FirstChildElement("ActiveNavigation") : nullptr;
    if (existing == nullptr) {
        OpenNode(L"ActiveNavigation");
    } else {
        root->RemoveChild(existing);
        InsertFirstNode(root, L"ActiveNavigation");
    }
    level1 = name1;
    level2 = name2;
    level3 = name3;
    level4 = name4;
    const std::wstring* names[] = {&level1, &level2, &level3, &level4};
    for (int level = 1; level <= 4; ++level) {
        if (level == 4 && level4.empty())
            break;
        OpenNode(L"Level" + std::to_wstring(level));
        OpenNodeWithText(L"Name", *names[level - 1]);
        CloseNode();
        CloseNode();
    }
    CloseNode();
    SetCurrentNode(remembered);
    if (navigationWriter != nullptr)
        navigationWriter->AddEntry(level1, level2, level3, level4, fileName);
}

void ResultFileWriter::SplitFileName(std::wstring& stem, std::wstring& extension) const {
    const size_t dot = fileName.rfind(L'.');
    stem = dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
    extension = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
    // A file and all its parts share one stem: "name_2" is cut back to "name".
    const size_t underscore = stem.rfind(L'_');
    if (underscore == std::wstring::npos)
        return;
    for (size_t i = underscore + 1; i < stem.size(); ++i) {
        if (stem[i] < L'0' || stem[i] > L'9')
            return;
    }
    stem.erase(underscore);
}

// The mark is only needed on the copy that moves to the next part.
void ResultFileWriter::RemoveMarks(TiXmlNode* node) {
    for (TiXmlNode* child = node != nullptr ? node->FirstChild() : nullptr; child != nullptr;
         child = child->NextSibling()) {
        if (TiXmlElement* element = child->ToElement()) {
            element->RemoveAttribute(MarkerName);
            RemoveMarks(element);
        }
    }
}

void ResultFileWriter::ContinueInNextFile() {
    elementCount = 0;
    std::wstring stem;
    std::wstring extension;
    SplitFileName(stem, extension);
    const std::wstring closedName = stem + L"_" + std::to_wstring(partNumber) + extension;
    const std::wstring nextName = stem + L"_" + std::to_wstring(partNumber + 1) + extension;

    // A split never replaces a file it did not write (another entity's file of that name):
    // refuse before anything of this file is moved.
    auto exists = [this](const std::wstring& name) {
        return PathFileExistsW((directory + name).c_str()) != FALSE;
    };
    if ((closedName != fileName && exists(closedName)) || exists(nextName))
        throw MessageException(L"Given xml file already exists");

    MarkStartingPoint(L"ResultSet");
    RenameDocument(closedName);
    RemoveMarks(document.get());
    WriteActiveNavigation(level1, level2, level3, std::to_wstring(partNumber));
    CloseDocument();

    ++partNumber;
    // The counter covers the new part only: its frame and the chain carried into it.
    elementCount = 0;
    Open(nextName, stylesheetPath, level1, level2, level3, std::to_wstring(partNumber));

    if (branchDetached && detachedBranch) {
        markedNode = nullptr;
        currentNode->LinkEndChild(detachedBranch.release());
        TiXmlNode* rememberedNode = currentNode;
        const int rememberedDepth = depth;
        currentNode = GetRootNode();
        depth = 1;
        FindMarkedNode(currentNode);
        if (markedNode == nullptr) {
            currentNode = rememberedNode;
            depth = rememberedDepth;
            throw MessageException(L"No current node marked!");
        }
        currentNode = markedNode;
        branchDetached = false;
    }
    detachedBranch.reset();
}

void ResultFileWriter::CloseToDepth(int targetDepth) {
    while (HasDocument() && currentNode != nullptr && depth > targetDepth && depth > 0)
        CloseNode();
}

bool ResultFileWriter::HoldsPart() {
    TiXmlElement* root = HasDocument() ? GetRootNode() : nullptr;
    return root != nullptr && root->FirstChildElement("ResultSet") != nullptr;
}

bool ResultFileWriter::RecoverToDepth(int targetDepth) {
    if (!HoldsPart())
        return false;
    // Whatever was being carried into the next part is given up with the job.
    branchDetached = false;
    detachedBranch.reset();
    markedNode = nullptr;

    // The position is sound when the current element really lies at the recorded depth.
    int actualDepth = 0;
    for (TiXmlNode* walk = currentNode; walk != nullptr && walk != document.get(); walk = walk->Parent())
        ++actualDepth;
    const bool attached = currentNode != nullptr && currentNode->ToElement() != nullptr &&
                          currentNode->GetDocument() == document.get();
    if (attached && actualDepth == depth) {
        CloseToDepth(targetDepth);
        return true;
    }
    // Else the open chain is found again: jobs only append, so it runs through the last element
    // at each level, from the root down to where the job began.
    TiXmlElement* node = GetRootNode();
    int level = 1;
    while (level < targetDepth) {
        TiXmlElement* last = nullptr;
        for (TiXmlElement* child = node->FirstChildElement(); child != nullptr; child = child->NextSiblingElement())
            last = child;
        if (last == nullptr)
            break;
        node = last;
        ++level;
    }
    currentNode = node;
    depth = level;
    return true;
}

} // namespace Gathrix
