#!/usr/bin/env bash
# Runs the event-log job benchmark in BUILD_DIR's Wine prefix: each count in a process of its
# own (the peak memory is per process), twice, alternately.
#   run-eventlog-bench.sh BUILD_DIR [COUNT ...]     (default: 6000 60000)
set -euo pipefail
build=$(cd "$1" && pwd); shift
if [ $# -eq 0 ]; then counts=(6000 60000); else counts=("$@"); fi
winpath() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }
out=$(mktemp -d "$build/bench/eventlog.XXXXXX")
mkdir -p "$out/stylesheet"; echo '<xsl/>' > "$out/stylesheet/stylesheet.xslt"
for round in 1 2; do
  for count in "${counts[@]}"; do
    rm -f "$out"/Eventlog*.xml
    WINEDLLOVERRIDES=wevtapi=n "$build/wine-run" "$build/bench/eventlog_bench.exe" "$count" \
      "$(winpath "$out")" "$(winpath "$build/fixtures/system/wevtapi.dll")"
  done
done
rm -rf "$out"
