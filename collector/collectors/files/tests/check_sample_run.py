#!/usr/bin/env python3
"""Runs the collector on the shipped sample mode file and checks the file copies and the links of
its report from the Linux side.

    check_sample_run.py SOURCE_DIR BUILD_DIR

- every link of a result file ("externalLink", "embeddedObjectLink") names a file in the archive,
  and every copy under data/FileCopies is linked;
- each copy holds the bytes of the file it was copied from (found in the build's Wine prefix);
- the sample copies files at all (the Wine prefix has files the sample selects);
- the report shows the collector's own log from data/Logfile.xml where the sample puts its
  "Logfile" elements, grouped and not, with their minimum levels, rendered by xsltproc and by
  headless Chromium (skipped without a browser that still applies XSLT).

Exit 0 passes, 1 fails."""
import os
import posixpath
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


def windows_path(path):
    return 'Z:' + path.replace('/', '\\')


def run_collector(build, work):
    out = os.path.join(work, 'out')
    os.makedirs(out)
    command = [os.path.join(build, 'wine-run'), 'Gathrix.exe', '-s', 'Config.xml',
               '-t', windows_path(os.path.join(work, 'work')), '-o', windows_path(out),
               '-n', 'Sample User', '-e', 'sample@example.com', '-c', 'Sample Ltd', '-i', '4711']
    result = subprocess.run(command, cwd=os.path.join(build, 'dist'), capture_output=True, timeout=600)
    console = result.stdout.decode('latin-1').replace('\r', '')
    if result.returncode != 0:
        print(console)
        print(result.stderr.decode('latin-1')[-3000:])
        sys.exit('FAIL: the collector ended with %d' % result.returncode)
    return os.path.join(out, 'GATHRINF.7z')


def extract(archive, target):
    """The archive's files by their names with "/" (7-Zip may keep "\\" in names on Linux)."""
    os.makedirs(target)
    subprocess.run(['7z', 'x', '-bd', '-y', archive], cwd=target, check=True, capture_output=True)
    files = {}
    for folder, _, names in os.walk(target):
        for name in names:
            full = os.path.join(folder, name)
            files[os.path.relpath(full, target).replace('\\', '/')] = full
    return files


def source_of(build, filed):
    """The file in the Wine prefix that a copy's path below FileCopies names: its first folder is
    the drive letter, found through the prefix's drive links."""
    drive, _, rooted = filed.partition('/')
    path = os.path.join(build, 'wine', 'prefix', 'dosdevices', drive.lower() + ':')
    for part in rooted.split('/'):
        if not os.path.isdir(path):
            return None
        match = [entry for entry in os.listdir(path) if entry.lower() == part.lower()]
        if not match:
            return None
        path = os.path.join(path, match[0])
    return path if os.path.isfile(path) else None


LOG_PAGE = 'General_Collectorlog.xml'
GROUP_TITLES = {1: 'Debug messages', 2: 'Information', 3: 'Warnings', 4: 'Errors', 5: 'Fatal Errors'}


def expected_log_views(data):
    """What the two log views of the sample's log page must show, from the page's "Logfile"
    elements and the XML log itself."""
    levels = [int(entry.findtext('Level')) for entry in ET.parse(os.path.join(data, 'Logfile.xml')).getroot()]
    views = []
    for element in ET.parse(os.path.join(data, LOG_PAGE)).getroot().find('ResultSet').findall('Logfile'):
        minimum = int(element.get('minlevel'))
        if element.get('type') == 'grouped':
            views.append(('grouped', ['%s (%d)' % (GROUP_TITLES[level], levels.count(level))
                                      for level in range(1, 6) if level >= minimum]))
        else:
            shown = len([level for level in levels if level >= minimum])
            # The sample's minimum level must leave something out, or the check shows nothing.
            expect(0 < shown < len(levels), 'minlevel %d keeps %d of %d entries' % (minimum, shown, len(levels)))
            views.append(('list', shown))
    return levels, views


def shown_log_views(dom):
    views = []
    for view in [n for n in dom.find_all('ul') if n.has_class('logView')]:
        groups = [n for n in view.children if n.tag == 'li' and n.has_class('logGroup')]
        if groups:
            views.append(('grouped', [report.squash(g.find_all('div')[0].text()) for g in groups]))
        else:
            views.append(('list', len([n for n in view.children if n.tag == 'li' and n.has_class('logEntry')])))
    return views


def check_log_page(data, work):
    levels, expected = expected_log_views(data)
    expect(len(expected) == 2, 'the sample has a grouped and a plain "Logfile": %r' % expected)
    expect(len(levels) > 0, 'the XML log holds no entry')

    result = subprocess.run(['xsltproc', LOG_PAGE], cwd=data, capture_output=True, text=True)
    expect(result.returncode == 0 and result.stderr == '', 'xsltproc: %d %s' % (result.returncode, result.stderr))
    shown = shown_log_views(report.parse(result.stdout))
    expect(shown == expected, 'xsltproc log views %r, expected %r' % (shown, expected))

    browser = report.find_browser()
    if browser is None:
        print('NOTE: no Chromium here; the log page was rendered by xsltproc only')
        return
    command = [browser, '--headless', '--no-sandbox', '--disable-gpu', '--allow-file-access-from-files',
               '--user-data-dir=' + os.path.join(work, 'profile'), '--virtual-time-budget=3000', '--dump-dom',
               'file://' + os.path.join(data, LOG_PAGE)]
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if result.returncode != 0 or 'divContent' not in result.stdout:
        if 'GathrixResult' in result.stdout:
            print('NOTE: this Chromium no longer applies XSLT; the log page was rendered by xsltproc only')
            return
        expect(False, 'Chromium failed on the log page (exit %d): %s' % (result.returncode, result.stderr[-2000:]))
        return
    shown = shown_log_views(report.parse(result.stdout))
    expect(shown == expected, 'Chromium log views %r, expected %r' % (shown, expected))
    print('log page rendered by xsltproc and Chromium: %r' % (expected,))


def main():
    source_dir, build = sys.argv[1], sys.argv[2]
    global report
    sys.path.insert(0, os.path.join(source_dir, 'collector', 'resources', 'tests'))
    import check_report as report
    with tempfile.TemporaryDirectory(prefix='gathrix-sample-') as work:
        archive = run_collector(build, work)
        files = extract(archive, os.path.join(work, 'x'))

        linked = set()
        for name in sorted(files):
            if not (name.startswith('data/') and name.endswith('.xml')) or name.count('/') != 1:
                continue
            try:
                root = ET.parse(files[name]).getroot()
            except ET.ParseError as error:
                expect(False, '%s is not well-formed: %s' % (name, error))
                continue
            for element in root.iter():
                for attribute in ('externalLink', 'embeddedObjectLink'):
                    link = element.get(attribute)
                    if link is None:
                        continue
                    # Links are relative to the result files in data/.
                    target = posixpath.normpath(posixpath.join('data', link))
                    expect(target in files, '%s: %s "%s" names no file of the archive' % (name, attribute, link))
                    linked.add(target)

        copies = [name for name in files if name.startswith('data/FileCopies/')]
        expect(len(copies) > 0, 'the sample copied no file')
        for copy in copies:
            expect(copy in linked, '%s is in the archive but no result file links it' % copy)
            source = source_of(build, copy[len('data/FileCopies/'):])
            expect(source is not None, '%s: no source file in the Wine prefix' % copy)
            if source is not None:
                with open(source, 'rb') as a, open(files[copy], 'rb') as b:
                    expect(a.read() == b.read(), '%s differs from %s' % (copy, source))
        print('%d files in the archive, %d copies, %d linked files' % (len(files), len(copies), len(linked)))

        data = os.path.dirname(files['data/' + LOG_PAGE]) if 'data/' + LOG_PAGE in files else None
        expect(data is not None, 'no log page data/%s in the archive' % LOG_PAGE)
        if data is not None:
            check_log_page(data, work)

    for failure in failures:
        print('FAILED: ' + failure)
    if failures:
        sys.exit(1)
    print('passed')


if __name__ == '__main__':
    main()
