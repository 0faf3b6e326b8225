#include "tools/provlist/ProviderReport.h"

#include "common/Text.h"
#include "common/tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Gathrix;
using namespace Gathrix::Listers;
using namespace Gathrix::Testing;

namespace {

WSAPROTOCOL_INFOW Entry(const wchar_t* name, DWORD catalogId, int chainLength, std::vector<DWORD> chain = {}) {
    WSAPROTOCOL_INFOW entry;
    std::memset(&entry, 0, sizeof(entry));
    wcsncpy(entry.szProtocol, name, WSAPROTOCOL_LEN);
    entry.dwServiceFlags1 = 0x20066;
    entry.dwServiceFlags2 = 0;
    entry.dwServiceFlags3 = 0xFFFFFFFF;
    entry.dwServiceFlags4 = 0x1;
    entry.dwProviderFlags = 0x8;
    entry.dwCatalogEntryId = catalogId;
    entry.ProtocolChain.ChainLen = chainLength;
    for (size_t i = 0; i < chain.size() && i < MAX_PROTOCOL_CHAIN; ++i)
        entry.ProtocolChain.ChainEntries[i] = chain[i];
    entry.ProviderId = {0x00112233, 0x4455, 0x6677, {0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}};
    entry.iVersion = 2;
    entry.iAddressFamily = 23;
    entry.iMaxSockAddr = -1;
    return entry;
}

std::string Block(const std::string& nameAndPath, const std::string& catalogId, const std::string& chain) {
    return "\r\n\r\nVariable\tValue"
           "\r\nName\t\t" + nameAndPath +
           "\r\nServiceFlags1\t0x00020066\r\nServiceFlags2\t0x00000000\r\nServiceFlags3\t0xffffffff"
           "\r\nServiceFlags4\t0x00000001\r\nProviderFlags\t0x00000008"
           "\r\nCatalogEntryId\t" + catalogId + chain +
           "\r\nGUID\t\t00112233-4455-6677-8899-aabbccddeeff"
           "\r\nVersion\t\t2\r\nAddressFamily\t23\r\nMaxSockAddr\t-1";
}

} // namespace

TEST(ProviderCatalogLister, WholeReportOfAHandMadeCatalog) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the expected names are those of code page 1252; this system's is " << GetACP();
    const std::vector<WSAPROTOCOL_INFOW> catalog = {
        Entry(L"MSAFD Tcpip [TCP/IP]", 1001, 1, {1001}),
        // A layered chain of two.
        Entry(L"Layered caf\u00E9", 1002, 2, {1002, 1001}),
        // A chain length the structure cannot hold: only its seven entries are read.
        Entry(L"Long chain", 1003, 9, {1, 2, 3, 4, 5, 6, 7}),
        // A name the code page cannot represent, and a chain length of 0.
        Entry(L"\u4E2D\u6587 provider", 1004, 0),
    };
    // Only the first two providers' libraries are known; paths are printed as the catalog
    // holds them (unexpanded), one byte per unit.
    int calls = 0;
    auto lookup = [&calls](const GUID&, std::wstring& path) {
        ++calls;
        if (calls == 1)
            path = L"%SystemRoot%\\system32\\mswsock.dll";
        else if (calls == 2)
            path = L"C:\\\u0416\\lsp.dll";
        return calls <= 2;
    };
    const std::string expected =
        "Provider List" +
        Block("MSAFD Tcpip [TCP/IP]\r\nLibraryPath\t%SystemRoot%\\system32\\mswsock.dll", "1001",
              "\r\nProtocolChain.ChainLen\t1") +
        Block("Layered caf\xE9\r\nLibraryPath\tC:\\?\\lsp.dll", "1002",
              "\r\nProtocolChain.ChainLen\t2\r\nProtocolChain.ChainEntries\t1002,1001") +
        Block("Long chain", "1003", "\r\nProtocolChain.ChainLen\t9\r\nProtocolChain.ChainEntries\t1,2,3,4,5,6,7") +
        Block("?? provider", "1004", "\r\nProtocolChain.ChainLen\t0") + "\r\n";
    EXPECT_EQ(expected, FormatReport(catalog, lookup));
}

TEST(ProviderCatalogLister, EmptyCatalogAndGuidForm) {
    EXPECT_EQ("Provider List\r\n", FormatReport({}, nullptr));
    const GUID tcp = {0xe70f1aa0, 0xab8b, 0x11cf, {0x8c, 0xa3, 0x00, 0x80, 0x5f, 0x48, 0xa1, 0x92}};
    EXPECT_EQ("e70f1aa0-ab8b-11cf-8ca3-00805f48a192", FormatGuid(tcp));
}

TEST(ProviderCatalogLister, ProgramPrintsOneBlockPerCatalogEntry) {
    // The catalog as this process sees it decides how many blocks the program must print.
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    DWORD length = 0;
    int error = 0;
    WSCEnumProtocols(nullptr, nullptr, &length, &error);
    std::vector<char> buffer(length + 1);
    const int count = WSCEnumProtocols(nullptr, reinterpret_cast<WSAPROTOCOL_INFOW*>(buffer.data()), &length, &error);
    WSACleanup();
    ASSERT_GT(count, 0);

    const ProcessResult run = RunProcess(L"\"" + DistDir() + L"\\Provlist.exe\"");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(0u, run.output.rfind("Provider List\r\n\r\nVariable\tValue\r\nName\t\t", 0)) << run.output;
    EXPECT_EQ("\r\n", run.output.substr(run.output.size() - 2));
    size_t blocks = 0, guids = 0;
    for (size_t at = run.output.find("\r\n\r\nVariable\tValue\r\n"); at != std::string::npos;
         at = run.output.find("\r\n\r\nVariable\tValue\r\n", at + 1))
        ++blocks;
    for (size_t at = run.output.find("\r\nGUID\t\t"); at != std::string::npos; at = run.output.find("\r\nGUID\t\t", at + 1)) {
        ++guids;
        const std::string guid = run.output.substr(at + 8, 36);
        EXPECT_EQ(std::string::npos, guid.find_first_not_of("0123456789abcdef-")) << guid;
        EXPECT_EQ('-', guid[8]);
        EXPECT_EQ('-', guid[23]);
    }
    EXPECT_EQ(static_cast<size_t>(count), blocks);
    EXPECT_EQ(static_cast<size_t>(count), guids);
    // Wine's provider path call reports success without writing a character: every block then
    // has a library line, and it is empty, never what the program's stack held.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
        size_t paths = 0;
        const std::string line = "\r\nLibraryPath\t";
        for (size_t at = run.output.find(line); at != std::string::npos; at = run.output.find(line, at + 1)) {
            ++paths;
            EXPECT_EQ("\r\n", run.output.substr(at + line.size(), 2)) << "library line of block " << paths;
        }
        EXPECT_EQ(static_cast<size_t>(count), paths);
    }
    // No bare line feed: every line ends with CR LF.
    for (size_t i = 0; i < run.output.size(); ++i) {
        if (run.output[i] == '\n') {
            ASSERT_TRUE(i > 0 && run.output[i - 1] == '\r') << "at byte " << i;
        }
    }
}
