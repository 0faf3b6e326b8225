#include "collector/result/XmlSerialisation.h"

#include "common/Exceptions.h"
#include "common/FileWrites.h"
#include "common/Text.h"
#include "common/TiXmlStylesheetReference.h"
#include "common/XmlFiles.h"

#include <windows.h>
#include <shlwapi.h>

#include <tinyxml.h>

#include <cctype>
#include <string>
#include <vector>

namespace Gathrix {

const char* const XmlSerialisation::MarkerName = "ACTIVENODEMARKER";

namespace {

bool PathExists(const std::wstring& path) {
    return PathFileExistsW(path.c_str()) != FALSE;
}

[[noreturn]] void Refuse(const wchar_t* message) {
    throw MessageException(message);
}

// The library's own test for a text it drops when it reads a file.
bool IsBlank(const std::string& text) {
    for (char c : text) {
        if (!(std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r'))
            return false;
    }
    return true;
}

// The byte-order mark and the two non-characters, which the parser skips wherever it looks for
// markup: a text holding one may read back otherwise than it was written.
bool HoldsSkippedCharacter(const std::string& text) {
    return text.find("\xEF\xBB\xBF") != std::string::npos || text.find("\xEF\xBF\xBE") != std::string::npos ||
           text.find("\xEF\xBF\xBF") != std::string::npos;
}

// Whether printing and reading back gives this element's subtree as it is, but for the blank
// texts that are their element's only child (collected in `blank`): the library drops those.
// Elements that hold a text next to other nodes, and nodes other than elements and texts, are
// not known to read back as they were.
bool ReadsBackAsItIs(TiXmlElement* element, std::vector<TiXmlNode*>& blank) {
    TiXmlNode* first = element->FirstChild();
    if (first == nullptr)
        return true;
    if (TiXmlText* text = first->ToText()) {
        if (first->NextSibling() != nullptr || text->CDATA() || HoldsSkippedCharacter(text->ValueStr()))
            return false;
        if (IsBlank(text->ValueStr()))
            blank.push_back(first);
        return true;
    }
    for (TiXmlNode* child = first; child != nullptr; child = child->NextSibling()) {
        TiXmlElement* childElement = child->ToElement();
        if (childElement == nullptr || !ReadsBackAsItIs(childElement, blank))
            return false;
    }
    return true;
}

// Brings the document to the state a save and a reload (texts kept as written) would leave it
// in, without the file: false, and nothing changed, where that is not known to be exact.
bool ReloadInMemory(TiXmlDocument& document) {
    std::vector<TiXmlNode*> blank;
    int elements = 0;
    for (TiXmlNode* node = document.FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (TiXmlElement* element = node->ToElement()) {
            if (++elements > 1 || !ReadsBackAsItIs(element, blank))
                return false;
        } else if (node->ToDeclaration() == nullptr && node->Type() != TiXmlNode::TINYXML_STYLESHEETREFERENCE) {
            return false;
        }
    }
    for (TiXmlNode* text : blank)
        text->Parent()->RemoveChild(text);
    return true;
}

} // namespace

XmlSerialisation::XmlSerialisation() = default;
XmlSerialisation::~XmlSerialisation() = default;

void XmlSerialisation::RequireDocument() const {
    if (!document)
        Refuse(L"No active document");
}

// Attributes and texts go on elements only; the document and an unset node refuse them.
void XmlSerialisation::RequireElement() const {
    RequireDocument();
    if (currentNode == nullptr)
        Refuse(L"No active node");
    if (depth <= 0)
        Refuse(L"Already reached root node");
    if (currentNode->ToElement() == nullptr)
        Refuse(L"No active node");
}

std::wstring XmlSerialisation::FullPath(const std::wstring& name) const {
    std::wstring path = directory + name;
    Utils::NormalizeBackslashes(path);
    return path;
}

void XmlSerialisation::SetDirectory(std::wstring folder) {
    if (folder.empty())
        Refuse(L"Path was empty");
    Utils::NormalizeBackslashes(folder);
    if (!folder.empty() && folder.front() == L'\\')
        folder.erase(0, 1);
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    if (!PathExists(folder))
        Refuse(L"Path does not exist exists");
    directory = folder;
}

void XmlSerialisation::CreateDocument(const std::wstring& newFileName) {
    if (document)
        Refuse(L"There is already an active document, close the old one before creating a new one");
    if (newFileName.empty())
        Refuse(L"No filename was specified for new xml document");
    const std::wstring path = FullPath(newFileName);
    if (PathExists(path))
        Refuse(L"Given xml file already exists");
    const size_t lastSeparator = path.rfind(L'\\');
    if (lastSeparator != std::wstring::npos && !PathExists(path.substr(0, lastSeparator + 1)))
        Refuse(L"Path does not exist exists");

    fileName = newFileName;
    document.reset(new TiXmlDocument(Utils::ToUtf8(path)));
    document->LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    currentNode = document.get();
}

std::uint32_t XmlSerialisation::CloseDocument() {
    RequireDocument();
    const std::wstring path = FullPath(fileName);
    const std::uint32_t error = Utils::SaveXmlFileInOneWrite(*document, path);
    if (error != ERROR_SUCCESS)
        Utils::ReportWriteFailure(path, error);
    const std::wstring closedName = fileName;
    document.reset();
    currentNode = nullptr;
    markedNode = nullptr;
    fileName.clear();
    FileSaved(closedName, error);
    return error;
}

void XmlSerialisation::RenameDocument(const std::wstring& newFileName) {
    RequireDocument();
    if (newFileName.empty())
        Refuse(L"No filename was specified for renaming the document");
    const std::wstring newPath = FullPath(newFileName);
    const std::wstring oldPath = FullPath(fileName);
    const bool samePath = Utils::EqualsNoCase(newPath, oldPath);
    // A rename never replaces another file (another entity's result file, say).
    if (!samePath && PathExists(newPath))
        Refuse(L"Given xml file already exists");

    // The part reads as a save and a reload leave it (texts kept as written, blank ones gone).
    // Where that is known to be exact it is done in memory and the file is written once, when it
    // is closed; anything else takes the real round trip through the file.
    bool renamed = true;
    if (ReloadInMemory(*document)) {
        currentNode = GetRootNode();
    } else if (Utils::SaveXmlFileInOneWrite(*document, newPath) == ERROR_SUCCESS) {
        // Texts are read back exactly as they were printed: blanks inside captions stay.
        Utils::LoadXmlFile(*document, newPath, true);
        currentNode = GetRootNode();
    } else {
        // The document stays in memory as it is; closing it saves under the new name again and
        // reports a failure then (a save that fails only here has not lost the file).
        renamed = false;
    }
    if (!samePath) {
        if (renamed)
            DeleteFileW(oldPath.c_str());
        FileRemoved(fileName);
    }
    document->SetValue(Utils::ToUtf8(newPath));
    fileName = newFileName;
}

void XmlSerialisation::AddStylesheet(std::wstring relativePath) {
    RequireDocument();
    if (relativePath.empty())
        Refuse(L"No filename was specified for stylesheet document");
    Utils::NormalizeForwardSlashes(relativePath);
    if (!PathExists(FullPath(relativePath)))
        Refuse(L"Given style sheet file does not exist");
    stylesheetPath = relativePath;
    document->LinkEndChild(new TiXmlStylesheetReference("text/xsl", Utils::ToUtf8(relativePath)));
}

void XmlSerialisation::AddChildNode(const std::wstring& name) {
    RequireDocument();
    if (name.empty())
        Refuse(L"Name of child node to add was empty");
    if (currentNode == nullptr)
        Refuse(L"No active node");
    currentNode = currentNode->LinkEndChild(new TiXmlElement(Utils::ToUtf8(name)));
    ++depth;
    ++elementCount;
}

int XmlSerialisation::CloseNode() {
    RequireDocument();
    if (currentNode == nullptr)
        Refuse(L"No active node");
    if (depth <= 0)
        Refuse(L"Already reached root node");
    currentNode = currentNode->Parent();
    return --depth;
}

void XmlSerialisation::AddAttribute(const std::wstring& name, const std::wstring& value) {
    RequireElement();
    if (name.empty())
        Refuse(L"Name of attribute to add was empty");
    if (value.empty())
        Refuse(L"Value of attribute to add was empty");
    currentNode->ToElement()->SetAttribute(Utils::ToUtf8(name), Utils::ToXmlUtf8(value));
}

void XmlSerialisation::AddText(const std::wstring& text) {
    RequireElement();
    currentNode->LinkEndChild(new TiXmlText(Utils::ToXmlUtf8(text)));
}

TiXmlElement* XmlSerialisation::GetRootNode() {
    RequireDocument();
    return document->RootElement();
}

void XmlSerialisation::SetCurrentNode(TiXmlNode* node) {
    currentNode = node;
}

void XmlSerialisation::InsertFirstChildNode(TiXmlNode* parent, const std::wstring& name) {
    RequireDocument();
    if (name.empty())
        Refuse(L"Name of child node to add was empty");
    if (parent == nullptr)
        Refuse(L"node pointer was null");
    TiXmlElement* element = new TiXmlElement(Utils::ToUtf8(name));
    if (TiXmlNode* first = parent->FirstChild()) {
        // The library inserts a copy; the original is ours to delete.
        std::unique_ptr<TiXmlElement> original(element);
        currentNode = parent->InsertBeforeChild(first, *original);
    } else {
        currentNode = parent->LinkEndChild(element);
    }
    ++depth;
    ++elementCount;
}

void XmlSerialisation::MarkStartingPoint(const std::wstring& startingName) {
    RequireDocument();
    detachedBranch.reset();
    startingPointName = Utils::ToUtf8(startingName);
    TiXmlElement* root = GetRootNode();
    TiXmlElement* start = root != nullptr ? root->FirstChildElement(startingPointName) : nullptr;
    if (start == nullptr)
        Refuse(L"Starting point node was not found");
    if (currentNode != nullptr && currentNode->ToElement() != nullptr && currentNode->ValueStr() == startingPointName)
        return;
    AddAttribute(Utils::FromUtf8(MarkerName), Utils::FromUtf8(MarkerName));
    DetachOpenBranch(start);
}

void XmlSerialisation::DetachOpenBranch(TiXmlNode* node) {
    if (node == nullptr)
        Refuse(L"node pointer was null");
    // Walks down the last children to the first level that holds more than the open chain.
    for (;;) {
        int count = 0;
        for (TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
            if (child->ValueStr() != "Value")
                ++count;
        }
        if (count == 0)
            return;
        if (count == 1) {
            node = node->LastChild();
            continue;
        }
        branchDetached = true;
        TiXmlNode* last = node->LastChild();
        // The library can only delete a child it unlinks: keep a copy, then drop the original.
        detachedBranch.reset(last->Clone());
        if (currentNode != nullptr) {
            for (TiXmlNode* walk = currentNode; walk != nullptr; walk = walk->Parent()) {
                if (walk == last) {
                    currentNode = nullptr;
                    break;
                }
            }
        }
        node->RemoveChild(last);
        CopyAncestors(node, Utils::FromUtf8(startingPointName));
        return;
    }
}

void XmlSerialisation::CopyAncestors(TiXmlNode* node, const std::wstring& startingName) {
    if (node == nullptr)
        Refuse(L"node pointer was null");
    if (!detachedBranch)
        Refuse(L"no subtree present to add it's parents");
    const std::string stopName = Utils::ToUtf8(startingName);
    for (; node != nullptr && node->ToElement() != nullptr && node->ValueStr() != stopName; node = node->Parent()) {
        const TiXmlElement* original = node->ToElement();
        std::unique_ptr<TiXmlElement> copy(new TiXmlElement(original->ValueStr()));
        for (const TiXmlAttribute* a = original->FirstAttribute(); a != nullptr; a = a->Next())
            copy->SetAttribute(a->NameTStr(), a->ValueStr());
        const TiXmlNode* first = original->FirstChild();
        if (first != nullptr && first->ToElement() != nullptr && first->ValueStr() == "Value") {
            std::unique_ptr<TiXmlElement> value(new TiXmlElement("Value"));
            for (const TiXmlAttribute* a = first->ToElement()->FirstAttribute(); a != nullptr; a = a->Next())
                value->SetAttribute(a->NameTStr(), a->ValueStr());
            const TiXmlNode* text = first->FirstChild();
            if (text != nullptr && text->ToText() != nullptr && !text->ValueStr().empty()) {
                value->LinkEndChild(new TiXmlText(text->ValueStr()));
                copy->LinkEndChild(value.release());
            }
        }
        copy->LinkEndChild(detachedBranch.release());
        detachedBranch = std::move(copy);
    }
}

void XmlSerialisation::FindMarkedNode(TiXmlNode* node) {
    RequireDocument();
    if (markedNode != nullptr) {
        ++elementCount;
        return;
    }
    if (node == nullptr)
        return;
    for (TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
        TiXmlElement* element = child->ToElement();
        if (element == nullptr)
            continue;
        if (markedNode == nullptr)
            ++depth;
        ++elementCount;
        if (element->Attribute(MarkerName) != nullptr) {
            element->RemoveAttribute(MarkerName);
            markedNode = element;
            return;
        }
        FindMarkedNode(element);
        if (markedNode == nullptr)
            --depth;
    }
}

} // namespace Gathrix
