// Entry point of the console collector.
int wmain(int, wchar_t**) { return 0; }
