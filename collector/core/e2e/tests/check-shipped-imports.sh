#!/usr/bin/env bash
# Every shipped program imports only libraries that Windows keeps as known DLLs: those come from
# the system folder whatever lies beside the program. For any other import Windows looks in the
# program's own folder first, so a file of that name in the folder the user unpacked the tools
# into (version.dll, userenv.dll, ...) would run inside the program. The wizard's common controls
# are the one exception: its manifest binds them side by side.
#   check-shipped-imports.sh BUILD_DIR
set -uo pipefail
build=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

# Known DLLs of every Windows the programs run on: names listed under Session Manager\KnownDLLs
# by Windows 7 as well as by Windows 10 and later (lpk, usp10, urlmon, wininet and iertutil of
# Windows 7 were dropped later), and rpcrt4, which Windows 7 maps as a dependency of advapi32.
known="advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 oleaut32
       psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32"
known=" $(echo $known) "
exceptions="GathrixWizard.exe:comctl32"

programs=("$build"/dist/*.exe)
[ ${#programs[@]} -ge 4 ] || fail "expected the shipped programs in $build/dist, found ${#programs[@]}"
bad=0
for exe in "${programs[@]}"; do
  program=$(basename "$exe")
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
  [ -n "$imports" ] || fail "$program: no import table read"
  for name in $imports; do
    [[ "$known" == *" $name "* ]] && continue
    [[ " $exceptions " == *" $program:$name "* ]] && continue
    echo "$program imports $name.dll, which Windows looks for beside the program first" >&2
    bad=1
  done
  echo "$program: $(echo $imports)"
done
[ $bad -eq 0 ] || fail "a shipped program imports a library outside the known DLLs"
