// Entry point of the console collector.
#include "collector/core/CollectorEntry.h"
#include "common/LibrarySearch.h"

int wmain(int argumentCount, wchar_t** arguments) {
    Gathrix::Utils::RestrictLibrarySearch();
    return Gathrix::RunCollector(argumentCount, arguments);
}
