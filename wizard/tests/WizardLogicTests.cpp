// The wizard's plain logic: the collector's command line, the output-folder argument, the status
// lines taken from the collector's output, the exit-code messages and the mode list.
#include "common/Text.h"
#include "common/tests/support/TestSupport.h"
#include "wizard/CollectorInvocation.h"
#include "wizard/ModeList.h"
#include "wizard/WizardResourceIds.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>
#include <vector>

using namespace WizardDialog;
using Gathrix::Testing::ScratchFolder;
using Gathrix::Testing::WriteFileBytes;

namespace {

std::vector<std::wstring> SplitLikeTheRuntime(const std::wstring& commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine.c_str(), &count);
    std::vector<std::wstring> result(arguments, arguments + count);
    LocalFree(arguments);
    return result;
}

} // namespace

TEST(CollectorCommandLine, EveryValueComesBackAsTyped) {
    const std::wstring values[] = {
        L"Jane Doe",
        L"",
        L"say \"hi\"",
        L"\" -s evil.xml -o \"C:\\",
        L"C:\\ends with backslash\\",
        L"two\\\\\"quotes\\\"",
        L"tab\there",
        L"M\u00fcller \u03a9",
    };
    for (const std::wstring& value : values) {
        ContactData contact{value, L"org " + value, value + L"@x", L"#" + value};
        std::wstring line = BuildCollectorCommandLine(L".\\My Mode.xml", contact, value);
        std::vector<std::wstring> arguments = SplitLikeTheRuntime(line);
        std::vector<std::wstring> expected{L".\\gathrix.exe", L"-s", L".\\My Mode.xml", L"-n", value,
                                           L"-e", value + L"@x", L"-c", L"org " + value, L"-i", L"#" + value};
        if (!value.empty()) {
            expected.push_back(L"-o");
            expected.push_back(value);
        }
        EXPECT_EQ(arguments, expected) << "value: " << Gathrix::Utils::ToUtf8(value) << "\nline: "
                                       << Gathrix::Utils::ToUtf8(line);
    }
}

TEST(CollectorCommandLine, OptionsInTheirOrderAndNoOutputFolderWhenEmpty) {
    ContactData contact{L"N", L"C", L"E", L"I"};
    EXPECT_EQ(BuildCollectorCommandLine(L".\\Config.xml", contact, L""),
              L".\\gathrix.exe -s \".\\Config.xml\" -n \"N\" -e \"E\" -c \"C\" -i \"I\"");
    EXPECT_EQ(BuildCollectorCommandLine(L".\\Config.xml", contact, L"c:\\out"),
              L".\\gathrix.exe -s \".\\Config.xml\" -n \"N\" -e \"E\" -c \"C\" -i \"I\" -o \"c:\\out\"");
}

TEST(OutputFolderArgument, FormsOfTheWizardsCommandLine) {
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* folder;
    } cases[] = {
        {L"\"C:\\Program Files\\Gathrix\\GathrixWizard.exe\"", L""},
        {L"\"C:\\Program Files\\Gathrix\\GathrixWizard.exe\" ", L""},
        {L"\"C:\\Program Files\\Gathrix\\GathrixWizard.exe\"   ", L""},
        {L"\"C:\\Program Files\\Gathrix\\GathrixWizard.exe\" C:\\Users\\Jane Doe\\Desktop", L"c:\\users\\jane doe\\desktop"},
        {L"\"C:\\Program Files\\Gathrix\\GathrixWizard.exe\"  \"C:\\Users\\Jane Doe\\Desktop\"", L"c:\\users\\jane doe\\desktop"},
        {L"\"C:\\Gathrix\\GathrixWizard.exe\"C:\\Out", L"c:\\out"},
        {L"C:\\Gathrix\\GathrixWizard.exe D:\\Out Folder", L"d:\\out folder"},
        {L"C:\\Gathrix\\GathrixWizard.exe", L""},
        {L"GathrixWizard.exe \"", L"\""},
        {L"\"C:\\unterminated\\GathrixWizard.exe", L""},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OutputFolderArgument(c.commandLine), c.folder) << Gathrix::Utils::ToUtf8(c.commandLine);
}

TEST(StatusLineReader, NewestCompleteLineUnfinishedLineKeptCarriageReturnsDropped) {
    StatusLineReader reader;
    std::wstring line = L"untouched";
    EXPECT_FALSE(reader.Append("1/3: Gen", 8, line));
    EXPECT_EQ(line, L"untouched");
    EXPECT_TRUE(reader.Append("eral...\r\n2/3: Fi", 16, line));
    EXPECT_EQ(line, L"1/3: General...");
    // Several lines in one chunk: the newest one; an empty line changes nothing.
    const char chunk[] = "les...\r\n3/3: Achiving the results...\r\n\r\nFinished! (C:\\x\xE9)";
    EXPECT_TRUE(reader.Append(chunk, sizeof(chunk) - 1, line));
    EXPECT_EQ(line, L"3/3: Achiving the results...");
    EXPECT_TRUE(reader.Finish(line));
    EXPECT_EQ(line, L"Finished! (C:\\x\u00e9)");
    EXPECT_FALSE(reader.Finish(line));
    // A line split between a carriage return and its line feed.
    EXPECT_FALSE(reader.Append("a\r", 2, line));
    EXPECT_TRUE(reader.Append("\n", 1, line));
    EXPECT_EQ(line, L"a");
}

TEST(ExitCodeMessages, EachCodeOfTheCollector) {
    struct Case {
        std::uint32_t code;
        bool cancelled;
        ExitCodeMessage message;
    } cases[] = {
        {0, false, {IDS_SUCCESS, IDS_SUCCESS, IDS_SUCCESS_CAPTION, MB_ICONINFORMATION}},
        {1, false, {IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {2, false, {IDS_ERROR_STATUS, IDS_NO_RIGHTS, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {3, false, {IDS_ERROR_STATUS, IDS_NO_RIGHTS, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {4, false, {IDS_ERROR_STATUS, IDS_MODE_FILE_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {5, false, {IDS_ERROR_STATUS, IDS_WORKING_FOLDER_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {6, false, {IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {7, false, {IDS_ERROR_STATUS, IDS_DESKTOP_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {8, false, {IDS_ERROR_STATUS, IDS_WMI_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {9, false, {IDS_ERROR_STATUS, IDS_DATA_FOLDERS_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {10, false, {IDS_ERROR_STATUS, IDS_COPY_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {11, false, {IDS_CANCELLED, IDS_ALREADY_RUNNING, IDS_CANCELLED, MB_ICONERROR}},
        {12, false, {IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {1000, false, {IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
        {1000, true, {IDS_CANCELLED, 0, 0, 0}},
        {0, true, {IDS_SUCCESS, IDS_SUCCESS, IDS_SUCCESS_CAPTION, MB_ICONINFORMATION}},
        {0xC0000005u, false, {IDS_ERROR_STATUS, IDS_GENERAL_ERROR, IDS_ERROR_CAPTION, MB_ICONERROR}},
    };
    for (const Case& c : cases) {
        ExitCodeMessage got = MessageForExitCode(c.code, c.cancelled);
        EXPECT_EQ(got.statusId, c.message.statusId) << c.code << " cancelled " << c.cancelled;
        EXPECT_EQ(got.textId, c.message.textId) << c.code << " cancelled " << c.cancelled;
        EXPECT_EQ(got.captionId, c.message.captionId) << c.code << " cancelled " << c.cancelled;
        EXPECT_EQ(got.icon, c.message.icon) << c.code << " cancelled " << c.cancelled;
    }
}

TEST(ModeName, WhatAModeFileMustHold) {
    struct Case {
        const char* content;
        bool found;
        const wchar_t* name;
    } cases[] = {
        {"<Config><Mode><Name lang=\"en-us\">Standard</Name></Mode></Config>", true, L"Standard"},
        {"<Anything><Mode><Name lang=\"de-de\">A</Name><Name lang=\"en-us\">B</Name></Mode></Anything>", true, L"B"},
        {"<Config><Mode><Name lang=\"en-us\">First</Name><Name lang=\"en-us\">Second</Name></Mode></Config>", true, L"First"},
        {"<Config><Mode><Other /><Name id=\"1\" lang=\"en-us\">After others</Name></Mode></Config>", true, L"After others"},
        {"<Config><Mode><Name lang=\"EN-US\">Case</Name></Mode></Config>", false, L""},
        {"<Config><Mode><Name lang=\"de-de\">Only German</Name></Mode></Config>", false, L""},
        {"<Config><Mode><Name>No language</Name></Mode></Config>", false, L""},
        {"<Config><Level1 name=\"x\" /><Mode><Name lang=\"en-us\">Not first</Name></Mode></Config>", false, L""},
        {"<Config><mode><Name lang=\"en-us\">Lower case</Name></mode></Config>", false, L""},
        {"<Config><Mode><Name lang=\"en-us\">Broken</Name></Mode>", false, L""},
        {"", false, L""},
        {"<Config><Mode><Name lang=\"en-us\">M\xC3\xBCller \xCE\xA9</Name></Mode></Config>", true, L"M\u00fcller \u03a9"},
        // A name the user could not tell from a blank entry does not count; a later one may.
        {"<Config><Mode><Name lang=\"en-us\"></Name></Mode></Config>", false, L""},
        {"<Config><Mode><Name lang=\"en-us\"> \t </Name><Name lang=\"de-de\">German</Name></Mode></Config>", false, L""},
        {"<Config><Mode><Name lang=\"en-us\"/><Name lang=\"en-us\">Second</Name></Mode></Config>", true, L"Second"},
    };
    ScratchFolder folder(L"modename");
    for (const Case& c : cases) {
        std::wstring path = folder / L"mode.xml";
        WriteFileBytes(path, c.content);
        std::wstring name;
        EXPECT_EQ(ReadModeName(path, L"en-us", name), c.found) << c.content;
        EXPECT_EQ(name, c.name) << c.content;
    }
    std::wstring name;
    EXPECT_FALSE(ReadModeName(folder / L"missing.xml", L"en-us", name));
    // Nested too deeply for the stack to parse: no mode, and no crash.
    std::string deep = "<Config><Mode><Name lang=\"en-us\">Deep</Name></Mode><Level1>";
    for (int i = 0; i < 20000; ++i)
        deep += "<x>";
    WriteFileBytes(folder / L"deep.xml", deep);
    EXPECT_FALSE(ReadModeName(folder / L"deep.xml", L"en-us", name));
}

TEST(ModeList, FilesOfTheFolderSortedByPathWithNamesInTheLanguage) {
    ScratchFolder folder(L"modelist");
    auto mode = [](const std::string& names) { return "<Config><Mode>" + names + "</Mode></Config>"; };
    WriteFileBytes(folder / L"b.xml", mode("<Name lang=\"en-us\">Alpha</Name><Name lang=\"de-de\">Alpha (de)</Name>"));
    WriteFileBytes(folder / L"a.xml", mode("<Name lang=\"en-us\">Zulu</Name>"));
    WriteFileBytes(folder / L"a b.xml", mode("<Name lang=\"en-us\">Blank</Name>"));
    WriteFileBytes(folder / L"\u00e4rger \u03a9.xml", mode("<Name lang=\"en-us\">Non-ASCII</Name>"));
    WriteFileBytes(folder / L"c.xml", mode("<Name lang=\"de-de\">Only German</Name>"));
    WriteFileBytes(folder / L"d.xml", "not XML at all");
    WriteFileBytes(folder / L"0.xml", mode("<Name lang=\"en-us\"></Name>"));
    WriteFileBytes(folder / L"e.txt", mode("<Name lang=\"en-us\">Not a mode file</Name>"));
    CreateDirectoryW((folder / L"folder.xml").c_str(), nullptr);
    WriteFileBytes(folder / L"folder.xml\\inner.xml", mode("<Name lang=\"en-us\">Inner</Name>"));

    std::vector<ModeEntry> modes = FindModes(folder.Path(), L"en-us");
    std::vector<std::pair<std::wstring, std::wstring>> got;
    for (const ModeEntry& entry : modes)
        got.emplace_back(entry.displayName, entry.path);
    std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"Blank", L".\\a b.xml"}, {L"Zulu", L".\\a.xml"}, {L"Alpha", L".\\b.xml"}, {L"Non-ASCII", L".\\\u00e4rger \u03a9.xml"}};
    EXPECT_EQ(got, expected);

    std::vector<ModeEntry> german = FindModes(folder.Path(), L"de-de");
    ASSERT_EQ(german.size(), 2u);
    EXPECT_EQ(german[0].displayName, L"Alpha (de)");
    EXPECT_EQ(german[1].displayName, L"Only German");
    EXPECT_TRUE(FindModes(folder.Path(), L"fr-fr").empty());
}
