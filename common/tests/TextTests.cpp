#include "common/Text.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace Gathrix::Utils;
using Gathrix::System::GetErrorText;
using Gathrix::System::LookupAccountBySid;

namespace {

TEST(Text, ReplaceAllCountsAndNeverRescansReplacement) {
    std::wstring text = L"aXa";
    EXPECT_EQ(2u, ReplaceAll(text, text, L"a", L"aa"));
    EXPECT_EQ(L"aaXaa", text);

    std::wstring target = L"abc";
    EXPECT_EQ(0u, ReplaceAll(L"ab", target, L"a", L"z")) << "search and target differ in length";
    EXPECT_EQ(L"abc", target);

    std::wstring unchanged = L"abc";
    EXPECT_EQ(0u, ReplaceAll(unchanged, unchanged, L"x", L"y"));
    EXPECT_EQ(L"abc", unchanged);
}

TEST(Text, ReplaceAllNoCaseKeepsTheCaseAroundMatches) {
    std::wstring path = L"%ProgramFiles%\\x";
    EXPECT_EQ(1u, ReplaceAllNoCase(path, L"%programfiles%", L"C:\\Program Files"));
    EXPECT_EQ(L"C:\\Program Files\\x", path);

    // Non-ASCII letters are matched without regard to case too, and the length arithmetic holds.
    std::wstring umlauts = L"GRÜN-grün-Grün";
    EXPECT_EQ(3u, ReplaceAllNoCase(umlauts, L"grÜn", L"blau"));
    EXPECT_EQ(L"blau-blau-blau", umlauts);
}

TEST(Text, ToLowerMapsBeyondAsciiAndKeepsLength) {
    const std::wstring upper = L"ÄÖÜÉΩ ABC \U0001F600";
    const std::wstring lower = ToLower(upper);
    EXPECT_EQ(upper.size(), lower.size());
    EXPECT_EQ(L"äöüéω abc \U0001F600", lower);
    EXPECT_TRUE(EqualsNoCase(L"C:\\WINDOWS\\Jörg", L"c:\\windows\\JÖRG"));
    EXPECT_FALSE(EqualsNoCase(L"abc", L"abcd"));
}

TEST(Text, StartsWithNoCase) {
    EXPECT_TRUE(StartsWithNoCase(L"C:\\WINDOWS\\system32\\x", L"c:\\windows\\System32"));
    EXPECT_FALSE(StartsWithNoCase(L"c:\\windows\\System32", L"C:\\WINDOWS\\system32\\x"));
    EXPECT_TRUE(StartsWithNoCase(L"abc", L""));
    EXPECT_FALSE(StartsWithNoCase(L"", L"a"));
}

TEST(Text, NormalizeSeparators) {
    struct Case {
        std::wstring in, back, forward;
    };
    const Case cases[] = {
        {L"C:/dir//sub\\\\\\file", L"C:\\dir\\sub\\file", L"C:/dir/sub/file"},
        {L"\\\\server\\share\\x", L"\\server\\share\\x", L"/server/share/x"},
        {L"C:\\a\\\\b/c", L"C:\\a\\b\\c", L"C:/a/b/c"},
        {L"/\\/\\x", L"\\x", L"/x"},
        {std::wstring(L"a\\b\0", 4), L"a\\b", L"a/b"},
        {std::wstring(L"a\0b\0\0", 5), std::wstring(L"a\0b\0", 4), std::wstring(L"a\0b\0", 4)},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring back = c.in, forward = c.in;
        NormalizeBackslashes(back);
        NormalizeForwardSlashes(forward);
        EXPECT_EQ(c.back, back);
        EXPECT_EQ(c.forward, forward);
    }
}

TEST(Text, SplitDropsEmptyPieces) {
    using Pieces = std::vector<std::wstring>;
    EXPECT_EQ((Pieces{L"a", L"b"}), Split(L";a;;b;", L";"));
    EXPECT_EQ((Pieces{L"abc"}), Split(L"abc", L";"));
    EXPECT_EQ(Pieces{}, Split(L"", L";"));
    EXPECT_EQ((Pieces{L"a", L"b"}), Split(L"a; b; ; ", L"; "));
}

TEST(Text, MakeValidFileName) {
    EXPECT_EQ(L"Generalinfoab", MakeValidFileName(L"General: info/a b"));
    EXPECT_EQ(L"Jörgß", MakeValidFileName(L"\tJ\u0001ö<r>g\"|?*\\ß\x20"));
}

TEST(Text, Utf8RoundTripAndReplacement) {
    const std::wstring wide = L"Jörg Ω \U0001F600 \u20AC";
    const std::string narrow = ToUtf8(wide);
    EXPECT_EQ("J\xC3\xB6rg \xCE\xA9 \xF0\x9F\x98\x80 \xE2\x82\xAC", narrow);
    EXPECT_EQ(wide, FromUtf8(narrow));
    EXPECT_EQ(L"", FromUtf8(""));
    EXPECT_EQ("", ToUtf8(L""));
    // Broken input becomes the replacement character instead of vanishing.
    EXPECT_EQ(L"a\uFFFDb", FromUtf8("a\xFF" "b"));
    EXPECT_EQ("a\xEF\xBF\xBD" "b", ToUtf8(std::wstring{L'a', static_cast<wchar_t>(0xD800), L'b'}));
}

TEST(Text, ErrorTextFoldsLinesAndNamesTheCode) {
    const std::wstring text = GetErrorText(ERROR_FILE_NOT_FOUND);
    const std::wstring suffix = L" (error code: 2)";
    ASSERT_GT(text.size(), suffix.size());
    EXPECT_EQ(suffix, text.substr(text.size() - suffix.size()));
    EXPECT_EQ(std::wstring::npos, text.find_first_of(L"\r\n"));

    // The system's own message, read here independently, stands before the code.
    wchar_t* raw = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    ASSERT_NE(nullptr, raw);
    std::wstring message = raw;
    LocalFree(raw);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    EXPECT_EQ(0u, text.find(message));

    EXPECT_EQ(L"error code: 805306367", GetErrorText(0x2FFFFFFF));
}

TEST(Text, AccountLookupIsCachedIncludingFailures) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(CreateWellKnownSid(WinLocalSystemSid, nullptr, buffer, &size));
    std::wstring name, domain;
    ASSERT_TRUE(LookupAccountBySid(buffer, name, domain));
    EXPECT_FALSE(name.empty());
    std::wstring again, againDomain;
    EXPECT_TRUE(LookupAccountBySid(buffer, again, againDomain));
    EXPECT_EQ(name, again);
    EXPECT_EQ(domain, againDomain);

    // A SID no machine knows: failure, empty outputs, and the same answer again.
    SID_IDENTIFIER_AUTHORITY authority = {{0, 0, 0, 0, 0, 5}};
    PSID unknown = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&authority, 2, 21, 987654321, 0, 0, 0, 0, 0, 0, &unknown));
    name = L"stale";
    domain = L"stale";
    EXPECT_FALSE(LookupAccountBySid(unknown, name, domain));
    EXPECT_EQ(L"", name);
    EXPECT_EQ(L"", domain);
    EXPECT_FALSE(LookupAccountBySid(unknown, name, domain));
    FreeSid(unknown);
}

} // namespace
