#pragma once
// Writes one result file: its frame (declaration, stylesheet, "GathrixResult" with
// "ActiveNavigation" and "ResultSet"), the job items' elements, and the split into numbered parts
// once a file holds more than 27500 elements.

#include "collector/result/XmlSerialisation.h"

#include <string>

namespace Gathrix {

class NavigationWriter;

class ResultFileWriter : public XmlSerialisation {
public:
    static constexpr int ElementLimit = 27501;
    static constexpr int SplitDepthLimit = 4;

    // `navigation` (not owned) receives an entry for every file and part; may be null.
    explicit ResultFileWriter(NavigationWriter* navigation, int partNumber = 1);

    void Open(const std::wstring& newFileName, const std::wstring& relativeSheetFilePath, const std::wstring& level1,
              const std::wstring& level2, const std::wstring& level3, const std::wstring& level4);
    void OpenNode(const std::wstring& name);
    // The new element stays current until CloseNode.
    void OpenNodeWithText(const std::wstring& name, const std::wstring& text);
    // False, without inserting, when the file was continued in the next part first.
    bool InsertFirstNode(TiXmlNode* parent, const std::wstring& name);
    void WriteActiveNavigation(const std::wstring& level1, const std::wstring& level2, const std::wstring& level3,
                               const std::wstring& level4);
    void ContinueInNextFile();

    int GetPartNumber() const { return partNumber; }
    // Closes elements until the depth is `targetDepth` (nothing when it is already there or
    // above): a job that failed half-way is closed where it began.
    void CloseToDepth(int targetDepth);
    // After a job failed, perhaps inside a split (its open branch detached, or the next part not
    // opened): puts the position back on the open chain of the current part, at `targetDepth` or
    // as deep as the chain reaches. False when no part with its frame is open to write into.
    bool RecoverToDepth(int targetDepth);
    // True while a part with its frame is open (a failed split can leave none).
    bool HoldsPart();

protected:
    // Every file and part saved is this run's (ResultFileRecords), under the name it ends with.
    void FileSaved(const std::wstring& name, std::uint32_t error) override;
    void FileRemoved(const std::wstring& name) override;

private:
    bool LimitReached() const;
    void SplitFileName(std::wstring& stem, std::wstring& extension) const;
    void RemoveMarks(TiXmlNode* node);

    int partNumber;
    std::wstring level1;
    std::wstring level2;
    std::wstring level3;
    std::wstring level4;
    NavigationWriter* navigationWriter;
};

} // namespace Gathrix
