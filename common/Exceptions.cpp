#include "common/Exceptions.h"

#include "common/Text.h"

namespace Gathrix {

MessageException::MessageException(const std::wstring& message) : message(message) {}

ErrorCodeException::ErrorCodeException(std::uint32_t errorCode)
    : MessageException(System::GetErrorText(errorCode)), errorCode(errorCode) {}

ExitException::ExitException(const std::wstring& message, const int& exitCode)
    : MessageException(message), exitCode(exitCode) {}

namespace {
std::wstring WmiMessage(int errorKind) {
    switch (errorKind) {
    case WMIObjectException::CannotConnect: return L"Gathrix can't connect to WMI.";
    case WMIObjectException::CannotRead: return L"Can't read information from WMI.";
    default: return std::wstring();
    }
}
} // namespace

WMIObjectException::WMIObjectException(const int& errorKind)
    : MessageException(WmiMessage(errorKind)), errorKind(errorKind) {}

WinApiException::WinApiException(const std::wstring& call, std::uint32_t errorCode)
    : MessageException(call + L": " + System::GetErrorText(errorCode)) {}

ComObjectException::ComObjectException(const std::wstring& classId)
    : MessageException(L"Cannot find COM object " + classId) {}

DirectoryException::DirectoryException(const std::wstring& path)
    : MessageException(L"The directory " + path + L" could not be found.") {}

DirectoryException::DirectoryException(const std::wstring& path, std::uint32_t errorCode)
    : MessageException(L"The directory " + path + L" could not be found: " + System::GetErrorText(errorCode)) {}

} // namespace Gathrix
