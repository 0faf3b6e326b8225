#!/usr/bin/env bash
# Builds everything and runs every test under Wine (GUI tests on a virtual X display).
#   scripts/test.sh [BUILD_DIR] [-- CTEST_ARGS...]
# The tests run against the 64-bit build of the same sources (BUILD_DIR/x64): 32-bit Wine needs a
# kernel with IA32 emulation. GATHRIX_TEST_FLAVOUR=i686 runs them against the shipped 32-bit build
# where the kernel allows it (scripts/wine-flavour.sh).
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$top/build
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build=$1; shift; fi
[ "${1:-}" = "--" ] && shift
mkdir -p "$build"; build=$(cd "$build" && pwd)
"$top/scripts/build.sh" "$build" i686 || exit 1

flavour=$("$top/scripts/wine-flavour.sh") || exit 1
tree=$build
if [ "$flavour" = x86_64 ]; then
  echo "NOTE: the tests run the 64-bit build of the same sources (32-bit Wine needs IA32 emulation);" \
       "tests that need a 32-bit process under WOW64 are skipped." >&2
  tree=$build/x64
  "$top/scripts/build.sh" "$tree" x86_64 || exit 1
fi

# One prefix for the whole run; its server lives until the run ends and is then stopped.
"$tree/wine-run" --stop
xvfb-run -a -s "-screen 0 1024x768x24" env GATHRIX_WINESERVER_LINGER= bash -c '
  "$0/wine-run" --prepare || exit 1
  ctest --test-dir "$0" -j"$(nproc)" --output-on-failure --no-tests=error "$@"
' "$tree" "$@"
rc=$?
"$tree/wine-run" --stop
exit $rc
