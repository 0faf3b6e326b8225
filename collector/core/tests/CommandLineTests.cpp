#include "collector/core/CommandLine.h"

#include "common/Exceptions.h"
#include "common/ExitCode.h"

#include <gtest/gtest.h>

using namespace Gathrix;
using namespace Gathrix::CommandLine;

namespace {

const std::wstring Hint = L"Type gathrix.exe -h to see the usage.";
const std::wstring MissingConfig = L"Missing argument config file\n\n";
const std::wstring MissingTemp = L"Missing argument temporary folder\n\n";

ArgumentList Line(std::initializer_list<const wchar_t*> tokens) {
    ArgumentList list{L".\\gathrix.exe"};
    for (const wchar_t* token : tokens)
        list.emplace_back(token);
    return list;
}

struct RefusalCase {
    const char* what;
    ArgumentList arguments;
    std::wstring expected;
};

void PrintTo(const RefusalCase& refusal, std::ostream* out) { *out << refusal.what; }

class CommandLineRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CommandLineRefusals, ComposeExactTextWithExitCodeOne) {
    ProgramOptions options;
    try {
        options.GetSettings(GetParam().arguments);
        FAIL() << "accepted: " << GetParam().what;
    } catch (const ExitException& refusal) {
        EXPECT_EQ(InvalidCommandLine, refusal.GetExitCode());
        EXPECT_EQ(GetParam().expected, refusal.GetMessageText());
    }
    EXPECT_FALSE(options.helpRequested);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineRefusals,
    ::testing::Values(
        RefusalCase{"nothing after the program", Line({}), L"Too less arguments.\n\n" + MissingConfig + Hint},
        RefusalCase{"-s without value", Line({L"-s"}),
                    L"The value for the argument '-s' is missing.\n\n" + MissingConfig + Hint},
        RefusalCase{"long then short form", Line({L"--settingsfile", L"a.xml", L"-s", L"b.xml"}),
                    L"The argument '-s' can not be set twice.\n\n" + Hint},
        RefusalCase{"second -s is set-twice, not value-missing", Line({L"-s", L"a.xml", L"-s"}),
                    L"The argument '-s' can not be set twice.\n\n" + Hint},
        RefusalCase{"unknown flag", Line({L"-s", L"a.xml", L"-X"}), L"The argument '-X' is unknown\n\n" + Hint},
        RefusalCase{"flags are case-sensitive", Line({L"-s", L"a.xml", L"-S", L"b.xml"}),
                    L"The argument '-S' is unknown\n\n" + Hint},
        RefusalCase{"given value equals the default", Line({L"-s", L".\\Config.xml", L"-q"}),
                    L"The argument '-q' is unknown\n\n" + MissingConfig + Hint},
        RefusalCase{"empty temp folder with another error", Line({L"-t", L"", L"-s", L"a.xml", L"-q"}),
                    L"The argument '-q' is unknown\n\n" + MissingTemp + Hint},
        RefusalCase{"required argument after help", Line({L"-h", L"-s", L"a.xml"}),
                    L"Too many arguments.\n\n" + Hint},
        RefusalCase{"help twice", Line({L"-h", L"-h"}),
                    L"The argument '-h' can not be set twice.\n\n" + MissingConfig + Hint},
        RefusalCase{"no required argument", Line({L"-n", L"Jane"}),
                    L"Too less arguments.\n\n" + MissingConfig + Hint}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return "Case" + std::to_string(info.index); });

TEST(CommandLine, FillsEverySettingFromShortAndLongForms) {
    ProgramOptions options;
    auto settings = options.GetSettings(Line({L"--name", L"Jörg Ünal", L"-c", L"ACME", L"-e", L"j@example.com",
                                              L"--callnumber", L"4711", L"-s", L"mode.xml", L"-t", L"C:\\tmp\\x",
                                              L"--outputfolder", L"D:\\out"}));
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(L"Jörg Ünal", settings->name);
    EXPECT_EQ(L"ACME", settings->company);
    EXPECT_EQ(L"j@example.com", settings->email);
    EXPECT_EQ(L"4711", settings->callNumber);
    EXPECT_EQ(L"mode.xml", settings->settingsFile);
    EXPECT_EQ(L"C:\\tmp\\x", settings->tempFolder);
    EXPECT_EQ(L"D:\\out", settings->outputFolder);
}

TEST(CommandLine, DefaultsAndValuesThatLookLikeOptions) {
    ProgramOptions options;
    // -e is taken as the name's value; nothing is refused and the e-mail stays empty.
    auto settings = options.GetSettings(Line({L"-n", L"-e", L"-s", L"a.xml"}));
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(L"-e", settings->name);
    EXPECT_EQ(L"", settings->email);
    EXPECT_EQ(L"%temp%\\GATHRINF", settings->tempFolder);
    EXPECT_EQ(L"", settings->outputFolder);

    ProgramOptions emptyTemp;
    auto passed = emptyTemp.GetSettings(Line({L"-t", L"", L"-s", L"a.xml"}));
    ASSERT_NE(nullptr, passed);
    EXPECT_EQ(L"", passed->tempFolder);
}

TEST(CommandLine, HelpAloneOrAfterTheRequiredArgumentAsksForUsage) {
    for (const auto& arguments : {Line({L"-h"}), Line({L"-s", L"a.xml", L"--help"})}) {
        ProgramOptions options;
        EXPECT_EQ(nullptr, options.GetSettings(arguments));
        EXPECT_TRUE(options.helpRequested);
    }
}

TEST(CommandLine, UsageTextLayout) {
    ProgramOptions options;
    options.GetSettings(Line({L"-h"}));
    const std::wstring expected =
        L"Gathrix collects information about your PC, which is used by the Quellon Support department.\n\n"
        L"USAGE: \n\n"
        L"gathrix.exe [-h] -s <path to the config file> [-n <your name>] [-e <your e-mail address>] "
        L"[-c <your company>] [-i <call number>] [-t <temporary folder>] [-o <output folder>]\n\n\n"
        L"Where: \n\n"
        L"-h  --help\n  Displays usage information and exits.\n\n"
        L"-s <path to the config file>  --settingsfile <path to the config file>\n  (required)\n"
        L"  Specifies the configuration file which should be used to collect data.\n\n"
        L"-n <your name>  --name <your name>\n  Specify your name.\n\n"
        L"-e <your e-mail address>  --email <your e-mail address>\n  Specify your e-mail address.\n\n"
        L"-c <your company>  --company <your company>\n  Specify your company.\n\n"
        L"-i <call number>  --callnumber <call number>\n  Specify your call number.\n\n"
        L"-t <temporary folder>  --tempfolder <temporary folder>\n"
        L"  Specify a folder where the results are stored temporarily.\n\n"
        L"-o <output folder>  --outputfolder <output folder>\n"
        L"  Specify a folder where the result file should be saved\n";
    EXPECT_EQ(expected, options.GetParser().GetUsage());
}

TEST(CommandLine, ArgumentVectorAndParserRefusals) {
    wchar_t program[] = L"gathrix.exe";
    wchar_t* values[] = {program};
    for (int count : {0, -1}) {
        try {
            ToArgumentVector(count, values);
            FAIL() << "accepted count " << count;
        } catch (const ExitException& refusal) {
            EXPECT_EQ(InvalidCommandLine, refusal.GetExitCode());
            EXPECT_EQ(L"No argument is set", refusal.GetMessageText());
        }
    }
    EXPECT_THROW(ToArgumentVector(1, nullptr), ExitException);
    EXPECT_EQ(ArgumentList{L"gathrix.exe"}, ToArgumentVector(1, values));

    ArgumentParser parser(L"d");
    try {
        parser.Parse(Line({}));
        FAIL();
    } catch (const MessageException& refusal) {
        EXPECT_EQ(L"There is no help argument set", refusal.GetMessageText());
    }
    SwitchArgument help(L'h', L"help", L"x", true);
    SwitchArgument clash(L'h', L"other", L"x", false);
    parser.SetHelpArgument(&help);
    try {
        parser.AddArgument(&clash);
        FAIL();
    } catch (const MessageException& refusal) {
        EXPECT_EQ(L"The argument '-h' / '--other' is already used.", refusal.GetMessageText());
    }
    try {
        parser.SetHelpArgument(&clash);
        FAIL();
    } catch (const MessageException& refusal) {
        EXPECT_EQ(L"The help argument was already set!", refusal.GetMessageText());
    }
    try {
        SwitchArgument dash(L'-', L"dash", L"x", false);
        FAIL();
    } catch (const MessageException& refusal) {
        EXPECT_EQ(L"Argument flag cannot be either '-'.", refusal.GetMessageText());
    }
    for (const wchar_t* badName : {L"", L"-name"}) {
        try {
            SwitchArgument bad(L'b', badName, L"x", false);
            FAIL();
        } catch (const MessageException& refusal) {
            EXPECT_EQ(L"Argument name cannot be either empty or start with '-'.", refusal.GetMessageText());
        }
    }
}

} // namespace
