#!/usr/bin/env python3
"""The report's navigation as a user follows it: the collector's archive unpacked and its pages
opened over file:// in headless Chromium with its default settings.

    check_report_navigation.py SOURCE_DIR BUILD_DIR

One run of a mode file whose level names hold what a URL reserves ("#", "%41", "%", a blank,
"&") and non-ASCII characters, and whose two-level entity "Files > Many" is split into parts:
- from index.html, following the navigation's links reaches every page of the archive, every part
  of the split entity among them;
- every navigation link opens the page of its entry;
- the general page's file information stands in lists, and the preview frame of a file copy is
  sandboxed.

Exit 0 passes, 1 fails, 77 skips (the reason is printed)."""
import json
import os
import shutil
import sys
import tempfile
import urllib.parse
from xml.sax.saxutils import escape

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
import check_report as report  # noqa: E402
import check_rendered_report as rendered  # noqa: E402

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


NAMES = ['C#tools', '100%41', '50%', 'a b', 'R&D', '\u00dcber\u20ac \u00f1']

# Files enough for the FileInfos job of "Files > Many" to exceed a result file's element limit.
MANY_FILES = 2600

MODE_FILE = '''<?xml version="1.0" encoding="UTF-8"?>
<Config>
    <Mode><Name lang="en-us">Navigation</Name></Mode>
    <Level1>
        <Name>General</Name>
        <Level2>
            <Name>General Information</Name>
            <Jobs>
                <GeneralInformation />
                <FileInfos><Path>{one}</Path><Filter>one.txt</Filter></FileInfos>
                <FileContent><Path>{one}</Path><Filter>one.txt</Filter></FileContent>
            </Jobs>
        </Level2>
    </Level1>
{named}    <Level1>
        <Name>Files</Name>
        <Level2>
            <Name>Many</Name>
            <Jobs><FileInfos><Path>{many}</Path><Filter>*</Filter></FileInfos></Jobs>
        </Level2>
    </Level1>
</Config>
'''

NAMED_LEVEL = '''    <Level1>
        <Name>{name}</Name>
        <Level2>
            <Name>{name}</Name>
            <Jobs><FileInfos><Path>{one}</Path><Filter>one.txt</Filter></FileInfos></Jobs>
        </Level2>
    </Level1>
'''

# What a page shows of itself: its address, the active entry of each navigation row, and each
# link of the rows as [row class, text, address].
PAGE_STATE = '''JSON.stringify({
    location: location.href,
    active: Array.from(document.querySelectorAll('#divFixedHeader .navActive')).map(a => a.textContent.trim()),
    links: Array.from(document.querySelectorAll('#divFixedHeader a.navEntry')).map(
        a => [a.parentNode.className, a.textContent.trim(), a.href])
})'''


def write_sources(work):
    one = os.path.join(work, 'one')
    many = os.path.join(work, 'many')
    os.makedirs(one)
    os.makedirs(many)
    with open(os.path.join(one, 'one.txt'), 'w') as file:
        file.write('<script>document.title = "ran";</script>\n')
    for index in range(MANY_FILES):
        with open(os.path.join(many, 'f%05d.txt' % index), 'w') as file:
            file.write('%d\n' % index)
    mode_file = os.path.join(work, 'Navigation.xml')
    named = ''.join(NAMED_LEVEL.format(name=escape(name), one=rendered.windows_path(one)) for name in NAMES)
    with open(mode_file, 'w', encoding='utf-8') as file:
        file.write(MODE_FILE.format(one=rendered.windows_path(one), many=rendered.windows_path(many), named=named))
    return mode_file


def path_of(url):
    parsed = urllib.parse.urlsplit(url)
    return urllib.parse.unquote(parsed.path) if parsed.scheme == 'file' else url


def page_state(browser, url):
    browser.dom(url, until='!!document.getElementById("divContent")')
    state = browser.evaluate(PAGE_STATE)
    return json.loads(state) if state else {'location': '', 'active': [], 'links': []}


def follow_navigation(browser, root, data):
    """Walks the navigation from index.html; the state of every page reached, by its file."""
    landing = page_state(browser, rendered.url_of(os.path.join(root, 'index.html')))
    expect(path_of(landing['location']).startswith(data + os.sep), 'index.html leads to %r' % landing['location'])
    pages = {path_of(landing['location']): landing}
    queue = [landing]
    while queue:
        page = queue.pop(0)
        for row, text, href in page['links']:
            target = path_of(href)
            if target not in pages:
                pages[target] = page_state(browser, href)
                queue.append(pages[target])
            opened = pages[target]
            # The row's level: the entries before it stay active, the link's own entry becomes so.
            level = int(row.split('navLevel')[-1]) if 'navLevel' in row else 0
            keep = len(page['active']) - 1 if level == 4 else level - 1
            expected = page['active'][:keep] + [text]
            # A page the collector could not render forwards to its XML view, which shows nothing.
            expect(path_of(opened['location']) == target and opened['active'][:keep + 1] == expected,
                   '%s: the link %r (%s) opens %s showing %r, not the page of %r%s' % (
                       os.path.basename(path_of(page['location'])), text, href,
                       os.path.basename(path_of(opened['location'])), opened['active'], expected,
                       ' (not rendered)' if opened['location'].endswith('.xml') else ''))
    return pages


def check_general(browser, data):
    page = os.path.join(data, 'General_GeneralInformation.html')
    dom = report.parse(browser.dom(rendered.url_of(page)))
    loose = [report.squash(n.text())[:60] for n in dom.find_all('li')
             if n.parent is None or n.parent.tag not in ('ul', 'ol')]
    expect(not loose, 'the general page has list items outside a list: %r' % loose)
    jobs = [report.squash(n.text()) for n in dom.find_all('div') if n.has_class('treeLine') and
            n.attrs.get('type') in ('fileinfo', 'filecontents') and ' of ' in n.text()]
    expect(len(jobs) == 2, 'the general page shows its two file jobs: %r' % jobs)
    frames = dom.find_all('iframe')
    expect(len(frames) == 1 and frames[0].attrs.get('sandbox') == '',
           'the preview frame runs no script: %r' % [f.attrs for f in frames])


def main():
    build = sys.argv[2]
    path = report.find_browser()
    if path is None:
        print('SKIP: no Chromium on this machine (scripts/setup.sh installs it)')
        sys.exit(77)
    work = tempfile.mkdtemp(prefix='gathrix-navigation-')
    try:
        mode_file = write_sources(work)
        root = rendered.run_collector(build, work, rendered.windows_path(mode_file))
        data = os.path.join(root, 'data')
        expected = {os.path.join(data, name[:-4] + '.html') for name in rendered.result_pages(data)}
        parts = sorted(name for name in os.listdir(data) if name.startswith('Files_Many_') and name.endswith('.xml'))
        expect(len(parts) >= 2, 'Files > Many is split into parts: %r' % parts)
        browser = rendered.Browser(path, work)
        try:
            pages = follow_navigation(browser, root, data)
            check_general(browser, data)
        finally:
            browser.close()
        missing = sorted(os.path.basename(name) for name in expected - set(pages))
        expect(not missing, 'pages no navigation link reaches: %r' % missing)
        print('%d pages reached through the navigation, %d parts of Files > Many' % (len(pages), len(parts)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print('FAILED: ' + failure)
    if failures:
        sys.exit(1)
    print('passed')


if __name__ == '__main__':
    main()
