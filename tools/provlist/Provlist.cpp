// Winsock provider catalog lister; filled by the listers' own work.
int wmain(int, wchar_t**) { return 0; }
