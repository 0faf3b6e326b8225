#pragma once
// The collector's command line: a small generic argument parser and the collector's option
// table on top of it. The wizard starts the collector with this format.

#include <memory>
#include <string>
#include <vector>

namespace Gathrix::CommandLine {

using ArgumentList = std::vector<std::wstring>;

class Argument {
public:
    Argument(wchar_t flag, const std::wstring& name, const std::wstring& description, bool required,
             bool takesValue, const std::wstring& valueName, bool isHelp);
    virtual ~Argument() = default;

    // Offered the token at `index`; false when it is not this argument's. Takes the token (and a
    // value argument its value, moving `index` past it) or throws MessageException.
    virtual bool ProcessArgument(size_t& index, const ArgumentList& arguments) = 0;
    virtual std::wstring GetShortUsage() const;
    virtual std::wstring GetLongUsage() const;

    wchar_t GetFlag() const { return flag; }
    const std::wstring& GetName() const { return name; }
    bool Matches(const std::wstring& token) const;
    bool IsRequired() const { return required; }
    bool IsHelp() const { return isHelp; }
    bool IsSet() const { return isSet; }

protected:
    std::wstring ShortForm() const;
    void RefuseSecondUse() const;

    wchar_t flag;
    std::wstring name;
    std::wstring description;
    std::wstring valueName;
    bool required;
    bool takesValue;
    bool isHelp;
    bool isSet = false;
};

class StringArgument : public Argument {
public:
    StringArgument(wchar_t flag, const std::wstring& name, const std::wstring& description,
                   const std::wstring& defaultValue, const std::wstring& valueName, bool required, bool isHelp);
    bool ProcessArgument(size_t& index, const ArgumentList& arguments) override;
    const std::wstring& GetValue() const { return value; }

private:
    std::wstring value;
};

class SwitchArgument : public Argument {
public:
    SwitchArgument(wchar_t flag, const std::wstring& name, const std::wstring& description, bool isHelp);
    bool ProcessArgument(size_t& index, const ArgumentList& arguments) override;
    bool GetValue() const { return value; }

private:
    bool value = false;
};

// Does not own the arguments it is given.
class ArgumentParser {
public:
    explicit ArgumentParser(const std::wstring& programDescription);

    void AddArgument(Argument* argument);
    void SetHelpArgument(Argument* argument);
    void Parse(const ArgumentList& arguments);
    std::wstring GetUsage() const;
    std::wstring GetUsageHint() const;

private:
    std::vector<Argument*> arguments;
    Argument* helpArgument = nullptr;
    std::wstring programDescription;
    std::wstring programName;
    size_t requiredCount = 0;
};

struct Settings {
    std::wstring name;
    std::wstring company;
    std::wstring email;
    std::wstring callNumber;
    std::wstring settingsFile;
    std::wstring tempFolder;
    std::wstring outputFolder;
};

class ProgramOptions {
public:
    ProgramOptions();
    ~ProgramOptions();
    ProgramOptions(const ProgramOptions&) = delete;
    ProgramOptions& operator=(const ProgramOptions&) = delete;

    // The settings, or null when help was asked for (then helpRequested is set).
    // Every command-line error throws ExitException with code 1 and the composed text.
    std::unique_ptr<Settings> GetSettings(const ArgumentList& arguments);
    const ArgumentParser& GetParser() const { return *parser; }

    bool helpRequested = false;

private:
    const std::wstring defaultSettingsFile = L".\\Config.xml";
    std::unique_ptr<ArgumentParser> parser;
    std::unique_ptr<SwitchArgument> help;
    std::unique_ptr<StringArgument> settingsFile;
    std::unique_ptr<StringArgument> name;
    std::unique_ptr<StringArgument> email;
    std::unique_ptr<StringArgument> company;
    std::unique_ptr<StringArgument> callNumber;
    std::unique_ptr<StringArgument> tempFolder;
    std::unique_ptr<StringArgument> outputFolder;
};

// The entry point's argument count and array as a list, program path first.
ArgumentList ToArgumentVector(int count, wchar_t** values);

} // namespace Gathrix::CommandLine
