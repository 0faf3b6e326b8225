// Provlist: prints the Winsock provider catalog (layered providers and protocol chains included)
// as a plain-text report; a mode file runs it as an external program.
#include "ProviderReport.h"

#include "common/LibrarySearch.h"

int wmain(int, wchar_t**) {
    Gathrix::Utils::RestrictLibrarySearch();
    return Gathrix::Listers::ListProviders();
}
