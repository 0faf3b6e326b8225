#!/usr/bin/env bash
# Builds everything and runs the collector end to end under Wine on the shipped sample mode
# file (dist/Config.xml). The archive GATHRINF.7z is left in the folder printed at the end.
#   scripts/run-collector.sh [BUILD_DIR]
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
mkdir -p "$build"; build=$(cd "$build" && pwd)
"$top/scripts/build.sh" "$build" i686 || exit 1

tree=$build
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "NOTE: this kernel cannot run 32-bit programs: running the 64-bit build of the collector." >&2
  tree=$build/x64
  "$top/scripts/build.sh" "$tree" x86_64 || exit 1
fi

out=$build/result
mkdir -p "$out"
winout="Z:$(echo "$out" | sed 's|/|\\|g')"
cd "$tree/dist"
"$tree/wine-run" Gathrix.exe -s Config.xml -n "Sample User" -e "sample@example.com" -c "Sample Ltd" -i "4711" -o "$winout"
rc=$?
echo
"$tree/wine-run" --stop
if [ -f "$out/GATHRINF.7z" ]; then
  echo "GATHRINF.7z is in: $out"
fi
exit $rc
