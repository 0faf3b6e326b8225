#!/usr/bin/env bash
# A rendered report page as Firefox ESR draws it, for the README: the collector runs under Wine
# with the shipped sample mode file, its archive is unpacked, and Firefox (Debian's firefox-esr,
# installed by hand: `apt-get install firefox-esr`) draws the general information page headless.
#   collector/resources/screenshots/make-screenshot.sh BUILD_TREE   (a built tree this machine
#                                                                     can run, e.g. build/x64)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tree=$(cd "$1" && pwd)
page=${2:-General_GeneralInformation}
win() { local p=$1; echo "Z:${p//\//\\}"; }
command -v firefox-esr >/dev/null || { echo "firefox-esr is not installed" >&2; exit 1; }
work=$(mktemp -d "$tree/report-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/out" "$work/x" "$work/profile"
(cd "$tree/dist" && "$tree/wine-run" Gathrix.exe -s Config.xml -t "$(win "$work/work")" -o "$(win "$work/out")" \
   -n "Jane Doe" -c "Example Ltd" -e "jane.doe@example.com" -i 4711 >/dev/null)
(cd "$work/x" && 7z x -bd -y "$work/out/GATHRINF.7z" >/dev/null)
# A profile of its own: nothing of the user's Firefox is read or changed.
HOME=$work firefox-esr --headless --profile "$work/profile" --no-remote --window-size 1024,768 \
  --screenshot "$here/report-$page.png" "file://$work/x/data/$page.html" >/dev/null 2>&1
echo "$here/report-$page.png"
