#!/usr/bin/env bash
# MD5 throughput of the collector against md5sum on the same large file, in one run.
#   run-md5-bench.sh BUILD_TREE [SIZE_MB]
set -euo pipefail
tree=$1
size_mb=${2:-512}
work=$(mktemp -d /tmp/gathrix-md5-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
file=$work/large.bin
head -c $((size_mb * 1024 * 1024)) /dev/urandom > "$file"
cat "$file" > /dev/null  # both readers find it in the page cache

start=$(date +%s.%N)
expected=$(md5sum "$file" | cut -c1-32)
md5sum_seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')

out=$("$tree/wine-run" "$tree/bench/files_md5_bench.exe" "Z:${file//\//\\}")
echo "$out"
digest=$(echo "$out" | sed -n 's/^digest=//p' | tr -d '\r')
file_seconds=$(echo "$out" | sed -n 's/^file_seconds=//p' | tr -d '\r')
if [ "${digest,,}" != "$expected" ]; then
  echo "digest mismatch: md5sum $expected, collector $digest" >&2
  exit 1
fi
echo "md5sum_seconds=$md5sum_seconds"
awk -v s="$size_mb" -v m="$md5sum_seconds" -v f="$file_seconds" \
  'BEGIN { printf "md5sum_mb_per_s=%.1f\nspeed_ratio=%.2f  (collector speed / md5sum speed)\n", s / m, m / f }'
