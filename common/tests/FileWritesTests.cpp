#include "common/FileWrites.h"

#include "common/Logging.h"
#include "common/Text.h"
#include "common/tests/support/BlockedTarget.h"
#include "common/tests/support/LogCapture.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace Gathrix;
using Gathrix::Testing::BlockedTarget;
using Gathrix::Testing::Blocking;
using Gathrix::Testing::BlockingCases;
using Gathrix::Testing::PathExists;
using Gathrix::Testing::ReadFileBytes;
using Gathrix::Testing::ScratchFolder;

namespace {

struct Writer {
    const char* name;
    std::function<std::uint32_t(const std::wstring&, const std::string&)> write;
};

const Writer Writers[] = {
    {"WriteWholeFile", Utils::WriteWholeFile},
    {"ReplaceWholeFile", Utils::ReplaceWholeFile},
    {"AppendToFile", Utils::AppendToFile},
};

} // namespace

TEST(FileWrites, EveryWriteFailsOnABlockedTargetAndLeavesWhatWasThere) {
    ScratchFolder scratch(L"writes");
    for (const auto& blocking : BlockingCases) {
        for (const Writer& writer : Writers) {
            SCOPED_TRACE(std::string(writer.name) + ", " + blocking.name);
            const std::wstring path = scratch / L"target.xml";
            DeleteFileW(path.c_str());
            {
                BlockedTarget target(path, blocking.how, "earlier");
                if (!target.Ready())
                    continue;
                EXPECT_NE(0u, writer.write(path, "new content"));
            }
            if (blocking.how == Blocking::TakenByFolder) {
                EXPECT_FALSE(PathExists(path)) << "the folder was not the writer's to fill";
            } else {
                EXPECT_EQ("earlier", ReadFileBytes(path));
            }
            EXPECT_FALSE(PathExists(path + L".partial"));
        }
    }
}

TEST(FileWrites, WritesReplaceOrAppendWholeAndAFailedWriteLeavesNoFile) {
    ScratchFolder scratch(L"writes");
    const std::wstring path = scratch / L"file.txt";
    Testing::WriteFileBytes(path, std::string(1000, 'x'));
    EXPECT_EQ(0u, Utils::WriteWholeFile(path, "short"));
    EXPECT_EQ("short", ReadFileBytes(path));
    EXPECT_EQ(0u, Utils::ReplaceWholeFile(path, "replaced"));
    EXPECT_EQ("replaced", ReadFileBytes(path));
    EXPECT_EQ(0u, Utils::AppendToFile(path, " and more"));
    EXPECT_EQ("replaced and more", ReadFileBytes(path));
    EXPECT_FALSE(PathExists(path + L".partial"));

    // A new file from each; none is left behind where the folder is missing.
    for (const Writer& writer : Writers) {
        const std::wstring fresh = scratch / (Utils::FromUtf8(writer.name) + L".txt");
        EXPECT_EQ(0u, writer.write(fresh, "")) << writer.name;
        EXPECT_TRUE(PathExists(fresh)) << writer.name;
        const std::wstring lost = scratch / L"missing\\file.txt";
        EXPECT_EQ(static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND), writer.write(lost, "x")) << writer.name;
        EXPECT_FALSE(PathExists(scratch / L"missing")) << writer.name;
    }
}

TEST(FileWrites, AFailureIsOneErrorNamingTheFileAndItsReasonAndTheFirstIsKept) {
    Utils::ForgetWriteFailures();
    Testing::LogCapture& log = Testing::LogCapture::Start();
    EXPECT_EQ(L"", Utils::FirstWriteFailure());

    Utils::ReportWriteFailure(L"data\\System_Processes.xml", ERROR_DISK_FULL);
    Utils::ReportWriteFailure(L".\\index.html", ERROR_SHARING_VIOLATION);
    const std::wstring first =
        L"The file 'data\\System_Processes.xml' could not be written: " + System::GetErrorText(ERROR_DISK_FULL);
    const std::wstring second =
        L"The file '.\\index.html' could not be written: " + System::GetErrorText(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(log.entries, (std::vector<Testing::LogCapture::Entry>{{Logging::Error, first}, {Logging::Error, second}}));
    EXPECT_EQ(first, Utils::FirstWriteFailure());

    // The logs' own failures are noted the same way, but only the caller tells them.
    Utils::ForgetWriteFailures();
    log.entries.clear();
    EXPECT_EQ(second, Utils::NoteWriteFailure(L".\\index.html", ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(second, Utils::FirstWriteFailure());
    Utils::ForgetWriteFailures();
}
