/* A DLL without any entry of the plug-ins: copied under each plug-in's name, it makes every
 * export lookup fail. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
