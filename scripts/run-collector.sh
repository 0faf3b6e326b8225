#!/usr/bin/env bash
# Builds everything and runs the shipped 32-bit collector end to end under Wine on the shipped
# sample mode file (dist/Config.xml), through scripts/with-wine32.sh (natively where 32-bit Wine
# starts, else through qemu-user in a namespace of its own). The archive GATHRINF.7z is left in
# the folder printed at the end.
#   scripts/run-collector.sh [BUILD_DIR]
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
mkdir -p "$build"; build=$(cd "$build" && pwd)
"$top/scripts/build.sh" "$build" i686 || exit 1

out=$build/result
mkdir -p "$out"
winout="Z:$(echo "$out" | sed 's|/|\\|g')"
cd "$build/dist"
"$top/scripts/with-wine32.sh" bash -c '
  "$0/wine-run" Gathrix.exe -s Config.xml -n "Sample User" -e "sample@example.com" -c "Sample Ltd" -i "4711" -o "$1"
  rc=$?
  echo
  "$0/wine-run" --stop
  exit $rc
' "$build" "$winout"
rc=$?
if [ -f "$out/GATHRINF.7z" ]; then
  echo "GATHRINF.7z is in: $out"
fi
exit $rc
