#pragma once
// The "ExternalProgram" job (and the system-information report's): runs one program minimised,
// without a console window, in the working folder, with its standard output and standard error
// in a file under ".\data\ProgramLogs"; waits up to its time-out and writes its command line,
// linked to that file once the program has run. A program still running after the time-out is
// left running.

#include "collector/result/JobModel.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace Gathrix {

class ExternalProgram : public ITreeElement {
public:
    // Builds the command line at once: the executable in double quotes (unless empty or already
    // quoted), a blank, the start parameters (the blank stays when they are empty).
    ExternalProgram(const std::wstring& executable, const std::wstring& startParameters,
                    const std::wstring& outputFileName, std::uint32_t timeout);

    void Collect() override;
    std::wstring GetShowNumOfChildren() const override { return L"false"; }
    std::wstring GetType() const override { return L"externalprogram"; }
    std::wstring GetValue() const override { return commandLine; }
    // The output link with slashes, once the program has been started and waited for.
    std::wstring GetFileExternalLink() const override;
    std::wstring GetFileEmbeddedObjectLink() const override;

    // Opens (creating when needed) ".\data\ProgramLogs\<name><extension>" of the output file name,
    // inheritable, sharing read and write, without emptying it; sets the output link first.
    // INVALID_HANDLE_VALUE on failure.
    HANDLE OpenOutputFile();

    // For a program that writes its own report: no redirection, and the link to its report.
    void SetWriteOutputToFile(bool write) { writeOutputToFile = write; }
    void SetOutputLink(const std::wstring& link) { outputLink = link; }
    // The caption of an "lvlerror" leaf that the job's element holds when the program is still
    // running at the time-out; none when empty.
    void SetTimeoutLeaf(const std::wstring& caption) { timeoutLeaf = caption; }

    const std::wstring& GetExecutable() const { return executable; }
    const std::wstring& GetStartParameters() const { return startParameters; }
    const std::wstring& GetOutputFileName() const { return outputFileName; }
    const std::wstring& GetOutputLink() const { return outputLink; }
    const std::wstring& GetCommandLine() const { return commandLine; }
    std::uint32_t GetTimeout() const { return timeout; }
    bool GetWriteOutputToFile() const { return writeOutputToFile; }
    bool GetOutputMade() const { return outputMade; }
    const std::wstring& GetTimeoutLeaf() const { return timeoutLeaf; }

private:
    // Starts the program with the output file (or none) as its standard output and error; the
    // file is emptied only once the process exists. True when a process was started and waited for.
    bool Run(HANDLE outputFile);

    std::wstring executable;
    std::wstring startParameters;
    std::wstring outputFileName;
    std::wstring outputLink;
    std::wstring commandLine;
    bool outputMade = false;
    std::uint32_t timeout;
    bool writeOutputToFile = true;
    // OpenOutputFile made the file (it did not exist before).
    bool outputFileCreated = false;
    std::wstring timeoutLeaf;
    bool timedOut = false;
};

} // namespace Gathrix
