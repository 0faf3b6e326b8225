#include "tools/procscout/ProcessListing.h"
#include "tools/common/ListerOutput.h"
#include "tools/tests/StandIn.h"

#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Listers;
using namespace Gathrix::Testing;

namespace {

#ifdef GATHRIX_TEST_BUILD_64
const wchar_t* const kOwnLister = L"Procscout64.exe";
const wchar_t* const kOtherLister = L"Procscout.exe";
#else
const wchar_t* const kOwnLister = L"Procscout.exe";
const wchar_t* const kOtherLister = L"Procscout64.exe";
#endif

struct Record {
    std::string name;
    std::string pid;
    std::vector<std::string> modules;
};

// Splits the lister's bytes into records, checking the format on the way: CR LF after every line,
// "processname=", "pid=", any "modulepath=" lines, an empty line.
::testing::AssertionResult ParseRecords(const std::string& bytes, std::vector<Record>& records) {
    size_t start = 0;
    Record current;
    int position = 0;  // 0: name expected, 1: pid expected, 2: modules or the empty line
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos)
            return ::testing::AssertionFailure() << "a line without CR LF at byte " << start;
        const std::string line = bytes.substr(start, end - start);
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos)
            return ::testing::AssertionFailure() << "a lone line-end byte in: " << line;
        start = end + 2;
        if (position == 0) {
            if (line.rfind("processname=", 0) != 0)
                return ::testing::AssertionFailure() << "expected processname=, got: " << line;
            current = Record{line.substr(12), "", {}};
            position = 1;
        } else if (position == 1) {
            if (line.rfind("pid=", 0) != 0)
                return ::testing::AssertionFailure() << "expected pid=, got: " << line;
            current.pid = line.substr(4);
            position = 2;
        } else if (line.empty()) {
            records.push_back(current);
            position = 0;
        } else if (line.rfind("modulepath=", 0) == 0) {
            current.modules.push_back(line.substr(11));
        } else {
            return ::testing::AssertionFailure() << "unexpected line: " << line;
        }
    }
    if (position != 0)
        return ::testing::AssertionFailure() << "the output ends inside a record";
    return ::testing::AssertionSuccess();
}

const Record* FindRecord(const std::vector<Record>& records, DWORD processId) {
    for (const auto& record : records)
        if (record.pid == std::to_string(processId))
            return &record;
    return nullptr;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

TEST(ProcessLister, RecordKindFollowsAccessWow64AnswerAndBitness) {
    struct Case {
        bool opened, answered;
        BOOL wow64;
        bool windows64;
        RecordKind lister32, lister64;
    } cases[] = {
        // Neither access right: a short record in both builds.
        {false, false, FALSE, true, RecordKind::Short, RecordKind::Short},
        // IsWow64Process failed.
        {true, false, FALSE, true, RecordKind::Short, RecordKind::Short},
        // 32-bit Windows: every queryable process is the 32-bit build's.
        {true, true, FALSE, false, RecordKind::Full, RecordKind::None},
        {true, true, TRUE, false, RecordKind::Full, RecordKind::None},
        // 64-bit Windows: WOW64 processes are the 32-bit build's, the others the 64-bit build's.
        {true, true, TRUE, true, RecordKind::Full, RecordKind::None},
        {true, true, FALSE, true, RecordKind::None, RecordKind::Full},
        // A flag other than 1 counts as "not WOW64".
        {true, true, 2, true, RecordKind::None, RecordKind::Full},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.opened << c.answered << c.wow64 << c.windows64);
        EXPECT_EQ(c.lister32, ChooseRecord(c.opened, c.answered, c.wow64, c.windows64, false));
        EXPECT_EQ(c.lister64, ChooseRecord(c.opened, c.answered, c.wow64, c.windows64, true));
    }
}

TEST(ProcessLister, RecordBytesAreOneBytePerUnitWithCrLf) {
    EXPECT_EQ("processname=a.exe\r\npid=1234\r\nmodulepath=C:\\x\\a.exe\r\n\r\n",
              FormatRecord(L"a.exe", 1234, {L"C:\\x\\a.exe"}));
    EXPECT_EQ("processname=System\r\npid=4\r\n\r\n", FormatRecord(L"System", 4, {}));
    EXPECT_EQ("processname=b.exe\r\npid=4294967295\r\n\r\n", FormatRecord(L"b.exe", 4294967295u, {}));
    // Units below 256 go out as their byte, the others as '?'; nothing after them is lost.
    EXPECT_EQ("processname=caf\xE9.exe\r\npid=7\r\nmodulepath=C:\\Users\\?????\\caf\xE9.exe\r\n"
              "modulepath=C:\\w\\k.dll\r\n\r\n",
              FormatRecord(L"caf\u00E9.exe", 7,
                           {L"C:\\Users\\\u0418\u0432\u0430\u043D\u043E\\caf\u00E9.exe", L"C:\\w\\k.dll"}));
}

TEST(ProcessLister, ListsHelperProcessesOfItsBitnessWithTheirModules) {
    const std::wstring lister = DistDir() + L"\\" + kOwnLister;
    ASSERT_TRUE(PathExists(lister)) << Utils::ToUtf8(lister);
    // One helper below a folder whose name the one-byte format cannot hold, one plain; the first's
    // record must not cost the output of the second.
    ScratchFolder cyrillic(L"scout-\u0416");
    ScratchFolder plain(L"scout-plain");
    const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
    const std::wstring firstName = L"helper\u00E9-" + suffix + L".exe";
    const std::wstring secondName = L"helper-" + suffix + L".exe";
    ASSERT_TRUE(PlaceStandIn(cyrillic / firstName));
    ASSERT_TRUE(PlaceStandIn(plain / secondName));
    SleepingProcess first(cyrillic / firstName);
    SleepingProcess second(plain / secondName);
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(second.Started());

    const ProcessResult run = RunProcess(L"\"" + lister + L"\"");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    std::vector<Record> records;
    ASSERT_TRUE(ParseRecords(run.output, records));

    struct Expected {
        DWORD pid;
        std::wstring name, path;
    } helpers[] = {{first.Id(), firstName, cyrillic / firstName}, {second.Id(), secondName, plain / secondName}};
    for (const auto& helper : helpers) {
        SCOPED_TRACE(Utils::ToUtf8(helper.path));
        const Record* record = FindRecord(records, helper.pid);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(ToOutputBytes(helper.name), record->name);
        ASSERT_FALSE(record->modules.empty());
        // The program's own image comes first in a module snapshot; the system's loader is there too.
        EXPECT_EQ(Lower(ToOutputBytes(helper.path)), Lower(record->modules[0]));
        bool ntdll = false;
        for (const auto& module : record->modules)
            ntdll = ntdll || Lower(module).find("\\ntdll.dll") != std::string::npos;
        EXPECT_TRUE(ntdll);
    }
}

TEST(ProcessLister, OtherBitnessPrintsNothingForTheHelper) {
    const std::wstring other = DistDir() + L"\\" + kOtherLister;
    if (!PathExists(other))
        GTEST_SKIP() << "this tree builds no " << Utils::ToUtf8(kOtherLister)
                     << " (the 64-bit test tree has no 32-bit programs: the case runs in the 32-bit suite)";
    ScratchFolder folder(L"scout-other");
    const std::wstring name = L"helper-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    ASSERT_TRUE(PlaceStandIn(folder / name));
    SleepingProcess helper(folder / name);
    ASSERT_TRUE(helper.Started());
    const ProcessResult run = RunProcess(L"\"" + other + L"\"");
    if (run.exitCode != 0 && run.output.empty())
        GTEST_SKIP() << "the other bitness's lister cannot start here (exit code " << run.exitCode << ")";
    std::vector<Record> records;
    ASSERT_TRUE(ParseRecords(run.output, records));
    EXPECT_EQ(nullptr, FindRecord(records, helper.Id()));
}
