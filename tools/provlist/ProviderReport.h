#pragma once
// The Winsock provider catalog as a plain-text report: "Provider List", then per catalog entry a
// block of "Variable<TAB>Value" lines (name, library path, flags, catalog id, protocol chain,
// GUID, version, address family, address size), then a line end. Lines end with CR LF.

#include <winsock2.h>
#include <ws2spi.h>

#include <functional>
#include <string>
#include <vector>

namespace Gathrix::Listers {

// The catalog holds at most this many entries of a protocol chain.
constexpr int kMaxChainEntries = MAX_PROTOCOL_CHAIN;

// True, with the path, when the catalog knows the provider's library.
using ProviderPathLookup = std::function<bool(const GUID& providerId, std::wstring& path)>;

// "00112233-4455-6677-8899-aabbccddeeff": lower-case, without braces.
std::string FormatGuid(const GUID& guid);

// One entry's block, starting with its empty line; "\n" line ends. `libraryPath` null: no
// LibraryPath line.
std::string FormatCatalogEntry(const WSAPROTOCOL_INFOW& entry, const std::wstring* libraryPath);

// The whole report as the program writes it (CR LF line ends).
std::string FormatReport(const std::vector<WSAPROTOCOL_INFOW>& entries, const ProviderPathLookup& lookup);

// Reads the catalog and writes the report to standard output; returns the exit code.
int ListProviders();

} // namespace Gathrix::Listers
