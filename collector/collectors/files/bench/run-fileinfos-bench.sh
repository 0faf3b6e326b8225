#!/usr/bin/env bash
# The file-information job over trees of 10,000 and 100,000 small files (1,000 per folder).
#   run-fileinfos-bench.sh BUILD_TREE [COUNT...]
set -euo pipefail
tree=$1
shift
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 100000)
work=$(mktemp -d /tmp/gathrix-fileinfos-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
for count in "${counts[@]}"; do
  files=$work/files-$count
  results=$work/results-$count
  mkdir -p "$files" "$results/stylesheet"
  echo '<xsl/>' > "$results/stylesheet/stylesheet.xslt"
  for ((folder = 0; folder * 1000 < count; folder++)); do
    n=$((count - folder * 1000)); [ $n -gt 1000 ] && n=1000
    mkdir -p "$files/d$folder"
    # n files of 64 random bytes each
    head -c $((n * 64)) /dev/urandom | (cd "$files/d$folder" && split -b 64 -a 4 - f)
  done
  echo "== $count files"
  "$tree/wine-run" "$tree/bench/files_fileinfos_bench.exe" "Z:${files//\//\\}" "Z:${results//\//\\}"
  rm -rf "$files" "$results"
done
