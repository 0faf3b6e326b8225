#!/usr/bin/env bash
# Builds everything and runs every test under Wine (GUI tests on a virtual X display):
#   scripts/test.sh [BUILD_DIR] [-- CTEST_ARGS...]
# Two suites, each with its own ctest summary: the shipped 32-bit build (BUILD_DIR) through
# scripts/with-wine32.sh (natively where 32-bit Wine starts, else through qemu-user in a namespace
# of its own), then the 64-bit build of the same sources (BUILD_DIR/x64), for Procscout64 and the
# 64-bit side of the WOW64 cases. GATHRIX_TEST_FLAVOUR=i686 or x86_64 runs one of them only
# (scripts/wine-flavour.sh). The exit status is that of the first suite that failed.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$top/build
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build=$1; shift; fi
[ "${1:-}" = "--" ] && shift
mkdir -p "$build"; build=$(cd "$build" && pwd)
"$top/scripts/build.sh" "$build" i686 || exit 1
flavours=$("$top/scripts/wine-flavour.sh") || exit 1
if grep -qx x86_64 <<<"$flavours"; then
  "$top/scripts/build.sh" "$build/x64" x86_64 || exit 1
fi

# One prefix per tree for the whole suite; its server lives until the suite ends and is stopped.
suite() {  # TREE [CTEST_ARGS...]
  xvfb-run -a -s "-screen 0 1024x768x24" env GATHRIX_WINESERVER_LINGER= bash -c '
    tree=$1; shift
    "$tree/wine-run" --stop
    "$tree/wine-run" --prepare || exit 1
    ctest --test-dir "$tree" -j"$(nproc)" --output-on-failure --no-tests=error "$@"
    rc=$?
    "$tree/wine-run" --stop
    exit $rc
  ' suite "$@"
}

rc=0
for flavour in $flavours; do
  start=$(date +%s)
  if [ "$flavour" = i686 ]; then
    echo "=== Tests of the shipped 32-bit build ($build) ==="
    "$top/scripts/with-wine32.sh" bash -c "$(declare -f suite); suite \"\$@\"" suite "$build" "$@"
  else
    echo "=== Tests of the 64-bit build ($build/x64) ==="
    suite "$build/x64" "$@"
  fi
  result=$?
  echo "=== $flavour suite: exit $result after $(( $(date +%s) - start )) s ==="
  [ $rc -eq 0 ] && rc=$result
done
exit $rc
