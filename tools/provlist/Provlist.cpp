// Provlist: prints the Winsock provider catalog (layered providers and protocol chains included)
// as a plain-text report; a mode file runs it as an external program.
#include "ProviderReport.h"

int wmain(int, wchar_t**) { return Gathrix::Listers::ListProviders(); }
