#pragma once
// Every file of the collector's output is written through here, so that no write fails without
// a word: each step (create, write, flush, close) is checked, and a failure names the file and
// the system's reason in one ERROR of the log. The first file that could not be written is kept
// for the run's last message (a full disk is then named to the user).

#include <cstdint>
#include <string>

namespace Gathrix::Utils {

// Replaces the file's content with `bytes`. ERROR_SUCCESS, or the system error of the step
// that failed; a file left half-written is deleted (a page or result file is whole or absent).
std::uint32_t WriteWholeFile(const std::wstring& path, const std::string& bytes);

// The same for a file whose last whole content is worth more than none (the XML log): the new
// content is written beside it and takes its place only once it is whole, so a failure leaves
// the file as it was.
std::uint32_t ReplaceWholeFile(const std::wstring& path, const std::string& bytes);

// Appends `bytes` to the file, which is created when missing; a failure cuts the file back to
// where it ended, so it never holds part of the bytes.
std::uint32_t AppendToFile(const std::wstring& path, const std::string& bytes);

// "The file '<path>' could not be written: <reason>" as an ERROR of the log; the first such file
// of the process is remembered.
void ReportWriteFailure(const std::wstring& path, std::uint32_t error);

// The text of ReportWriteFailure, remembered as the first failure where none came before, but
// not logged: for the logs' own files, whose failure must not go back into the logger.
std::wstring NoteWriteFailure(const std::wstring& path, std::uint32_t error);

// The first file that could not be written and its reason, as one text; empty when none failed.
std::wstring FirstWriteFailure();
// For tests: forgets the first failure.
void ForgetWriteFailures();

} // namespace Gathrix::Utils
