#include "common/Exceptions.h"
#include "common/ExitCode.h"
#include "common/Text.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace Gathrix;

namespace {

TEST(Exceptions, MessagesAreBuiltFromTheirParts) {
    EXPECT_EQ(System::GetErrorText(5), ErrorCodeException(5).GetMessageText());
    EXPECT_EQ(5u, ErrorCodeException(5).GetErrorCode());
    EXPECT_EQ(L"LoadLibraryW(x.dll): " + System::GetErrorText(126),
              WinApiException(L"LoadLibraryW(x.dll)", 126).GetMessageText());
    EXPECT_EQ(L"Cannot find COM object {1}", ComObjectException(L"{1}").GetMessageText());
    EXPECT_EQ(L"The directory C:\\x could not be found.", DirectoryException(L"C:\\x").GetMessageText());
    EXPECT_EQ(L"The directory C:\\x could not be found: " + System::GetErrorText(3),
              DirectoryException(L"C:\\x", 3).GetMessageText());
    // A code without a system message still travels with the exception.
    EXPECT_EQ(0x2FFFFFFFu, ErrorCodeException(0x2FFFFFFF).GetErrorCode());
}

TEST(Exceptions, WmiKindsAndUnknownKind) {
    EXPECT_EQ(L"Gathrix can't connect to WMI.", WMIObjectException(WMIObjectException::CannotConnect).GetMessageText());
    EXPECT_EQ(L"Can't read information from WMI.", WMIObjectException(WMIObjectException::CannotRead).GetMessageText());
    WMIObjectException odd(7);
    EXPECT_EQ(L"", odd.GetMessageText());
    EXPECT_EQ(7, odd.GetErrorKind());
}

TEST(Exceptions, ExitExceptionIsCaughtAsMessageException) {
    try {
        throw ExitException(L"Can't create zip file", ArchiveFailed);
    } catch (const MessageException& caught) {
        EXPECT_EQ(L"Can't create zip file", caught.GetMessageText());
        const auto* exit = dynamic_cast<const ExitException*>(&caught);
        ASSERT_NE(nullptr, exit);
        EXPECT_EQ(6, exit->GetExitCode());
    }
}

} // namespace
