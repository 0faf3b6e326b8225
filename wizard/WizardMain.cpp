// Entry point of the wizard; the dialog comes with the wizard's own work.
#include <windows.h>
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
