#pragma once
// The library search of every program, set first thing in each entry point. Windows 8 (and
// Vista, 7, Server 2008 and 2008 R2 with the update that added SetDefaultDllDirectories) can limit
// the search of a library named without a folder to the system folder: a library that a system
// library loads by bare name at run time (a delayed import, say) is then no longer looked for in
// the program's folder or the current one, where someone could have placed their own. The
// programs load their own libraries by full path (7z.dll from the program's folder). Where the
// function is missing (XP, and Vista or 7 without the update) nothing changes. Header and source
// are compiled into each program, the listers included, which share no library with the rest.

namespace Gathrix::Utils {

// Sets the search to the system folder where Windows offers it. True when it is set.
bool RestrictLibrarySearch();

// LoadLibraryExW understands the LOAD_LIBRARY_SEARCH_* flags (the same update brought both):
// a library loaded by full path can then have its imports found beside it without the current
// folder or PATH.
bool HasLibrarySearchFlags();

} // namespace Gathrix::Utils
