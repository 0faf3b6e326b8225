// A stand-in for the collector in the wizard's tests. It records how it was started and then
// follows the script "standin.txt" in its current folder, one command per line:
//   print TEXT    TEXT and a line end on standard output
//   write TEXT    TEXT without a line end ("\n" in TEXT becomes a line end)
//   wait NAME     wait until the file NAME exists in the current folder
//   sleep MS      pause
//   linger        start a copy of itself that keeps the output pipe open for a minute
//   hang          wait until ended from outside
//   exit CODE     end with CODE (the default is 0)
// What it records, in the current folder: "standin-args.txt" (its arguments as the C runtime
// read them, one per line, UTF-8, after its own process id), appended to "standin-runs.txt"
// (one line per start).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void Out(const std::string& bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool Exists(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

void StartLingeringCopy() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --linger";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &started)) {
        std::ofstream("standin-linger.txt") << started.dwProcessId << "\n";
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

} // namespace

int wmain(int argumentCount, wchar_t** arguments) {
    if (argumentCount == 2 && std::wstring(arguments[1]) == L"--linger") {
        Sleep(60000);
        return 0;
    }
    {
        std::ofstream record("standin-args.txt", std::ios::binary);
        record << GetCurrentProcessId() << "\n";
        for (int i = 0; i < argumentCount; ++i)
            record << Utf8(arguments[i]) << "\n";
        std::ofstream runs("standin-runs.txt", std::ios::binary | std::ios::app);
        runs << GetCurrentProcessId() << "\n";
    }
    std::ifstream script("standin.txt", std::ios::binary);
    std::string line;
    int exitCode = 0;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string command = line.substr(0, line.find(' '));
        std::string argument = line.size() > command.size() ? line.substr(command.size() + 1) : std::string();
        if (command == "print") {
            Out(argument + "\r\n");
        } else if (command == "write") {
            std::string text;
            for (size_t i = 0; i < argument.size(); ++i) {
                if (argument[i] == '\\' && i + 1 < argument.size() && argument[i + 1] == 'n') {
                    text += "\r\n";
                    ++i;
                } else {
                    text += argument[i];
                }
            }
            Out(text);
        } else if (command == "wait") {
            while (!Exists(argument))
                Sleep(20);
        } else if (command == "sleep") {
            Sleep(static_cast<DWORD>(std::atoi(argument.c_str())));
        } else if (command == "linger") {
            StartLingeringCopy();
        } else if (command == "hang") {
            for (;;)
                Sleep(1000);
        } else if (command == "exit") {
            exitCode = std::atoi(argument.c_str());
        }
    }
    return exitCode;
}
