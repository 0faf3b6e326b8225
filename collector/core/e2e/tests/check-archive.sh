#!/usr/bin/env bash
# Runs the collector on the shipped sample mode file and checks what it delivers from the Linux
# side: the archive passes `7z t`, holds the report, every XML in it is well-formed, and the
# report's start page renders with xsltproc without a complaint, and the general information
# shows the collector's version, the build's one version number.
#   check-archive.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
tmp=$(mktemp -d /tmp/gathrix-archive-check.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
win() { local p=$1; echo "Z:${p//\//\\}"; }

mkdir -p "$tmp/out"
(cd "$build/dist" && "$build/wine-run" Gathrix.exe -s Config.xml -t "$(win "$tmp/work")" -o "$(win "$tmp/out")" \
   -n "Sample User" -e "sample@example.com" -c "Sample Ltd" -i 4711) > "$tmp/console.txt"
rc=$?
tr -d '\r' < "$tmp/console.txt"; echo
[ $rc -eq 0 ] || fail "collector ended with $rc"
grep -q "Achiving the results\.\.\.$" <(tr -d '\r' < "$tmp/console.txt") || fail "no final progress line"
grep -q "^Finished! You can find the result here: (.*GATHRINF.7z)\.$" <(tr -d '\r' < "$tmp/console.txt") ||
  fail "no final message"

archive=$tmp/out/GATHRINF.7z
7z t "$archive" > "$tmp/test.txt" || { cat "$tmp/test.txt"; fail "7z t"; }
mkdir "$tmp/x"
(cd "$tmp/x" && 7z x -bd "$archive" > /dev/null) || fail "7z x"
# Names are stored with "\"; whichever way the extractor maps them, look for both.
find "$tmp/x" -type f | sed "s|^$tmp/x/||" | sort > "$tmp/names.txt"
for name in index.html data/Navigation.xml data/General_GeneralInformation.xml data/logfile.log data/Logfile.xml \
            data/stylesheet/stylesheet.xslt; do
  grep -qxF "$name" "$tmp/names.txt" || grep -qxF "${name//\//\\}" "$tmp/names.txt" || fail "$name missing"
done
for folder in data/images data/scripts data/stylesheet; do
  grep -q "^$folder/." "$tmp/names.txt" || fail "nothing in $folder"
done

count=0
while IFS= read -r -d '' xml; do
  xmllint --noout "$xml" || fail "not well-formed: $xml"
  count=$((count + 1))
done < <(find "$tmp/x" -name '*.xml' -print0)
[ $count -ge 4 ] || fail "only $count XML files"

shown=$(xmllint --xpath "string(/GathrixResult/ResultSet/GeneralInformation/About/Version)" \
        "$tmp/x/data/General_GeneralInformation.xml")
[ "$shown" = "$version" ] || fail "the general information shows the version '$shown', not '$version'"

(cd "$tmp/x/data" && xsltproc General_GeneralInformation.xml > "$tmp/page.html" 2> "$tmp/xslt.err")
[ $? -eq 0 ] || { cat "$tmp/xslt.err"; fail "xsltproc"; }
[ -s "$tmp/xslt.err" ] && { cat "$tmp/xslt.err"; fail "xsltproc complained"; }
grep -qi "<html" "$tmp/page.html" || fail "no page rendered"
echo "archive checked: $(wc -l < "$tmp/names.txt") files, $count XML files"
