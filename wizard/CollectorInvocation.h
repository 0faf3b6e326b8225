#pragma once
// How the wizard talks to the collector: the command line it builds, the output folder it takes
// from its own command line, the collector's output turned into status lines, and the message
// each exit code of the collector gets. Plain data in and out, so that tests can feed it.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace WizardDialog {

struct ContactData {
    std::wstring name;
    std::wstring organization;
    std::wstring email;
    std::wstring callNumber;
};

// One command-line value as the C runtime's argument rules read it back unchanged: in double
// quotes, a quote inside escaped with a backslash, backslashes before a quote (or before the
// closing quote) doubled.
std::wstring QuoteArgument(const std::wstring& value);

// ".\gathrix.exe -s MODE -n NAME -e EMAIL -c ORGANIZATION -i CALLNUMBER [-o FOLDER]", every
// value quoted; "-o" only with an output folder.
std::wstring BuildCollectorCommandLine(const std::wstring& modeFile, const ContactData& contact,
                                       const std::wstring& outputFolder);

// The wizard's own file name, as it is searched in its lowered command line.
constexpr const wchar_t* ProgramFileName = L"gathrixwizard.exe";

// A-Z become a-z, nothing else changes (the C locale's rules).
std::wstring LowerAscii(const std::wstring& text);

// The output folder an elevated instance was given: the lowered command line without the program
// token (quoted or not) and the blanks after it, one pair of enclosing quotes removed. Empty when
// nothing follows the program.
std::wstring OutputFolderArgument(const std::wstring& commandLine);

// Collector output as status lines. Bytes are characters U+0000-U+00FF (the collector writes
// nothing else to a pipe); a line ends at a line feed, carriage returns are dropped, and an
// unfinished line waits for the next chunk.
class StatusLineReader {
public:
    // Takes a chunk and returns true with the newest non-empty line it completed.
    bool Append(const char* bytes, std::size_t count, std::wstring& newestLine);
    // At the end of the output: the unfinished last line, if it holds anything.
    bool Finish(std::wstring& lastLine);

private:
    std::wstring pending;
};

// The message for one exit code of the collector.
struct ExitCodeMessage {
    UINT statusId;
    UINT textId;     // 0: no message box
    UINT captionId;
    UINT icon;
};

// `cancelledByUser`: the wizard itself ended the collector (exit code 1000 then means that);
// an exit code 1000 the user did not cause is an unexpected failure like any other.
ExitCodeMessage MessageForExitCode(std::uint32_t exitCode, bool cancelledByUser);

} // namespace WizardDialog
