#!/usr/bin/env bash
# One split part of 27,500 tree elements (2,500 files of a file-information job, ten properties
# each) rendered by the collector's renderer under Wine, against xsltproc on the same file.
#   collector/core/bench/run-render-bench.sh [BUILD_DIR] [REPEATS]
# BUILD_DIR is a tree this machine can run (build/x64 when 32-bit programs cannot run here);
# KEEP=1 leaves the folder with the page and its rendering in /tmp.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
repeats=${2:-5}
folder=$(mktemp -d /tmp/gathrix-render-bench.XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$folder"' EXIT
mkdir -p "$folder/data/stylesheet"
cp "$top"/collector/resources/stylesheet/* "$folder/data/stylesheet/"

python3 - "$folder/data" <<'PY'
import sys
from xml.sax.saxutils import escape
data = sys.argv[1]
def level(name):
    return '<Name>%s</Name>' % escape(name)
lines = ['<?xml version="1.0" ?>', '<?xml-stylesheet type="text/xsl" href="stylesheet/stylesheet.xslt"?>',
         '<GathrixResult>', '    <ActiveNavigation><Level1>%s</Level1><Level2>%s</Level2><Level3><Name></Name></Level3>'
         '<Level4><Name>1</Name></Level4></ActiveNavigation>' % (level('Files'), level('Many')),
         '    <ResultSet>', '        <Tree>']
for n in range(2500):
    lines.append('            <TreeElement showNumOfChildren="false" type="fileinfo">')
    lines.append('                <Value>C:\\Data\\folder %d\\file %d.txt</Value>' % (n // 100, n))
    for key, value in [('size', '%d bytes' % (n * 37)), ('attributes', '[-A--]'),
                       ('date created', '11/18/2020 21:05:07'), ('date last modified', '11/18/2020 21:05:07'),
                       ('date last access', '11/18/2020 21:05:07'), ('file version', '1.2.3.%d' % n),
                       ('product version', '1.2'), ('company', 'Example & Co'), ('description', 'A <file>'),
                       ('MD5', '%032X' % (n * 7919))]:
        lines.append('                <TreeElement showNumOfChildren="false" type="info"><Value>%s</Value></TreeElement>'
                     % escape('%s: %s' % (key, value)))
    lines.append('            </TreeElement>')
lines += ['        </Tree>', '    </ResultSet>', '</GathrixResult>', '']
open(data + '/Files_Many_1.xml', 'w', encoding='utf-8').write('\n'.join(lines))
nav = ['<?xml version="1.0" ?>', '<Navigation>', '  <Level1Entry><Name>General</Name><Link>General_GeneralInformation.xml</Link></Level1Entry>',
       '  <Level1Entry><Name>Files</Name><Link>Files_Many_1.xml</Link><Level2Entry><Name>Many</Name><Link>Files_Many_1.xml</Link>']
for part in range(1, 17):
    nav.append('    <Level3Entry><Name>%d</Name><Link>Files_Many_%d.xml</Link></Level3Entry>' % (part, part))
nav += ['  </Level2Entry></Level1Entry>', '</Navigation>', '']
open(data + '/Navigation.xml', 'w', encoding='utf-8').write('\n'.join(nav))
log = ['<Logfile>'] + ['    <LogEntry><DateTime>12/10/2026 9:59:58 (UTC)</DateTime><Level>2</Level>'
                       '<Message>entry %d</Message></LogEntry>' % n for n in range(200)] + ['</Logfile>', '']
open(data + '/Logfile.xml', 'w', encoding='utf-8').write('\n'.join(log))
PY

win() { echo "Z:${1//\//\\}"; }
result=$("$build/wine-run" "$build/bench/render_bench.exe" "$(win "$folder")" Files_Many_1.xml "$repeats" \
         "$(win "$build/dist/Gathrix.exe")" | tr -d '\r')
echo "$result"
page_ms=$(echo "$result" | sed -n 's/^page_ms=//p')
child_ms=$(echo "$result" | sed -n 's/^child_ms=//p')

page_cpu_ms=$(echo "$result" | sed -n 's/^page_cpu_ms=//p')

# xsltproc's wall and CPU time (user and system), each the median of the runs.
times=()
cpus=()
for _ in $(seq "$repeats"); do
  measured=$(cd "$folder/data" && { /usr/bin/time -f '%e %U %S' xsltproc Files_Many_1.xml > /dev/null; } 2>&1)
  times+=("$(echo "$measured" | awk '{ print $1 * 1000 }')")
  cpus+=("$(echo "$measured" | awk '{ print ($2 + $3) * 1000 }')")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
xsltproc_ms=$(median "${times[@]}")
xsltproc_cpu_ms=$(median "${cpus[@]}")
printf 'elements: %s tree elements\n' "$(grep -c '<TreeElement' "$folder/data/Files_Many_1.xml")"
printf 'xsltproc:                   CPU %.0f ms, wall %.0f ms\n' "$xsltproc_cpu_ms" "$xsltproc_ms"
printf 'renderer (one page):        CPU %.0f ms, wall %.0f ms\n' "$page_cpu_ms" "$page_ms"
printf 'renderer, child started:               wall %.0f ms\n' "$child_ms"
printf 'CPU ratio (renderer / xsltproc): %.2f\n' "$(awk "BEGIN { print $page_cpu_ms / $xsltproc_cpu_ms }")"
printf 'wall ratio (renderer / xsltproc): %.2f\n' "$(awk "BEGIN { print $page_ms / $xsltproc_ms }")"
