#!/usr/bin/env bash
# A library planted beside a shipped program is never loaded. Wine prefers its own builtin
# libraries and so hides what Windows does; WINEDLLOVERRIDES=NAME=n,b makes it search the
# program's folder first, as Windows does for a library that is not a known DLL. Each program of
# this tree's bitness is copied into a folder of its own with one planted library (whose DllMain
# leaves a marker file) and run on its quickest path, with that folder as current folder too.
#   check-planted-libraries.sh BUILD_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
planted=$build/tests/planted/planted.dll
tmp=$(mktemp -d "$build/tests/planted-check.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$planted" ] || fail "no planted library at $planted"
format() { x86_64-w64-mingw32-objdump -f "$1" | sed -n 's/.*file format //p'; }
bitness=$(format "$planted")

# The libraries the programs took from beside themselves before: not known DLLs.
names="version userenv"
# program and the arguments of its quickest path; the wizard, given no display, ends at once.
runs=("Gathrix.exe -h" "GathrixWizard.exe" "Procscout.exe" "Procscout64.exe" "Provlist.exe")
checked=0
for run in "${runs[@]}"; do
  program=${run%% *}; arguments=${run#"$program"}
  exe=$build/dist/$program
  [ -f "$exe" ] || continue
  if [ "$(format "$exe")" != "$bitness" ]; then
    echo "$program: skipped, not of this tree's bitness ($bitness); the other tree checks it"
    continue
  fi
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  for name in $names; do
    # Wine's own user32 imports version.dll (Windows' does not): under Wine a program that
    # imports user32 loads a planted version.dll whatever it does itself. For those the import
    # table check (check-shipped-imports.sh) stands alone.
    if [ "$name" = version ] && grep -qx user32.dll <<<"$imports"; then
      echo "$program: planted $name.dll skipped, Wine's user32 would load it"
      continue
    fi
    folder=$tmp/$program-$name
    mkdir -p "$folder"
    cp "$exe" "$folder/" && cp "$planted" "$folder/$name.dll" || fail "cannot prepare $folder"
    (cd "$folder" && env -u DISPLAY WINEDLLOVERRIDES="$name=n,b" timeout 300 "$build/wine-run" "$program" $arguments) \
      > "$folder.out" 2>&1
    rc=$?
    [ $rc -lt 124 ] || { cat "$folder.out"; fail "$program with a planted $name.dll did not run to its end ($rc)"; }
    if [ -n "$(find "$folder" -iname '*.loaded')" ]; then
      fail "$program loaded the $name.dll planted beside it"
    fi
    echo "$program: planted $name.dll not loaded (exit $rc)"
    checked=$((checked + 1))
  done
done
[ $checked -ge 6 ] || fail "only $checked runs checked"

# Control: told so, Wine does load a planted library that a program imports (shlwapi here, which
# Windows itself takes from its known DLLs); without this the check could pass on a Wine that
# ignores the override.
folder=$tmp/control
mkdir -p "$folder" && cp "$build/dist/Gathrix.exe" "$folder/" && cp "$planted" "$folder/shlwapi.dll"
(cd "$folder" && WINEDLLOVERRIDES="shlwapi=n,b" timeout 300 "$build/wine-run" Gathrix.exe -h) > "$folder.out" 2>&1
[ -n "$(find "$folder" -iname '*.loaded')" ] || fail "control: the planted shlwapi.dll was not loaded"
echo "control: a planted shlwapi.dll is loaded when Wine is told to search the program's folder"
