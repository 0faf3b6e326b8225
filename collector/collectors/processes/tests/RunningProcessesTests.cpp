#include "collector/collectors/processes/RunningProcesses.h"
#include "collector/result/ResultFileWriter.h"
#include "collector/result/tests/ResultFixture.h"
#include "common/OperatingSystem.h"
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"
#include "tools/tests/StandIn.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Testing;

namespace {

using Entry = RunningProcesses::ProcessEntry;

std::string Describe(const std::vector<Entry>& entries) {
    std::string text;
    for (const auto& entry : entries) {
        text += Utils::ToUtf8(entry.name) + " [" + std::to_string(entry.processId) + "]";
        for (const auto& module : entry.modulePaths)
            text += " <" + Utils::ToUtf8(module) + ">";
        text += ";";
    }
    return text;
}

// Bytes as the collector reads them: each one a character of the same value.
std::wstring FromBytes(const std::string& bytes) {
    std::wstring text;
    for (char c : bytes)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return text;
}

// A written "TreeElement" as "value(type,showNumOfChildren)[children]", `levels` deep.
std::string Tree(const TiXmlElement* node, int levels) {
    const TiXmlElement* value = node->FirstChildElement("Value");
    std::string text = value && value->GetText() ? value->GetText() : "";
    text += "(" + std::string(node->Attribute("type") ? node->Attribute("type") : "?") + "," +
            (node->Attribute("showNumOfChildren") ? node->Attribute("showNumOfChildren") : "?") + ")";
    std::string children;
    for (const TiXmlElement* child = node->FirstChildElement("TreeElement"); child && levels > 0;
         child = child->NextSiblingElement("TreeElement"))
        children += (children.empty() ? "" : ", ") + Tree(child, levels - 1);
    if (!children.empty())
        text += "[" + children + "]";
    return text;
}

class RunningProcessesTest : public ResultFolderTest {
protected:
    ~RunningProcessesTest() override { RunningProcesses::UseListerFolder(L""); }

    // Puts a stand-in lister under `name` into the lister folder, printing `bytes`.
    void PlaceLister(const std::wstring& name, const std::string& bytes) {
        ASSERT_TRUE(PlaceStandIn(listers / name));
        WriteFileBytes(listers / (name + L".bytes"), bytes);
        RunningProcesses::UseListerFolder(listers.Path());
    }

    // Collects the job into a result file; the trees of its "ResultSet", each as Tree() shows it.
    std::vector<std::string> Collected(RunningProcesses& job) {
        std::vector<std::string> trees;
        {
            ResultFileWriter writer(nullptr);
            writer.SetDirectory(data);
            writer.Open(L"Processes.xml", L"stylesheet\\stylesheet.xslt", L"A", L"", L"", L"");
            job.writer = &writer;
            job.Collect();
            EXPECT_EQ(2, writer.GetDepth()) << "the job left elements open";
            writer.CloseDocument();
        }
        WellFormedBytes(L"Processes.xml");
        document = TiXmlDocument();
        FILE* file = _wfopen(DataFile(L"Processes.xml").c_str(), L"rb");
        EXPECT_NE(nullptr, file);
        if (!file)
            return trees;
        document.LoadFile(file);
        fclose(file);
        DeleteFileW(DataFile(L"Processes.xml").c_str());
        const TiXmlElement* resultSet = document.RootElement()->FirstChildElement("ResultSet");
        for (const TiXmlElement* node = resultSet->FirstChildElement("TreeElement"); node;
             node = node->NextSiblingElement("TreeElement"))
            trees.push_back(Tree(node, 2));  // the job, its processes, their modules
        return trees;
    }

    ScratchFolder listers{L"listers"};
    TiXmlDocument document;  // the last result file collected
};

// A file found in both views of a 64-bit Windows is written once per view.
std::string PerView(const std::string& element) {
    return System::OperatingSystem::Is64BitOperatingSystem() ? element + ", " + element : element;
}

} // namespace

TEST(RunningProcessesParse, ListerOutputBecomesOneEntryPerRecord) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string entries;
    } cases[] = {
        {"CR LF records, full and short",
         "processname=a.exe\r\npid=1234\r\nmodulepath=C:\\a.exe\r\nmodulepath=C:\\w\\k.dll\r\n\r\n"
         "processname=System\r\npid=4\r\n\r\n",
         "a.exe [1234] <C:\\a.exe> <C:\\w\\k.dll>;System [4];"},
        // A lister writing LF alone loses no real last character.
        {"LF-only lines", "processname=a.exe\npid=12\nmodulepath=C:\\a.exe\n\n", "a.exe [12] <C:\\a.exe>;"},
        {"last line without a line end", "processname=a.exe\r\npid=1\r\nmodulepath=C:\\x.dll",
         "a.exe [1] <C:\\x.dll>;"},
        {"record cut short after the name", "processname=a.exe\r\npid=1\r\n\r\nprocessname=b.ex",
         "a.exe [1];"},
        {"record cut short inside the id", "processname=a.exe\r\npid=1\r\n\r\nprocessname=b.exe\r\npid=99",
         "a.exe [1];b.exe [99];"},
        // Bytes from 128 up are Latin-1 characters.
        {"non-ASCII bytes", "processname=caf\xE9.exe\r\npid=5\r\nmodulepath=C:\\\xC4rger\\?.dll\r\n\r\n",
         "caf\xC3\xA9.exe [5] <C:\\\xC3\x84rger\\?.dll>;"},
        {"empty output", "", ""},
        {"a module line before any process, stray lines", "modulepath=C:\\x.dll\r\nnoise\r\nprocessname=\r\npid=\r\n",
         " [0];"},
        {"id digits up to the first other character", "processname=p\r\npid=0042x\r\n", "p [42];"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.entries, Describe(RunningProcesses::ParseListerOutput(FromBytes(c.bytes))));
    }
}

TEST_F(RunningProcessesTest, StandInListerOutputBecomesTheProcessTree) {
    // An existing module (the stand-in itself, and a file whose name needs a byte above 127), one
    // that does not exist, a short record, LF-only lines and a last line without a line end.
    WriteFileBytes(listers / L"caf\u00E9.dll", "not a real library");
    const std::string folder = Utils::ToUtf8(listers.Path());  // ASCII: a scratch path
    const std::string missing = folder + "\\gone.dll";
    PlaceLister(L"Procscout.exe", "processname=a.exe\r\npid=1234\r\nmodulepath=" + folder + "\\Procscout.exe\r\n"
                                  "modulepath=" + missing + "\r\n\r\n"
                                  "processname=System\npid=4\n\n"
                                  "processname=b.exe\r\npid=77\r\nmodulepath=" + folder + "\\caf\xE9.dll");
    RunningProcesses job(0);
    const std::vector<std::string> trees = Collected(job);
    ASSERT_EQ(1u, trees.size());
    const std::string expected = "running processes (32bit)(serviceinfo,true)["
                                 "a.exe [1234](process,true)[" + PerView(folder + "\\Procscout.exe(fileinfo,false)") +
                                 ", " + missing + "(fileinfo,false)], "
                                 "System [4](process,true), "
                                 "b.exe [77](process,true)[" + PerView(folder + "\\caf\xC3\xA9.dll(fileinfo,false)") +
                                 "]]";
    EXPECT_EQ(expected, trees[0]);
}

TEST_F(RunningProcessesTest, ExistingModuleIsWrittenWithItsFileProperties) {
    const std::string folder = Utils::ToUtf8(listers.Path());
    PlaceLister(L"Procscout.exe", "processname=a.exe\r\npid=1\r\nmodulepath=" + folder + "\\Procscout.exe\r\n"
                                  "modulepath=" + folder + "\\gone.dll\r\n\r\n");
    RunningProcesses job(0);
    Collected(job);
    const TiXmlElement* process =
        document.RootElement()->FirstChildElement("ResultSet")->FirstChildElement("TreeElement")->FirstChildElement(
            "TreeElement");
    ASSERT_NE(nullptr, process);
    // The file's element holds its properties (a digest among them); the missing one is a bare leaf.
    std::vector<const TiXmlElement*> modules;
    for (const TiXmlElement* module = process->FirstChildElement("TreeElement"); module;
         module = module->NextSiblingElement("TreeElement"))
        modules.push_back(module);
    ASSERT_EQ(System::OperatingSystem::Is64BitOperatingSystem() ? 3u : 2u, modules.size());
    bool digest = false;
    for (const TiXmlElement* leaf = modules[0]->FirstChildElement("TreeElement"); leaf;
         leaf = leaf->NextSiblingElement("TreeElement"))
        digest = digest || std::string(leaf->FirstChildElement("Value")->GetText()).rfind("MD5: ", 0) == 0;
    EXPECT_TRUE(digest);
    EXPECT_EQ(nullptr, modules.back()->FirstChildElement("TreeElement"));
}

TEST_F(RunningProcessesTest, BitnessChoosesTheLister) {
    PlaceLister(L"Procscout.exe", "processname=thirtytwo.exe\r\npid=32\r\n\r\n");
    PlaceLister(L"Procscout64.exe", "processname=sixtyfour.exe\r\npid=64\r\n\r\n");
    RunningProcesses job32(0), job64(1);
    EXPECT_EQ(std::vector<std::string>{"running processes (32bit)(serviceinfo,true)[thirtytwo.exe [32](process,true)]"},
              Collected(job32));
    // On a 32-bit Windows no lister runs for the 64-bit processes.
    const std::string expected64 = System::OperatingSystem::Is64BitOperatingSystem()
                                       ? "running processes (64bit)(serviceinfo,true)[sixtyfour.exe [64](process,true)]"
                                       : "running processes (64bit)(serviceinfo,true)";
    EXPECT_EQ(std::vector<std::string>{expected64}, Collected(job64));
}

TEST_F(RunningProcessesTest, MissingListerGivesTheCaptionAlone) {
    RunningProcesses::UseListerFolder(listers.Path());
    RunningProcesses job(0);
    EXPECT_EQ(std::vector<std::string>{"running processes (32bit)(serviceinfo,true)"}, Collected(job));
    EXPECT_EQ(L"", RunningProcesses::RunProcessLister(L"Procscout.exe"));
}

TEST_F(RunningProcessesTest, ListersAreStartedFromTheListerFolderNotTheCurrentOne) {
    // A lister planted in the current folder must not be the one that runs.
    ScratchFolder current(L"planted");
    ASSERT_TRUE(PlaceStandIn(current / L"Procscout.exe"));
    WriteFileBytes(current / L"Procscout.exe.bytes", "processname=planted.exe\r\npid=666\r\n\r\n");
    PlaceLister(L"Procscout.exe", "processname=real.exe\r\npid=1\r\n\r\n");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(current.Path().c_str()));
    const std::wstring output = RunningProcesses::RunProcessLister(L"Procscout.exe");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(L"processname=real.exe\r\npid=1\r\n\r\n", output);
}

TEST(RunningProcessesJob, WithoutWriterThrows) {
    RunningProcesses job(1);
    EXPECT_EQ(L"Result file writer not initialized", ThrownMessage([&] { job.Collect(); }));
    EXPECT_EQ(L"running processes (64bit)", job.GetValue());
    EXPECT_EQ(L"serviceinfo", job.GetType());
    EXPECT_EQ(L"true", job.GetShowNumOfChildren());
}
