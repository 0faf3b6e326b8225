#pragma once
// The "QuellonEventDb" job: the maker's installed product exports its event database through its
// own plug-in DLLs in the folder the mode file names (the GUI plug-in, else the fallback plug-in)
// into a UTF-16 text file under data\QuellonEventDB, which becomes one "plaintext" element.

#include "collector/result/JobModel.h"

#include <string>

namespace Gathrix {

// The plug-in DLLs' file names.
extern const std::wstring GuiPluginFileName;       // "Trovview.dll"
extern const std::wstring FallbackPluginFileName;  // "Trovev.dll"
extern const std::wstring WorkerLibraryFileName;   // "Trovlib.dll"

class QuellonEventDatabase : public ITreeElement {
public:
    explicit QuellonEventDatabase(std::wstring pluginFolder, std::wstring exportedText = std::wstring());

    // Exports and writes the text; nothing is written when no plug-in could export or the
    // export file cannot be read (the latter is logged). The current folder is the same
    // afterwards.
    void Collect() override;

    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override { return L"plaintext"; }
    std::wstring GetValue() const override { return exportedText; }

    // The GUI route: the worker library initialised and released, then the GUI plug-in's
    // session, database and export; true when the export command succeeded.
    bool ExportEventDatabase(const std::wstring& guiPluginPath, const std::wstring& exportFilePath);

    // ".\data\QuellonEventDB\" + the plug-in path made a valid file name + ".log".
    static std::wstring ExportFilePath(const std::wstring& pluginPath);

    // The export file's text, UTF-16LE, with CR LF read as one line feed; false when it cannot be
    // opened. Read in the runtime's UTF-16LE text mode where the runtime has it; without it (the
    // runtime of Windows XP, or `runtimeTextMode` false) read by hand the same way: a leading
    // byte-order mark is skipped and an odd last byte dropped.
    static bool ReadExportFile(const std::wstring& path, std::wstring& text, bool runtimeTextMode = true);

    const std::wstring& GetPluginFolder() const { return pluginFolder; }

private:
    std::wstring pluginFolder;
    std::wstring exportedText;
};

} // namespace Gathrix
