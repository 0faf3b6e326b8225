// Procscout / Procscout64: lists the running processes and, for those of its own bitness, their
// loaded modules, for the collector's running-processes job. No arguments; always exit code 0.
#include "ProcessListing.h"

#include "common/LibrarySearch.h"

int wmain(int, wchar_t**) {
    Gathrix::Utils::RestrictLibrarySearch();
    Gathrix::Listers::ListProcesses();
    return 0;
}
