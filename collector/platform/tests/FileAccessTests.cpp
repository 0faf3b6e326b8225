// The extended-length form that the file jobs hand the system, and the names the system takes
// for devices in the ordinary form.

#include "collector/platform/Directories.h"
#include "collector/platform/FileAccess.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>

using namespace Gathrix;

TEST(ExtendedLengthPath, MakesTheExtendedFormOfEveryFullPath) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring here = current;
    if (here.back() == L'\\')
        here.pop_back();
    const std::wstring deep = L"C:\\" + std::wstring(300, L'x') + L"\\" + std::wstring(200, L'y') + L"\\f.log";
    struct Case {
        std::wstring path, extended;
    } cases[] = {
        {L"C:\\Logs\\a.log", L"\\\\?\\C:\\Logs\\a.log"},
        // The last name stays a name: the system's full form of these is the device's.
        {L"C:\\Logs\\NUL", L"\\\\?\\C:\\Logs\\NUL"},
        {L"C:\\Logs\\COM1.txt", L"\\\\?\\C:\\Logs\\COM1.txt"},
        {L"C:\\Logs\\aux", L"\\\\?\\C:\\Logs\\aux"},
        // "/", repeated separators, "." and ".." resolved first: the extended form takes them literally.
        {L"c:/Logs//old/./x/../a.log", L"\\\\?\\c:\\Logs\\old\\a.log"},
        {L"C:\\Logs\\..\\..\\con", L"\\\\?\\C:\\con"},
        {L"C:\\Logs\\sub\\..", L"\\\\?\\C:\\Logs"},
        // Trailing dots and blanks of a last name go, as in the ordinary form.
        {L"C:\\Logs\\a.log. ", L"\\\\?\\C:\\Logs\\a.log"},
        {L"C:\\Logs\\", L"\\\\?\\C:\\Logs\\"},
        {L"C:\\Logs\\*.log", L"\\\\?\\C:\\Logs\\*.log"},
        {L"\\\\srv\\share\\Logs\\..\\NUL", L"\\\\?\\UNC\\srv\\share\\NUL"},
        {L"//srv/share/a.log", L"\\\\?\\UNC\\srv\\share\\a.log"},
        {L"sub\\COM1.txt", L"\\\\?\\" + here + L"\\sub\\COM1.txt"},
        {L"NUL", L"\\\\?\\" + here + L"\\NUL"},
        {deep, L"\\\\?\\" + deep},
        // Already literal forms stay as they are.
        {L"\\\\?\\C:\\x\\..\\NUL", L"\\\\?\\C:\\x\\..\\NUL"},
        {L"\\\\?\\UNC\\srv\\share\\a", L"\\\\?\\UNC\\srv\\share\\a"},
        {L"\\\\.\\COM1", L"\\\\.\\COM1"},
        {L"\\??\\C:\\a.log", L"\\??\\C:\\a.log"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.extended, Utils::ExtendedLengthPath(c.path)) << Utils::ToUtf8(c.path);
}

TEST(DeviceName, EveryNameTheSystemTakesForADevice) {
    for (const wchar_t* name : {L"NUL", L"nul", L"CON", L"prn.txt", L"aux.txt", L"AUX.tar.gz", L"COM1", L"com9.log",
                                L"LPT1", L"lpt0", L"COM\u00b9", L"NUL ", L"nul.", L"conin$", L"CONOUT$.txt"})
        EXPECT_TRUE(Utils::IsDeviceName(name)) << Utils::ToUtf8(name);
    for (const wchar_t* name : {L"", L"NULL", L"null.txt", L"COM", L"COM10", L"LPTA", L"auxiliary.log", L"xNUL",
                                L"a.nul", L"plain.txt", L"com1x.txt"})
        EXPECT_FALSE(Utils::IsDeviceName(name)) << Utils::ToUtf8(name);
}
