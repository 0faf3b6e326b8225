#!/usr/bin/env bash
# Writes files of the sizes around MD5's block and padding limits, plus one of a few MB, and
# their digests as md5sum prints them (the tests compare against these, not against digests of
# their own making).
#   make-md5-fixtures.sh OUTPUT_DIR
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"
for size in 0 3 55 56 63 64 65 1024 1025; do
  head -c "$size" /dev/urandom > "size-$size.bin"
done
head -c $((3 * 1024 * 1024 + 17)) /dev/urandom > large.bin
md5sum -- *.bin > digests.txt.tmp
mv digests.txt.tmp digests.txt
