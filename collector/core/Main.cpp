// Entry point of the console collector.
#include "collector/core/CollectorEntry.h"

int wmain(int argumentCount, wchar_t** arguments) { return Gathrix::RunCollector(argumentCount, arguments); }
