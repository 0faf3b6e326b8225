#include "wizard/CollectorInvocation.h"

#include "common/ExitCode.h"
#include "wizard/WizardResourceIds.h"

namespace WizardDialog {

std::wstring QuoteArgument(const std::wstring& value) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : value) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            // Each backslash before a quote is doubled, and the quote itself escaped.
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote would escape it: double them.
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring BuildCollectorCommandLine(const std::wstring& modeFile, const ContactData& contact,
                                       const std::wstring& outputFolder) {
    std::wstring commandLine = L".\\gathrix.exe -s " + QuoteArgument(modeFile);
    commandLine += L" -n " + QuoteArgument(contact.name);
    commandLine += L" -e " + QuoteArgument(contact.email);
    commandLine += L" -c " + QuoteArgument(contact.organization);
    commandLine += L" -i " + QuoteArgument(contact.callNumber);
    if (!outputFolder.empty())
        commandLine += L" -o " + QuoteArgument(outputFolder);
    return commandLine;
}

std::wstring LowerAscii(const std::wstring& text) {
    std::wstring lowered = text;
    for (wchar_t& c : lowered) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return lowered;
}

std::wstring OutputFolderArgument(const std::wstring& commandLine) {
    std::wstring lowered = LowerAscii(commandLine);
    std::size_t position = 0;
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (position < lowered.size() && isBlank(lowered[position]))
        ++position;
    // The program token, by the rules Windows uses for the first token: a quoted one ends at
    // the next quote, an unquoted one at the first blank.
    if (position < lowered.size() && lowered[position] == L'"') {
        std::size_t closing = lowered.find(L'"', position + 1);
        position = closing == std::wstring::npos ? lowered.size() : closing + 1;
    } else {
        while (position < lowered.size() && !isBlank(lowered[position]))
            ++position;
    }
    while (position < lowered.size() && isBlank(lowered[position]))
        ++position;
    std::wstring folder = lowered.substr(position);
    while (!folder.empty() && isBlank(folder.back()))
        folder.pop_back();
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
        folder = folder.substr(1, folder.size() - 2);
    return folder;
}

bool StatusLineReader::Append(const char* bytes, std::size_t count, std::wstring& newestLine) {
    bool found = false;
    for (std::size_t i = 0; i < count; ++i) {
        wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
        if (c == L'\r')
            continue;
        if (c != L'\n') {
            pending += c;
            continue;
        }
        if (!pending.empty()) {
            newestLine = pending;
            found = true;
        }
        pending.clear();
    }
    return found;
}

bool StatusLineReader::Finish(std::wstring& lastLine) {
    if (pending.empty())
        return false;
    lastLine.swap(pending);
    pending.clear();
    return true;
}

ExitCodeMessage MessageForExitCode(std::uint32_t exitCode, bool cancelledByUser) {
    using namespace Gathrix;
    const ExitCodeMessage anyOther{IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    switch (exitCode) {
    case Success:
        return {IDS_SUCCESS, IDS_SUCCESS, IDS_SUCCESS_CAPTION, MB_ICONINFORMATION};
    case NotAdministrator:
    case NoDebugPrivilege:
        return {IDS_ERROR_STATUS, IDS_NO_RIGHTS, IDS_ERROR_CAPTION, MB_ICONERROR};
    case ConfigFileError:
        return {IDS_ERROR_STATUS, IDS_MODE_FILE_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    case TempFolderError:
        return {IDS_ERROR_STATUS, IDS_WORKING_FOLDER_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    case ArchiveFailed:
        return anyOther;
    case DesktopNotFound:
        return {IDS_ERROR_STATUS, IDS_DESKTOP_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    case WmiError:
        return {IDS_ERROR_STATUS, IDS_WMI_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    case DataFoldersNotCreated:
        return {IDS_ERROR_STATUS, IDS_DATA_FOLDERS_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    case CopyToOutputFailed:
        return {IDS_ERROR_STATUS, IDS_COPY_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR};
    case AlreadyRunning:
        return {IDS_CANCELLED, IDS_ALREADY_RUNNING, IDS_CANCELLED, MB_ICONERROR};
    case UnexpectedError:
        if (cancelledByUser)
            return {IDS_CANCELLED, 0, 0, 0};
        return anyOther;
    default:
        return anyOther;
    }
}

} // namespace WizardDialog
