#!/usr/bin/env bash
# The date a program under Wine sees against the Linux side's, and with GATHRIX_SECOND_DATE (the
# date scripts/test.sh moves the clock to) the Linux side's against that day: the clock tests run
# a second time only mean something if the moved clock reaches the programs under Wine.
#   check-clock.sh BUILD_DIR
set -uo pipefail
build=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

# Wine's cmd prints the short date of the en-US format (M/D/YYYY); UTC on both sides.
before=$(date -u +%-m/%-d/%Y)
shown=$(TZ=UTC "$build/wine-run" cmd /c echo %DATE% | tr -d '\r')
after=$(date -u +%-m/%-d/%Y)
[ "$shown" = "$before" ] || [ "$shown" = "$after" ] || fail "Wine's date is '$shown', the Linux side's '$before'"
if [ -n "${GATHRIX_SECOND_DATE:-}" ]; then
  [ "$(date -u +%F)" = "$GATHRIX_SECOND_DATE" ] || fail "the clock was to be at $GATHRIX_SECOND_DATE, it is at $(date -u +%F)"
fi
echo "Wine's date: $shown"
