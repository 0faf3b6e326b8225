#!/usr/bin/env bash
# Builds everything and runs every test under Wine (GUI tests on a virtual X display):
#   scripts/test.sh [BUILD_DIR] [-- CTEST_ARGS...]
# Two suites, each with its own ctest summary: the shipped 32-bit build (BUILD_DIR) through
# scripts/with-wine32.sh (natively where 32-bit Wine starts, else through qemu-user in a namespace
# of its own), then the 64-bit build of the same sources (BUILD_DIR/x64), for Procscout64 and the
# 64-bit side of the WOW64 cases. GATHRIX_TEST_FLAVOUR=i686 or x86_64 runs one of them only
# (scripts/wine-flavour.sh). The 64-bit suite then runs the tests that read the clock or the
# time-zone rules (label clock) once more at a date in the other half of the year (libfaketime), so
# that a test that holds only in winter or only in summer fails on any day.
# The exit status is that of the first suite that failed.
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
# With GATHRIX_SECOND_DATE (YYYY-MM-DD) only the tests labelled clock run, every process of the
# suite (the prefix's server too) seeing the clock moved to noon UTC of that day; it goes on from
# there and stays one offset for all processes. Monotonic clocks stay real.
suite() {  # TREE [CTEST_ARGS...]
  xvfb-run -a -s "-screen 0 1024x768x24" env GATHRIX_WINESERVER_LINGER= bash -c '
    tree=$1; shift
    "$tree/wine-run" --stop
    selection=(--no-tests=error)
    if [ -n "${GATHRIX_SECOND_DATE:-}" ]; then
      library=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
      [ -f "$library" ] || { echo "libfaketime is missing ($library; scripts/setup.sh installs it)" >&2; exit 1; }
      export FAKETIME=$(printf "%+d" $(( $(date -u -d "$GATHRIX_SECOND_DATE 12:00" +%s) - $(date +%s) )))
      export FAKETIME_DONT_FAKE_MONOTONIC=1 LD_PRELOAD=$library${LD_PRELOAD:+:$LD_PRELOAD}
      # The tests asked for may hold no clock test: nothing to run again then.
      selection=(-L clock --no-tests=ignore)
    fi
    "$tree/wine-run" --prepare || exit 1
    ctest --test-dir "$tree" -j"$(nproc)" --output-on-failure "${selection[@]}" "$@"
    rc=$?
    "$tree/wine-run" --stop
    exit $rc
  ' suite "$@"
}

# Noon of a day about half a year away from today, in this year: July 15 from October to March,
# January 15 from April to September.
second_date() {
  local month; month=$(date -u +%-m)
  if [ "$month" -ge 4 ] && [ "$month" -le 9 ]; then date -u +%Y-01-15; else date -u +%Y-07-15; fi
}

rc=0
for flavour in $flavours; do
  start=$(date +%s)
  if [ "$flavour" = i686 ]; then
    echo "=== Tests of the shipped 32-bit build ($build) ==="
    "$top/scripts/with-wine32.sh" bash -c "$(declare -f suite); suite \"\$@\"" suite "$build" "$@"
    result=$?
  else
    echo "=== Tests of the 64-bit build ($build/x64) ==="
    suite "$build/x64" "$@"
    result=$?
    second=$(second_date)
    echo "=== Clock tests of the 64-bit build again at $second ==="
    GATHRIX_SECOND_DATE=$second suite "$build/x64" "$@"
    again=$?
    [ $result -eq 0 ] && result=$again
  fi
  echo "=== $flavour suite: exit $result after $(( $(date +%s) - start )) s ==="
  [ $rc -eq 0 ] && rc=$result
done
exit $rc
