#include "ProviderReport.h"

#include "../common/ListerOutput.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace Gathrix::Listers {

namespace {

std::string Printf(const char* format, long long value, bool hex) {
    char buffer[64];
    if (hex)
        std::snprintf(buffer, sizeof(buffer), format, static_cast<unsigned>(value));
    else
        std::snprintf(buffer, sizeof(buffer), format, static_cast<int>(value));
    return buffer;
}

// The name in the thread's ANSI code page, the buffer sized by asking first. Characters the code
// page lacks become its default character; a name that cannot be converted at all is empty.
std::string AnsiName(const WSAPROTOCOL_INFOW& entry) {
    const size_t length = wcsnlen(entry.szProtocol, WSAPROTOCOL_LEN + 1);
    if (length == 0)
        return std::string();
    const int size = WideCharToMultiByte(CP_THREAD_ACP, 0, entry.szProtocol, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string name(static_cast<size_t>(size), '\0');
    const int written = WideCharToMultiByte(CP_THREAD_ACP, 0, entry.szProtocol, static_cast<int>(length), &name[0],
                                            size, nullptr, nullptr);
    name.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return name;
}

class GlobalMemory {
public:
    explicit GlobalMemory(HGLOBAL memory) : memory(memory) {}
    ~GlobalMemory() {
        if (memory)
            GlobalFree(memory);
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL Get() const { return memory; }

private:
    HGLOBAL memory;
};

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        startResult = WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() {
        if (startResult == 0)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    int StartResult() const { return startResult; }

private:
    int startResult;
};

// The catalog's entries, or the error code that kept it from being read.
int ReadCatalog(std::vector<WSAPROTOCOL_INFOW>& entries) {
    DWORD length = 0;
    int error = 0;
    if (WSCEnumProtocols(nullptr, nullptr, &length, &error) == SOCKET_ERROR && error != WSAENOBUFS)
        return error;
    if (length == 0)
        return 0;
    GlobalMemory buffer(GlobalAlloc(GPTR, length));
    if (buffer.Get() == nullptr)
        return static_cast<int>(GetLastError());
    auto* protocols = static_cast<WSAPROTOCOL_INFOW*>(buffer.Get());
    const int count = WSCEnumProtocols(nullptr, protocols, &length, &error);
    if (count == SOCKET_ERROR)
        return error;
    const size_t fits = length / sizeof(WSAPROTOCOL_INFOW);
    entries.assign(protocols, protocols + std::min(static_cast<size_t>(count), fits));
    return 0;
}

bool ProviderPath(const GUID& providerId, std::wstring& path) {
    // Zeroed first: a provider path call that reports success without writing leaves no garbage.
    wchar_t buffer[MAX_PATH + 1] = {};
    int length = MAX_PATH;
    int error = 0;
    GUID id = providerId;
    if (WSCGetProviderPath(&id, buffer, &length, &error) != 0)
        return false;
    buffer[MAX_PATH] = L'\0';
    path = buffer;
    return true;
}

} // namespace

std::string FormatGuid(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof(text), "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string FormatCatalogEntry(const WSAPROTOCOL_INFOW& entry, const std::wstring* libraryPath) {
    std::string text = "\n\nVariable\tValue";
    text += "\nName\t\t" + AnsiName(entry);
    if (libraryPath)
        text += "\nLibraryPath\t" + ToOutputBytes(*libraryPath);
    text += Printf("\nServiceFlags1\t0x%08x", entry.dwServiceFlags1, true);
    text += Printf("\nServiceFlags2\t0x%08x", entry.dwServiceFlags2, true);
    text += Printf("\nServiceFlags3\t0x%08x", entry.dwServiceFlags3, true);
    text += Printf("\nServiceFlags4\t0x%08x", entry.dwServiceFlags4, true);
    text += Printf("\nProviderFlags\t0x%08x", entry.dwProviderFlags, true);
    text += Printf("\nCatalogEntryId\t%d", static_cast<int>(entry.dwCatalogEntryId), false);
    const int chainLength = entry.ProtocolChain.ChainLen;
    text += Printf("\nProtocolChain.ChainLen\t%d", chainLength, false);
    if (chainLength > 1) {
        // The structure holds seven chain entries; a longer chain length is not read past them.
        const int readable = std::min(chainLength, kMaxChainEntries);
        std::string chain = Printf("%d", static_cast<int>(entry.ProtocolChain.ChainEntries[0]), false);
        for (int i = 1; i < readable; ++i)
            chain += Printf(",%d", static_cast<int>(entry.ProtocolChain.ChainEntries[i]), false);
        text += "\nProtocolChain.ChainEntries\t" + chain;
    }
    text += "\nGUID\t\t" + FormatGuid(entry.ProviderId);
    text += Printf("\nVersion\t\t%d", entry.iVersion, false);
    text += Printf("\nAddressFamily\t%d", entry.iAddressFamily, false);
    text += Printf("\nMaxSockAddr\t%d", entry.iMaxSockAddr, false);
    return text;
}

std::string FormatReport(const std::vector<WSAPROTOCOL_INFOW>& entries, const ProviderPathLookup& lookup) {
    std::string text = "Provider List";
    for (const auto& entry : entries) {
        std::wstring path;
        const bool known = lookup && lookup(entry.ProviderId, path);
        text += FormatCatalogEntry(entry, known ? &path : nullptr);
    }
    text += "\n";
    return WithCrLf(text);
}

int ListProviders() {
    WinsockSession winsock;
    if (winsock.StartResult() != 0)
        return winsock.StartResult();
    std::vector<WSAPROTOCOL_INFOW> entries;
    if (int error = ReadCatalog(entries)) {
        WriteOut(WithCrLf("\n"));
        return error;
    }
    WriteOut(FormatReport(entries, &ProviderPath));
    return 0;
}

} // namespace Gathrix::Listers
