/* A library that the dependent stand-ins import (built with STANDIN_IMPORTS_DEPENDENCY): it lies
 * beside them in their folder, as a plug-in's own libraries do. */
#include <windows.h>

__declspec(dllexport) int TrovDepMark(void) { return 1; }
