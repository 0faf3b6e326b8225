#!/usr/bin/env bash
# Packing a 100 MB working folder of logs and XML: through 7z.dll as the collector does it (under
# Wine), against the 7z command line on the same folder at the same (default) settings.
#   collector/archive/bench/run-bench.sh [BUILD_DIR] [SIZE_MB]
# BUILD_DIR is a tree this machine can run (build/x64 when 32-bit programs cannot run here).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
build=${1:-$top/build}
size=${2:-100}
folder=/tmp/gathrix-archive-bench
rm -rf "$folder"
mkdir -p "$folder"

library=$("$build/wine-run" "$build/bench/archive_bench.exe" "$size" "Z:${folder//\//\\}" | tr -d '\r')
echo "$library" | grep -v '=' || true
library_seconds=$(echo "$library" | sed -n 's/^library_seconds=//p')
library_bytes=$(echo "$library" | sed -n 's/^library_bytes=//p')

start=$(date +%s.%N)
(cd "$folder/GATHRINF" && 7z a -t7z -bd -bso0 -bsp0 "$folder/cli.7z" ./*)
end=$(date +%s.%N)
cli_seconds=$(awk "BEGIN { print $end - $start }")
cli_bytes=$(stat -c %s "$folder/cli.7z")
7z t "$folder/GATHRINF.7z" >/dev/null

printf '7z.dll (collector, Wine): %.2f s, %s bytes\n' "$library_seconds" "$library_bytes"
printf '7z a (command line):      %.2f s, %s bytes\n' "$cli_seconds" "$cli_bytes"
printf 'time ratio (7z.dll / 7z a): %.3f\n' "$(awk "BEGIN { print $library_seconds / $cli_seconds }")"
printf 'size ratio (7z.dll / 7z a): %.3f\n' "$(awk "BEGIN { print $library_bytes / $cli_bytes }")"
rm -rf "$folder"
