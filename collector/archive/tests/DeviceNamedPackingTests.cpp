// Copies of files named like devices ("NUL", "COM1.txt") lie in the working folder as files of
// those names; the packing step reads them as the files they are.

#include "collector/archive/ArchivePacking.h"
#include "collector/archive/tests/ArchiveListing.h"

#include "collector/platform/Directories.h"
#include "common/Text.h"
#include "common/tests/support/Bounded.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

using Gathrix::Testing::ListArchive;
using Gathrix::Testing::RunBounded;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;

TEST(ArchivePacking, DeviceNamedFilesArePackedWithTheirOwnContent) {
    ScratchFolder scratch(L"pack");
    const std::wstring work = scratch / L"work";
    const std::wstring copies = work + L"\\data\\FileCopies\\C\\Logs";
    ASSERT_TRUE(Gathrix::Utils::CreateDirectoryTree(copies));
    const std::map<std::wstring, std::string> files = {
        {L"NUL", "fifteen bytes!!"}, {L"COM1.txt", "serial port text"}, {L"aux.log", "auxiliary log"}, {L"a.log", "a"}};
    // Made the way software can make them: through the extended form.
    for (const auto& [name, bytes] : files)
        WriteFileBytes(L"\\\\?\\" + copies + L"\\" + name, bytes);

    bool packed = false;
    // A serial port read in place of a file could wait for ever.
    RunBounded([&] { packed = Gathrix::Utilities::ArchiveFolder(work, work + L".7z"); }, 120000,
               "packing device-named files");
    ASSERT_TRUE(packed);
    std::map<std::wstring, std::uint64_t> sizes;
    for (const auto& entry : ListArchive(work + L".7z"))
        if (!entry.isDir)
            sizes[entry.name] = entry.size;
    std::map<std::wstring, std::uint64_t> expected;
    for (const auto& [name, bytes] : files)
        expected[L"data\\FileCopies\\C\\Logs\\" + name] = bytes.size();
    EXPECT_EQ(expected, sizes);
}
