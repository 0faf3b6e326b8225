#pragma once
// The job elements that name no path themselves: "Minidump", "FullMemoryDump", "DrWatsonLogfile"
// and "MsInfo32Report". While the mode file is read, each looks up where Windows keeps the dumps,
// the log or the system-information tool (registry values in the 32-bit view, with defaults) and
// builds an ordinary file-copy or external-program job for that place. None takes child elements.

#include "collector/config/IConfigPartParser.h"

#include <string>

namespace Gathrix::ConfigParsing {

// "Minidump": the crash-control key's "MinidumpDir" folder (else "%systemroot%\Minidump"), "*.dmp".
class MinidumpParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

// "FullMemoryDump": the folder of the crash-control key's "DumpFile" (else "%systemroot%"), "*.dmp".
class FullMemoryDumpParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);

    // Drive and folder of a file path without trailing separators ("D:\MEMORY.DMP" gives "D:");
    // false when the folder part is longer than 255 characters.
    static bool FolderOfFile(const std::wstring& filePath, std::wstring& folder);
};

// "DrWatsonLogfile": "Drwtsn32.log" in the Dr. Watson key's "LogFilePath" folder, else below the
// all-users application data folder.
class DrWatsonLogfileParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

// "MsInfo32Report": the system-information tool, found through its registry key, writing its
// report into ".\data\ProgramLogs"; an error leaf when the key names no tool.
class MsInfo32ReportParser : public IConfigPartParser {
public:
    DelegateMap GetDelegates() override;
    void ParseToJobItems(const TiXmlElement* element, IJobItemContainer& container, const std::string& name);
};

} // namespace Gathrix::ConfigParsing
