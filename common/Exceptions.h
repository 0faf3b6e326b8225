#pragma once
// The collector's exception classes. They carry wide message texts and are copied freely;
// none derives from std::exception, so the entry point catches them before std::exception.

#include <cstdint>
#include <string>

namespace Gathrix {

class MessageException {
public:
    explicit MessageException(const std::wstring& message);
    virtual ~MessageException() = default;

    std::wstring GetMessageText() const { return message; }

protected:
    std::wstring message;
};

class ErrorCodeException : public MessageException {
public:
    explicit ErrorCodeException(std::uint32_t errorCode);
    std::uint32_t GetErrorCode() const { return errorCode; }

private:
    std::uint32_t errorCode;
};

class ExitException : public MessageException {
public:
    ExitException(const std::wstring& message, const int& exitCode);
    virtual int GetExitCode() const { return exitCode; }

private:
    int exitCode;
};

class WMIObjectException : public MessageException {
public:
    enum ErrorKind { CannotRead = 0, CannotConnect = 1 };

    explicit WMIObjectException(const int& errorKind);
    virtual int GetErrorKind() const { return errorKind; }

private:
    int errorKind;
};

class WinApiException : public MessageException {
public:
    WinApiException(const std::wstring& call, std::uint32_t errorCode);
};

class ComObjectException : public MessageException {
public:
    explicit ComObjectException(const std::wstring& classId);
};

class DirectoryException : public MessageException {
public:
    explicit DirectoryException(const std::wstring& path);
    DirectoryException(const std::wstring& path, std::uint32_t errorCode);
};

} // namespace Gathrix
