#pragma once
// Start and end of the console collector: single instance, command line, rights checks, the run,
// and every failure turned into the process exit code.

#include <string>

namespace Gathrix {

// The name every collector instance holds while it runs.
extern const wchar_t* const kRunningMutexName;

// The message that ends the collector: logged at level 5, logs flushed, then shown on the console,
// after the first file of the run that could not be written, where one could not.
void ReportFatal(const std::wstring& message);

// Enables the privilege (the debug privilege unless told otherwise) in the process token; throws
// ExitException 3 when a call fails. A token without the privilege passes.
void EnableDebugPrivilege(const wchar_t* privilegeName = L"SeDebugPrivilege");

// The whole collector; returns the process exit code (CollectorExitCode).
int RunCollector(int argumentCount, wchar_t** arguments);

} // namespace Gathrix
