#include "collector/core/CommandLine.h"

#include "common/Exceptions.h"
#include "common/ExitCode.h"

#include <windows.h>
#include <shlwapi.h>

namespace Gathrix::CommandLine {

namespace {
const std::wstring LongPrefix = L"--";
const std::wstring FlagPrefix = L"-";
} // namespace

Argument::Argument(wchar_t flag, const std::wstring& name, const std::wstring& description, bool required,
                   bool takesValue, const std::wstring& valueName, bool isHelp)
    : flag(flag), name(name), description(description), valueName(valueName), required(required),
      takesValue(takesValue), isHelp(isHelp) {
    if (std::wstring(1, flag) == FlagPrefix)
        throw MessageException(L"Argument flag cannot be either '" + FlagPrefix + L"'.");
    if (name.empty() || name.compare(0, FlagPrefix.size(), FlagPrefix) == 0)
        throw MessageException(L"Argument name cannot be either empty or start with '" + FlagPrefix + L"'.");
}

std::wstring Argument::ShortForm() const { return FlagPrefix + flag; }

bool Argument::Matches(const std::wstring& token) const {
    return token == ShortForm() || token == LongPrefix + name;
}

void Argument::RefuseSecondUse() const {
    // The short form is named even when the long form was used.
    throw MessageException(L"The argument '" + ShortForm() + L"' can not be set twice.");
}

std::wstring Argument::GetShortUsage() const {
    std::wstring usage = ShortForm();
    if (takesValue)
        usage += L" <" + valueName + L">";
    return required ? usage : L"[" + usage + L"]";
}

std::wstring Argument::GetLongUsage() const {
    const std::wstring value = takesValue ? L" <" + valueName + L">" : std::wstring();
    std::wstring usage = ShortForm() + value + L"  " + LongPrefix + name + value + L"\n";
    if (required)
        usage += L"  (required)\n";
    return usage + L"  " + description;
}

StringArgument::StringArgument(wchar_t flag, const std::wstring& name, const std::wstring& description,
                               const std::wstring& defaultValue, const std::wstring& valueName, bool required,
                               bool isHelp)
    : Argument(flag, name, description, required, true, valueName, isHelp), value(defaultValue) {}

bool StringArgument::ProcessArgument(size_t& index, const ArgumentList& arguments) {
    if (!Matches(arguments[index]))
        return false;
    if (isSet)
        RefuseSecondUse();
    ++index;
    if (index < arguments.size()) {
        // Whatever follows is the value, even a token that looks like an option.
        value = arguments[index];
        isSet = true;
        return true;
    }
    throw MessageException(L"The value for the argument '" + ShortForm() + L"' is missing.");
}

SwitchArgument::SwitchArgument(wchar_t flag, const std::wstring& name, const std::wstring& description, bool isHelp)
    : Argument(flag, name, description, false, false, std::wstring(), isHelp) {}

bool SwitchArgument::ProcessArgument(size_t& index, const ArgumentList& arguments) {
    if (!Matches(arguments[index]))
        return false;
    if (isSet)
        RefuseSecondUse();
    isSet = true;
    value = !value;
    return true;
}

ArgumentParser::ArgumentParser(const std::wstring& programDescription) : programDescription(programDescription) {}

void ArgumentParser::AddArgument(Argument* argument) {
    for (const Argument* known : arguments) {
        if (known->GetFlag() == argument->GetFlag() || known->GetName() == argument->GetName())
            throw MessageException(L"The argument '" + FlagPrefix + argument->GetFlag() + L"' / '" + LongPrefix +
                                   argument->GetName() + L"' is already used.");
    }
    arguments.push_back(argument);
    if (argument->IsRequired())
        ++requiredCount;
}

void ArgumentParser::SetHelpArgument(Argument* argument) {
    if (helpArgument != nullptr)
        throw MessageException(L"The help argument was already set!");
    AddArgument(argument);
    helpArgument = argument;
}

void ArgumentParser::Parse(const ArgumentList& tokens) {
    if (helpArgument == nullptr)
        throw MessageException(L"There is no help argument set");
    if (tokens.empty())
        throw MessageException(L"Too less arguments.");
    programName = PathFindFileNameW(tokens[0].c_str());

    // Help after the required arguments (or alone) satisfies them; a required argument after
    // help counts once more and is refused as one too many.
    size_t accepted = 0;
    for (size_t index = 1; index < tokens.size(); ++index) {
        Argument* taker = nullptr;
        for (Argument* argument : arguments) {
            if (argument->ProcessArgument(index, tokens)) {
                taker = argument;
                break;
            }
        }
        if (taker == nullptr)
            throw MessageException(L"The argument '" + tokens[index] + L"' is unknown");
        if (taker->IsRequired())
            ++accepted;
        else if (taker == helpArgument)
            accepted = requiredCount;
    }
    if (accepted < requiredCount)
        throw MessageException(L"Too less arguments.");
    if (accepted > requiredCount)
        throw MessageException(L"Too many arguments.");
}

std::wstring ArgumentParser::GetUsageHint() const {
    if (helpArgument == nullptr)
        throw MessageException(L"There is no help argument set");
    return L"Type " + programName + L" " + FlagPrefix + helpArgument->GetFlag() + L" to see the usage.";
}

std::wstring ArgumentParser::GetUsage() const {
    std::wstring usage = programDescription + L"\n\n" + L"USAGE: \n\n" + programName;
    for (const Argument* argument : arguments)
        usage += L" " + argument->GetShortUsage();
    usage += L"\n\n\nWhere: \n\n";
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            usage += L"\n\n";
        usage += arguments[i]->GetLongUsage();
    }
    return usage + L"\n";
}

ProgramOptions::ProgramOptions()
    : parser(std::make_unique<ArgumentParser>(
          L"Gathrix collects information about your PC, which is used by the Quellon Support department.")),
      help(std::make_unique<SwitchArgument>(L'h', L"help", L"Displays usage information and exits.", true)),
      settingsFile(std::make_unique<StringArgument>(
          L's', L"settingsfile", L"Specifies the configuration file which should be used to collect data.",
          defaultSettingsFile, L"path to the config file", true, false)),
      name(std::make_unique<StringArgument>(L'n', L"name", L"Specify your name.", L"", L"your name", false, false)),
      email(std::make_unique<StringArgument>(L'e', L"email", L"Specify your e-mail address.", L"",
                                             L"your e-mail address", false, false)),
      company(std::make_unique<StringArgument>(L'c', L"company", L"Specify your company.", L"", L"your company",
                                               false, false)),
      callNumber(std::make_unique<StringArgument>(L'i', L"callnumber", L"Specify your call number.", L"",
                                                  L"call number", false, false)),
      tempFolder(std::make_unique<StringArgument>(
          L't', L"tempfolder", L"Specify a folder where the results are stored temporarily.", L"%temp%\\GATHRINF",
          L"temporary folder", false, false)),
      outputFolder(std::make_unique<StringArgument>(
          L'o', L"outputfolder", L"Specify a folder where the result file should be saved", L"", L"output folder",
          false, false)) {
    parser->SetHelpArgument(help.get());
    for (Argument* argument : std::initializer_list<Argument*>{settingsFile.get(), name.get(), email.get(),
                                                               company.get(), callNumber.get(), tempFolder.get(),
                                                               outputFolder.get()})
        parser->AddArgument(argument);
}

ProgramOptions::~ProgramOptions() = default;

std::unique_ptr<Settings> ProgramOptions::GetSettings(const ArgumentList& arguments) {
    auto settings = std::make_unique<Settings>();
    try {
        parser->Parse(arguments);
    } catch (const MessageException& refusal) {
        std::wstring text = refusal.GetMessageText() + L"\n\n";
        if (settingsFile->GetValue() == defaultSettingsFile)
            text += L"Missing argument config file\n\n";
        if (tempFolder->GetValue().empty())
            text += L"Missing argument temporary folder\n\n";
        text += parser->GetUsageHint();
        throw ExitException(text, InvalidCommandLine);
    }
    if (help->GetValue()) {
        helpRequested = true;
        return nullptr;
    }
    settings->name = name->GetValue();
    settings->company = company->GetValue();
    settings->email = email->GetValue();
    settings->callNumber = callNumber->GetValue();
    settings->settingsFile = settingsFile->GetValue();
    settings->tempFolder = tempFolder->GetValue();
    settings->outputFolder = outputFolder->GetValue();
    return settings;
}

ArgumentList ToArgumentVector(int count, wchar_t** values) {
    if (count < 1 || values == nullptr)
        throw ExitException(L"No argument is set", InvalidCommandLine);
    ArgumentList arguments;
    arguments.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.emplace_back(values[i] != nullptr ? values[i] : L"");
    return arguments;
}

} // namespace Gathrix::CommandLine
