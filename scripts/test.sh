#!/usr/bin/env bash
# Builds everything and runs every test under Wine (GUI tests on a virtual X display).
#   scripts/test.sh [BUILD_DIR] [-- CTEST_ARGS...]
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$top/build
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build=$1; shift; fi
[ "${1:-}" = "--" ] && shift
mkdir -p "$build"; build=$(cd "$build" && pwd)
"$top/scripts/build.sh" "$build" || exit 1

# One prefix for the whole run; its server lives until the run ends and is then stopped.
"$build/wine-run" --stop
xvfb-run -a -s "-screen 0 1024x768x24" env GATHRIX_WINESERVER_LINGER= bash -c '
  "$1/wine-run" --prepare || exit 1
  shift
  ctest --test-dir "$0" -j"$(nproc)" --output-on-failure --no-tests=error "$@"
' "$build" "$build" "$@"
rc=$?
"$build/wine-run" --stop
exit $rc
