// Files named like devices ("NUL", "CON", "COM1.txt", "aux.log"), which software can make through
// extended-length paths, and paths deeper than MAX_PATH: the file jobs read, list and copy such
// files as files, each job finishes, and every access reaches the system in the extended form.

#include "collector/collectors/files/DirectoryInfos.h"
#include "collector/collectors/files/FileContent.h"
#include "collector/collectors/files/FileInfos.h"
#include "collector/collectors/files/FileProperties.h"
#include "collector/collectors/files/tests/FilesTestSupport.h"
#include "collector/collectors/files/tests/WrittenTree.h"
#include "collector/platform/Directories.h"
#include "collector/platform/FileAccess.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"
#include "common/tests/support/Bounded.h"
#include "common/tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

// Reading a device (a serial port) can wait for ever: a job that does must fail, not hang.
constexpr DWORD kBoundMs = 120000;

struct NamedFile {
    const wchar_t* name;
    std::string bytes;
    const char* md5;  // of the bytes, computed by md5sum (NUL's is not that of empty input)
};

const NamedFile kDeviceNamed[] = {
    {L"NUL", "fifteen bytes!!", "F3B168A0FB919A0B1DF935FA8D1C424C"},
    {L"CON", "console text", "E6CAC9287210B5FF162CFC6184FAA300"},
    {L"COM1.txt", "serial port text", "E6E819C7D20DF86A9D9E425762FBCD50"},
    {L"aux.log", "auxiliary log", "592189833402EAEABA398602C46A140C"},
    {L"plain.txt", "plain file", "B1ED52725C6A4E0B2F33C48EB211BD6C"},
};

// The test makes and reads its files through the extended form itself, as other software can.
std::wstring Extended(const std::wstring& fullPath) { return L"\\\\?\\" + fullPath; }

const Written* Find(const std::vector<Written>& elements, const std::string& value) {
    auto found = std::find_if(elements.begin(), elements.end(), [&](const Written& e) { return e.value == value; });
    return found == elements.end() ? nullptr : &*found;
}

std::vector<LogCapture::Entry> WarningsAndWorse(const LogCapture& log) {
    std::vector<LogCapture::Entry> entries;
    for (const auto& entry : log.entries)
        if (entry.level >= Logging::Warning)
            entries.push_back(entry);
    return entries;
}

class DeviceNamesTest : public WorkingFolderTest {
protected:
    void SetUp() override {
        WorkingFolderTest::SetUp();
        for (const auto& file : kDeviceNamed)
            WriteFileBytes(Extended(tree / file.name), file.bytes);
        // A version resource under a device's name: the version functions open the file too.
        ASSERT_TRUE(CopyFileW((FilesFixtureDir() + L"\\version\\full.dll").c_str(), Extended(tree / L"aux.dll").c_str(),
                              FALSE));
    }

    ScratchFolder tree{L"devices"};
};

std::vector<std::wstring>& SeenPaths() {
    static std::vector<std::wstring> paths;
    return paths;
}
void RecordPath(const std::wstring& systemPath) { SeenPaths().push_back(systemPath); }

// Records the paths that the platform layer hands the system while it lives.
class SystemPathRecorder {
public:
    SystemPathRecorder() {
        SeenPaths().clear();
        Utils::SetSystemPathObserver(&RecordPath);
    }
    ~SystemPathRecorder() { Utils::SetSystemPathObserver(nullptr); }
    SystemPathRecorder(const SystemPathRecorder&) = delete;
    SystemPathRecorder& operator=(const SystemPathRecorder&) = delete;

    std::size_t Count(const std::wstring& systemPath) const {
        return static_cast<std::size_t>(std::count(SeenPaths().begin(), SeenPaths().end(), systemPath));
    }
    // Every path went to the system in the extended form.
    ::testing::AssertionResult AllExtended() const {
        for (const auto& path : SeenPaths())
            if (path.compare(0, 4, L"\\\\?\\") != 0)
                return ::testing::AssertionFailure() << "in the ordinary form: " << Utils::ToUtf8(path);
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST_F(DeviceNamesTest, FileInfosGiveEachFileItsOwnPropertiesAndDigest) {
    auto& log = LogCapture::Start();
    FileInfos job(tree.Path(), L"*", false);
    Written element;
    RunBounded([&] { element = CollectedOne(job); }, kBoundMs, "FileInfos over device-named files");

    for (const auto& file : kDeviceNamed) {
        SCOPED_TRACE(Narrow(file.name));
        const Written* listed = Find(element.children, Narrow(file.name));
        ASSERT_NE(nullptr, listed);
        const std::vector<std::string> leaves = ValuesOf(listed->children);
        EXPECT_NE(leaves.end(), std::find(leaves.begin(), leaves.end(), std::string("MD5: ") + file.md5));
        EXPECT_TRUE(std::any_of(leaves.begin(), leaves.end(),
                                [](const std::string& leaf) { return leaf.rfind("date last modified: ", 0) == 0; }));
    }
    const Written* dll = Find(element.children, "aux.dll");
    ASSERT_NE(nullptr, dll);
    const std::vector<std::string> leaves = ValuesOf(dll->children);
    EXPECT_NE(leaves.end(), std::find(leaves.begin(), leaves.end(), "file version: 1.2.3.4"));
    EXPECT_EQ(std::vector<LogCapture::Entry>{}, WarningsAndWorse(log));
}

TEST_F(DeviceNamesTest, FileContentCopiesEachFileAndLinksItsCopy) {
    auto& log = LogCapture::Start();
    FileContent job(tree.Path(), L"*", false);
    Written element;
    RunBounded([&] { element = CollectedOne(job); }, kBoundMs, "FileContent over device-named files");

    for (const auto& file : kDeviceNamed) {
        SCOPED_TRACE(Narrow(file.name));
        const Written* leaf = Find(element.children, Narrow(file.name));
        ASSERT_NE(nullptr, leaf);
        EXPECT_EQ("filecontent", leaf->type);
        std::wstring link = L"./FileCopies/" + std::wstring(1, towupper(tree.Path()[0])) + tree.Path().substr(2) +
                            L"\\" + file.name;
        Utils::NormalizeForwardSlashes(link);
        EXPECT_EQ(Narrow(link), leaf->externalLink);
        std::wstring copy = Utils::FromUtf8(leaf->externalLink);
        Utils::NormalizeBackslashes(copy);
        EXPECT_EQ(file.bytes, ReadFileBytes(Extended(data + copy.substr(1))));
    }
    EXPECT_EQ(std::vector<LogCapture::Entry>{}, WarningsAndWorse(log));
}

// A path from the registry or a mode file that ends in such a name names the file (once per
// view); a device path, which names the device on purpose, gives an error leaf and a WARNING
// instead of a digest.
TEST_F(DeviceNamesTest, ANamedPathIsTheFileAndADevicePathGivesAnErrorLeaf) {
    const std::size_t views = System::OperatingSystem::Is64BitOperatingSystem() ? 2 : 1;
    for (const auto& file : kDeviceNamed) {
        SCOPED_TRACE(Narrow(file.name));
        std::vector<std::unique_ptr<FileProperties>> found;
        RunBounded(
            [&] {
                for (FileProperties* properties : FileProperties::CreateForPath(tree / file.name, L""))
                    found.emplace_back(properties);
            },
            kBoundMs, "file properties of a device-named path");
        ASSERT_EQ(views, found.size());
        for (const auto& properties : found) {
            EXPECT_EQ(tree / file.name, properties->GetPath());
            const PropertyList basic = properties->GetBasicProperties();
            EXPECT_NE(basic.end(),
                      std::find(basic.begin(), basic.end(), std::make_pair(std::wstring(L"MD5"), Utils::FromUtf8(file.md5))));
        }
    }

    // Written as FileInfos writes a file's element.
    class WrittenProperties : public FileProperties {
    public:
        using FileProperties::FileProperties;
        void Collect() override { Write(); }
    };
    auto& log = LogCapture::Start();
    std::unique_ptr<WrittenProperties> device;
    Written element;
    RunBounded(
        [&] {
            device = std::make_unique<WrittenProperties>(L"\\\\.\\NUL", L"");
            element = CollectedOne(*device);
        },
        kBoundMs, "file properties of a device path");
    const std::wstring message = L"Cannot read file '\\\\.\\NUL': " + Utils::NotDiskFileText();
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Warning, message}}), WarningsAndWorse(log));
    ASSERT_FALSE(element.children.empty());
    EXPECT_EQ(Narrow(message), element.children[0].value);
    EXPECT_EQ("lvlerror", element.children[0].type);
    for (const auto& leaf : element.children)
        EXPECT_EQ(std::string::npos, leaf.value.find("MD5")) << leaf.value;
    std::vector<ITreeElement*> children;
    device->GetChildren(children);
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(message, children[0]->GetValue());
    for (ITreeElement* child : children)
        delete child;
}

// Wine does not hold paths to MAX_PATH, so a deep file is read here either way; what Windows needs
// is the form that reaches the system, recorded where the platform layer hands it over.
TEST_F(DeviceNamesTest, PathsDeeperThanMaxPathReachTheSystemInTheExtendedForm) {
    std::wstring deep = tree.Path();
    while (deep.size() <= 2 * MAX_PATH)
        deep += L"\\" + std::wstring(60, L'd');
    ASSERT_TRUE(Utils::CreateDirectoryTree(deep));
    ASSERT_TRUE(PathExists(Extended(deep)));
    WriteFileBytes(Extended(deep + L"\\deep.log"), "deep file");

    auto& log = LogCapture::Start();
    FileInfos infos(deep, L"*.log", false);
    FileContent content(deep, L"*.log", false);
    DirectoryInfos folders(deep, false);
    SystemPathRecorder recorder;
    std::vector<Written> written;
    RunBounded([&] { written = Collected({&infos, &content, &folders}); }, kBoundMs, "jobs over a deep path");
    EXPECT_TRUE(recorder.AllExtended());

    ASSERT_EQ(3u, written.size());
    ASSERT_EQ(1u, written[0].children.size());
    const std::vector<std::string> leaves = ValuesOf(written[0].children[0].children);
    EXPECT_NE(leaves.end(), std::find(leaves.begin(), leaves.end(), "MD5: 8BE2059C4994FEDB300DB59A9ECC1FB7"));
    // The listings, the file's digest and dates, the copy's source, the folder's dates: each
    // through the extended form.
    EXPECT_GE(recorder.Count(Extended(deep + L"\\*.log")), 2u);
    EXPECT_GE(recorder.Count(Extended(deep + L"\\deep.log")), 3u);
    EXPECT_GE(recorder.Count(Extended(deep)), 1u);
    // The copy's folder would lie deeper than a split path allows: listed without a copy, and why.
    ASSERT_EQ(1u, written[1].children.size());
    EXPECT_TRUE(written[1].children[0].externalLink.empty());
    EXPECT_EQ((std::vector<LogCapture::Entry>{{Logging::Warning, L"Couldn't copy file '" + deep + L"\\deep.log': " +
                                                                     System::GetErrorText(ERROR_FILENAME_EXCED_RANGE)}}),
              WarningsAndWorse(log));
}
