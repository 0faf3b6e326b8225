#pragma once
// The "FileContent" job: copies every file that a folder (variables allowed) and a file-name
// filter select, optionally in all sub-folders, into ".\data\FileCopies" below the working folder
// (the current folder during the run), each below a folder for its drive (or "UNC\server\share"
// for a network path) with the file's folder structure below its root, and lists each file with a
// link to its copy so that the report can open or preview it. So within a run no copy replaces
// the copy of another source: C:\App\a.log and D:\App\a.log land in C\App and D\App.
//
// Other parsers build it too (crash-dump folders with "*.dmp", the Dr. Watson log), so its
// construction stays plain:
//
//     auto job = std::make_unique<Gathrix::FileContent>(L"%SystemRoot%\\Minidump", L"*.dmp", false);
//     container.AddJobItem(job.release());
//
// - path: the folder as configured, variables not expanded (the job expands them when it runs);
// - filter: a file-name pattern such as "*.dmp" or "Drwtsn32.log";
// - readSubFolders: search every folder below the path too;
// - excludedFolders (second form only): folders to pass over, each with everything below it,
//   compared case-blind on whole path components; a text that equals a file's whole path leaves
//   that file out. Empty texts are ignored.
// Nothing is searched or copied before Collect.

#include "collector/collectors/files/PathCandidate.h"
#include "collector/result/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace Gathrix {

// Where a source's copy goes below ".\data\FileCopies": the drive letter as a folder, or "UNC",
// server and share, then the canonical path below the root ("C:\App\a.log" gives "C\App\a.log",
// "\\srv\logs\a.log" gives "UNC\srv\logs\a.log"). Empty for a source without a drive or share.
std::wstring FileCopyPath(const std::wstring& source);

class FileContent : public ITreeElement {
public:
    FileContent(const std::wstring& path, const std::wstring& filter, bool readSubFolders);
    FileContent(const std::wstring& path, const std::wstring& filter, bool readSubFolders,
                const std::vector<std::wstring>& excludedFolders);
    ~FileContent() override;

    // One element captioned with the folder and filter, holding one "filecontent" leaf per file
    // (linked to its copy when the copy succeeded; a failed copy is logged as a WARNING with the
    // system's reason) and an "lvlerror" leaf, also logged as an ERROR, for each listed file that
    // is gone when its turn comes.
    void Collect() override;

    std::wstring GetShowNumOfChildren() const override { return L"true"; }
    std::wstring GetType() const override { return L"filecontents"; }
    // The error leaves of the last Collect.
    void GetChildren(std::vector<ITreeElement*>& list) const override;
    // "file contents of " + the expanded folder (or the path as written) + the filter.
    std::wstring GetValue() const override;

    const std::wstring& GetPath() const { return path; }
    const std::wstring& GetFilter() const { return filter; }
    bool GetReadSubFolders() const { return readSubFolders; }
    const std::vector<std::wstring>& GetExcludedFolders() const { return excludedFolders; }

protected:
    // The files to copy, in order, none of their views entered.
    virtual std::vector<PathCandidate> ListFiles() const;

private:
    void CopyOne(PathCandidate& file, const std::wstring& expandedFolder);

    std::wstring path;
    std::wstring filter;
    bool readSubFolders;
    std::vector<std::unique_ptr<ITreeElement>> children;
    std::vector<std::wstring> excludedFolders;
};

} // namespace Gathrix
