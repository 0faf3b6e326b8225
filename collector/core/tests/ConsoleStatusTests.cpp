#include "collector/core/ConsoleStatus.h"
#include "common/tests/support/TestSupport.h"

#include "common/Handles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Gathrix::FormatProgress;
using Gathrix::Testing::StdoutCapture;

struct ProgressCase {
    unsigned index, total;
    const wchar_t *level1, *level2, *level3;
    const wchar_t* expected;
};

TEST(ConsoleStatus, ProgressLineShowsEachLevelOnlyWhenTheLevelsBeforeItAreSet) {
    const ProgressCase cases[] = {
        {3, 17, L"System", L"Event logs", L"", L"3/17: System -> Event logs...\n"},
        {1, 8, L"A", L"B", L"C", L"1/8: A -> B -> C...\n"},
        {2, 8, L"", L"", L"", L"2/8...\n"},
        {2, 8, L"", L"B", L"C", L"2/8...\n"},
        {2, 8, L"A", L"", L"C", L"2/8: A...\n"},
        {17, 17, L"Achiving the results", L"", L"", L"17/17: Achiving the results...\n"},
        {12345, 4294967295u, L"x", L"", L"", L"12345/4294967295: x...\n"},
    };
    for (const ProgressCase& c : cases)
        EXPECT_EQ(FormatProgress(c.index, c.total, c.level1, c.level2, c.level3), c.expected) << c.expected;
}

TEST(ConsoleStatus, PipeReceivesEveryTextInOrderAndSurvivesCharactersBeyondLatin1) {
    StdoutCapture output;
    Gathrix::PrintProgress(1, 3, L"Gr\u00f6\u00dfe", L"\u03a9 \u4e2d", L"");
    Gathrix::PrintProgress(2, 3, L"System", L"", L"");
    Gathrix::PrintStatus(L"Finished! You can find the result here: (C:\\x\\GATHRINF.7z).");
    EXPECT_EQ(output.Take(), "1/3: Gr\xf6\xdf" "e -> ? ?...\r\n"
                             "2/3: System...\r\n"
                             "Finished! You can find the result here: (C:\\x\\GATHRINF.7z).");
}

// While the report is rendered the process has no standard handles; a log's failure told then
// reaches the pipe with the next text.
TEST(ConsoleStatus, ATextPrintedWithoutStandardOutputComesWithTheNextText) {
    StdoutCapture output;
    const HANDLE standard = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    Gathrix::PrintStatus(L"The file 'data\\Logfile.xml' could not be written: full\n");
    SetStdHandle(STD_OUTPUT_HANDLE, standard);
    Gathrix::PrintStatus(L"Finished!");
    EXPECT_EQ(output.Take(), "The file 'data\\Logfile.xml' could not be written: full\r\nFinished!");
}

TEST(ConsoleStatus, PipeBytesForLineEndsAndUnrepresentableCharacters) {
    EXPECT_EQ(Gathrix::EncodeForPipe(L"a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(Gathrix::EncodeForPipe(L"\u00ff\u0100\U0001F600"), "\xff???");
    EXPECT_EQ(Gathrix::EncodeForPipe(L""), "");
}

} // namespace
