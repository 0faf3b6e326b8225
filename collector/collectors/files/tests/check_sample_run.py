#!/usr/bin/env python3
"""Runs the collector on the shipped sample mode file and checks the file copies and the links of
its report from the Linux side.

    check_sample_run.py SOURCE_DIR BUILD_DIR

- every link of a result file ("externalLink", "embeddedObjectLink") names a file in the archive,
  and every copy under data/FileCopies is linked;
- each copy holds the bytes of the file it was copied from (found in the build's Wine prefix);
- the sample copies files at all (the Wine prefix has files the sample selects).

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


def source_of(build, rooted):
    """The file in the Wine prefix that a copy's path below FileCopies names (drive C:)."""
    path = os.path.join(build, 'wine', 'prefix', 'drive_c')
    for part in rooted.split('/'):
        if not os.path.isdir(path):
            return None
        match = [entry for entry in os.listdir(path) if entry.lower() == part.lower()]
        if not match:
            return None
        path = os.path.join(path, match[0])
    return path if os.path.isfile(path) else None


def main():
    source_dir, build = sys.argv[1], sys.argv[2]
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

    for failure in failures:
        print('FAILED: ' + failure)
    if failures:
        sys.exit(1)
    print('passed')


if __name__ == '__main__':
    main()
