#pragma once
// The variables that paths in a mode file may use: environment variables between "%" signs
// (read once, when the object is made) and the program's own variables between "|?" and "?|"
// ("ProfilesRootDirectory" and the product folders). Expansion is purely textual.

#include "common/Singleton.h"

#include <map>
#include <string>
#include <vector>

namespace Gathrix::System {

class Variables : public Utils::Singleton<Variables> {
public:
    ~Variables() override = default;

    // Stores value under "|?" + name + "?|"; a name already present keeps its first value.
    void AddVariable(const std::wstring& name, const std::wstring& value);

    // The text with every known variable replaced: one candidate, or two when the text names a
    // program-files folder, whose 64-bit twin ("%ProgramW6432%", "%CommonProgramW6432%") the
    // second candidate uses.
    std::vector<std::wstring> Expand(const std::wstring& text);

    // The folder the text names, normalised and ending in "\"; empty when the text needs no
    // change or does not name one folder: the caller then goes on with its own text.
    std::wstring ExpandDirectory(const std::wstring& text);

    // The folders of PATH, read on the first request (a failure is not retried).
    std::vector<std::wstring> GetPathDirectories();

    // Keys "%" + name + "%", in key order.
    std::map<std::wstring, std::wstring> GetEnvironmentVariables() const { return environmentVariables; }

private:
    friend class Utils::Singleton<Variables>;
    Variables();

    void ReadEnvironment();
    static std::vector<std::wstring> AddProgramFilesVariants(const std::wstring& text);

    std::map<std::wstring, std::wstring> programVariables;
    std::map<std::wstring, std::wstring> environmentVariables;
    std::vector<std::wstring> pathDirectories;
    bool pathDirectoriesRead = false;
};

} // namespace Gathrix::System
