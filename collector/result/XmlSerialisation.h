#pragma once
// Writes one XML document at a time, node by node, the way a stream is written, and keeps the
// position (current node, depth) and the number of elements opened, so that a result file can
// be cut into parts; the steps that carry the open element chain into the next part live here.

#include <cstdint>
#include <memory>
#include <string>

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

namespace Gathrix {

class XmlSerialisation {
public:
    XmlSerialisation();
    // Deletes an open document without saving it.
    virtual ~XmlSerialisation();

    XmlSerialisation(const XmlSerialisation&) = delete;
    XmlSerialisation& operator=(const XmlSerialisation&) = delete;

    // "data", "\data", "data/" and "data\\" are all stored as "data\".
    void SetDirectory(std::wstring folder);
    // Starts a document with the XML declaration; an existing file is never overwritten.
    void CreateDocument(const std::wstring& newFileName);
    // Saves and deletes the document; depth and element count stay as they are. ERROR_SUCCESS,
    // or the system error of a save that failed, which is logged as an ERROR naming the file.
    std::uint32_t CloseDocument();
    // Saves under the new name, reloads from there (texts kept as written), deletes the old file.
    // Where that save fails the document stays in memory and CloseDocument saves it (or reports).
    void RenameDocument(const std::wstring& newFileName);
    void AddStylesheet(std::wstring relativePath);

    void AddChildNode(const std::wstring& name);
    // Returns the new depth.
    int CloseNode();
    void AddAttribute(const std::wstring& name, const std::wstring& value);
    void AddText(const std::wstring& text);

    TiXmlElement* GetRootNode();
    void SetCurrentNode(TiXmlNode* node);
    void InsertFirstChildNode(TiXmlNode* parent, const std::wstring& name);

    // Carrying the open branch into a new part.
    void MarkStartingPoint(const std::wstring& startingName);
    void DetachOpenBranch(TiXmlNode* node);
    void CopyAncestors(TiXmlNode* node, const std::wstring& startingName);
    void FindMarkedNode(TiXmlNode* node);

    int GetDepth() const { return depth; }
    int GetElementCount() const { return elementCount; }
    TiXmlNode* GetCurrentNode() const { return currentNode; }
    const std::wstring& GetFileName() const { return fileName; }
    const std::wstring& GetDirectory() const { return directory; }
    bool HasDocument() const { return document != nullptr; }

    static const char* const MarkerName;

protected:
    // Told of every file saved (with the system error of a save that failed) and of every file
    // renamed away, by name as given to CreateDocument and RenameDocument.
    virtual void FileSaved(const std::wstring& /*name*/, std::uint32_t /*error*/) {}
    virtual void FileRemoved(const std::wstring& /*name*/) {}

    void RequireDocument() const;
    void RequireElement() const;
    std::wstring FullPath(const std::wstring& name) const;

    bool branchDetached = false;
    int elementCount = 0;
    int depth = 0;
    TiXmlNode* currentNode = nullptr;
    TiXmlElement* markedNode = nullptr;
    std::unique_ptr<TiXmlNode> detachedBranch;
    std::wstring fileName;
    std::wstring stylesheetPath;
    std::wstring directory;
    std::unique_ptr<TiXmlDocument> document;

private:
    std::string startingPointName;  // of the carry-over in progress, UTF-8
};

} // namespace Gathrix
