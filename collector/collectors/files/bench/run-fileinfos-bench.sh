#!/usr/bin/env bash
# The file-information job over trees of 10,000 and 100,000 small files (1,000 per folder), and in
# the same run the floor: the least Win32 work the listing needs (files_floor_bench), each taken
# twice, alternately, after one warming pass of the floor; the better time of each counts.
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
  winfiles="Z:${files//\//\\}"
  winresults="Z:${results//\//\\}"
  "$tree/wine-run" "$tree/bench/files_floor_bench.exe" "$winfiles" >/dev/null
  best_job=0 best_floor=0
  for round in 1 2; do
    rm -f "$results"/FileInfos*.xml
    job=$("$tree/wine-run" "$tree/bench/files_fileinfos_bench.exe" "$winfiles" "$winresults")
    floor=$("$tree/wine-run" "$tree/bench/files_floor_bench.exe" "$winfiles")
    [ "$round" = 1 ] && echo "$job"
    rate=$(sed -n 's/^files_per_s=//p' <<<"$job" | tr -d '\r')
    floor_rate=$(sed -n 's/^files_per_s=//p' <<<"$floor" | tr -d '\r')
    echo "round $round: job $rate files/s, floor $floor_rate files/s"
    [ "$rate" -gt "$best_job" ] && best_job=$rate
    [ "$floor_rate" -gt "$best_floor" ] && best_floor=$floor_rate
  done
  awk -v j="$best_job" -v f="$best_floor" 'BEGIN { printf "job %d files/s, floor %d files/s, ratio %.2f\n", j, f, j / f }'
  rm -rf "$files" "$results"
done
