#!/usr/bin/env python3
"""Renders the report fixture with the viewer's stylesheets and checks the pages.

    check_report.py SOURCE_DIR xsltproc     transform with xsltproc; stderr must stay empty
    check_report.py SOURCE_DIR chromium     load the pages over file:// in headless Chromium

Exit 0 passes, 1 fails, 77 skips (the reason is printed)."""
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

SKIP = 77


class Node:
    def __init__(self, tag, attrs, parent):
        self.tag, self.attrs, self.parent = tag, dict(attrs), parent
        self.children = []
        self.text_parts = []

    def text(self):
        return ''.join(p if isinstance(p, str) else p.text() for p in self.text_parts)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def find_all(self, tag=None, **attrs):
        return [n for n in self.walk() if (tag is None or n.tag == tag) and
                all(n.attrs.get(k.rstrip('_')) == v for k, v in attrs.items())]

    def has_class(self, name):
        return name in self.attrs.get('class', '').split()


class Builder(html.parser.HTMLParser):
    VOID = {'meta', 'link', 'br', 'img', 'input', 'hr', 'frame'}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Node('#document', [], None)
        self.current = self.root

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs, self.current)
        self.current.children.append(node)
        self.current.text_parts.append(node)
        if tag not in self.VOID:
            self.current = node

    def handle_endtag(self, tag):
        node = self.current
        while node is not None and node.tag != tag:
            node = node.parent
        if node is not None and node.parent is not None:
            self.current = node.parent

    def handle_data(self, data):
        self.current.text_parts.append(data)


def parse(page):
    builder = Builder()
    builder.feed(page)
    return builder.root


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, what):
        if not condition:
            self.failures.append(what)


def squash(text):
    return ' '.join(text.split())


def check_general(dom, checks):
    title = dom.find_all('title')
    checks.expect(title and squash(title[0].text()) == 'Quellon Support Information: General - General Information',
                  'title of the general page: %r' % (title and title[0].text()))
    icons = [n for n in dom.find_all('link') if n.attrs.get('rel') == 'shortcut icon']
    checks.expect([n.attrs.get('href') for n in icons] == ['images/favicon.ico'], 'favicon link')
    mask = dom.find_all(id='mask')
    checks.expect(mask and mask[0].text().strip() == 'PLEASE WAIT...', 'wait mask')
    active = dom.find_all(id='divNavActive')
    checks.expect([squash(n.text()) for n in active] == ['General', 'General Information'],
                  'active navigation entries: %r' % [n.text() for n in active])
    row1 = [n for n in dom.find_all('div') if n.has_class('navLevel1')]
    checks.expect(row1 and [squash(a.text()) for a in row1[0].find_all('a')] == ['General', 'Registry', 'Files', 'C#tools'],
                  'level-1 navigation row')
    # A name that a URL reserves ("#", "%") is linked by its escaped URL.
    checks.expect(row1 and [a.attrs.get('href') for a in row1[0].find_all('a')][3:] == ['C%23tools_100%2541.xml'],
                  'escaped navigation link %r' % (row1 and [a.attrs.get('href') for a in row1[0].find_all('a')]))
    lines = [squash(n.text()) for n in dom.find_all('div') if n.has_class('treeLine')]
    for expected in ['Name: Jane Doe', 'Company: Example Ltd', 'E-Mail: jane@example.com', 'Call-Nr.: 4711',
                     'Mode: Standard support mode', 'Date/Time UTC: 12/10/2026 10:00:00',
                     'Date/Time local: 12/10/2026 11:00:00', 'Timezone: W. Europe Standard Time (UTC+01:00)',
                     'Version: 1.2.3.4', 'Start path: C:\\Tools\\',
                     'Operating System: Windows 7 Professional (Build 7601; Version: 6.1.7601)',
                     'Quellon product(s): - no products found -']:
        checks.expect(expected in lines, 'general information line %r' % expected)
    mail = [a for a in dom.find_all('a') if a.attrs.get('href') == 'mailto:jane@example.com']
    checks.expect(len(mail) == 1, 'mail link')
    # The jobs' elements written straight into the page: one list per run, in the page's order.
    lists = [[squash(li.find_all('div')[0].text()) for li in n.children if n.tag == 'ul' and li.tag == 'li']
             for n in dom.find_all(id='divContent')[0].children] if dom.find_all(id='divContent') else []
    checks.expect([n for n in lists if n and n[0].startswith('C:')] ==
                  [['C:\\Windows\\System32\\ntoskrnl.exe', 'C:\\Windows\\System32\\kernel32.dll'],
                   ['C:\\Windows\\explorer.exe']], 'file-information lists %r' % lists)

    logs = [n for n in dom.find_all('ul') if n.has_class('logView')]
    checks.expect(len(logs) == 2, 'two log views, found %d' % len(logs))
    if len(logs) == 2:
        groups = [squash(n.find_all('div')[0].text()) for n in logs[0].children if n.tag == 'li']
        checks.expect(groups == ['Information (1)', 'Warnings (1)', 'Errors (2)', 'Fatal Errors (1)'],
                      'grouped log from minlevel 2: %r' % groups)
        entries = [squash(n.text()) for n in logs[1].find_all('li')]
        # Sorting these texts as text would put 10 o'clock before 9 o'clock.
        expected = ['[Info] 12/10/2026 9:59:59 (UTC):before ten o\'clock',
                    '[Warning] 12/10/2026 10:00:00 (UTC):at ten o\'clock',
                    '[Error] 12/10/2026 10:00:01 (UTC):an error <with markup>',
                    '[Error] 12/10/2026 10:00:02 (UTC):a second error',
                    '[Fatal Error] 12/10/2026 10:00:03 (UTC):the end']
        checks.expect(entries == expected, 'log entries in the log\'s own order: %r' % entries)
        types = [n.find_all('div')[0].attrs.get('type') for n in logs[1].find_all('li')]
        checks.expect(types == ['lvlinfo', 'lvlwarning', 'lvlerror', 'lvlerror', 'lvlfatal'], 'log icons %r' % types)


def check_registry(dom, checks):
    title = dom.find_all('title')
    checks.expect(title and squash(title[0].text()) == 'Quellon Support Information: Registry - Keys - HKLM',
                  'title of the registry page')
    active = [squash(n.text()) for n in dom.find_all(id='divNavActive')]
    checks.expect(active == ['Registry', 'Keys', 'HKLM', '1'], 'active entries %r' % active)
    row4 = [n for n in dom.find_all('div') if n.has_class('navLevel4')]
    checks.expect(row4 and row4[0].find_all('span')[0].text() == 'sub pages: ', 'sub-pages row')
    if row4:
        links = [(a.text(), a.attrs.get('href')) for a in row4[0].find_all('a')]
        checks.expect(links == [('1', 'Registry_Keys_HKLM_1.xml'), ('2', 'Registry_Keys_HKLM_2.xml')],
                      'sub-page links %r' % links)
    row3 = [n for n in dom.find_all('div') if n.has_class('navLevel3')]
    checks.expect(row3 and [a.text() for a in row3[0].find_all('a')] == ['HKLM', 'HKCU'], 'level-3 row')

    header = [n for n in dom.find_all('div') if n.has_class('treeHeader')]
    checks.expect(header and squash(header[0].text()) == 'Tree: expand all collapse all', 'tree header')
    trees = [n for n in dom.find_all('ul') if n.has_class('collapsableTree')]
    checks.expect(len(trees) == 1, 'one tree')
    if not trees:
        return
    top = [n for n in trees[0].children if n.tag == 'li']
    checks.expect(len(top) == 4, 'four top-level items, found %d' % len(top))
    key = top[0] if top else None
    checks.expect(key is not None and key.has_class('collapsed') and 'ToggleTreeView' in key.attrs.get('onclick', ''),
                  'a key with children toggles and starts closed')
    if key is not None:
        line = key.find_all('div')[0]
        checks.expect(line.attrs.get('type') == 'regkey32' and squash(line.text()) == 'HKLM\\Software\\Key (2)',
                      'key line with its child count: %r' % line.text())
        nested = [n for n in key.children if n.tag == 'ul']
        checks.expect(nested and 'none' in nested[0].attrs.get('style', ''), 'nested list starts closed')
        value = [n for n in key.find_all('div') if n.attrs.get('type') == 'regkeywithvalue32']
        checks.expect(len(value) == 1, 'registry value line')
        if value:
            spans = [(s.attrs.get('class'), s.attrs.get('type'), s.text()) for s in value[0].find_all('span')]
            checks.expect(spans == [('registryKeyPath', None, 'HKLM\\Software\\Key'), ('inlineIcon', 'regszvalue', ''),
                                    ('registryValueName', None, 'Name'), ('registryValueData', None, 'Data')],
                          'registry value parts %r' % spans)
            checks.expect(squash(value[0].text()) == 'HKLM\\Software\\KeyName = Data', 'registry value text')
        end = [n for n in key.find_all('li') if n.has_class('treeEndNode')]
        checks.expect(len(end) == 2 and all('DoNotToggle' in n.attrs.get('onclick', '') for n in end), 'end nodes')
        # xsltproc escapes the blank in a link as %20, a browser's DOM keeps it.
        links = [(a.text(), urllib.parse.unquote(a.attrs.get('href', ''))) for a in key.find_all('a')]
        checks.expect(links == [('[open file]', './FileCopies/a b/notes.txt'),
                                ('[show preview]', './FileCopies/a b/notes.txt'),
                                ('[open file location]', './FileCopies/a b/')], 'file links %r' % links)
        frames = key.find_all('iframe')
        checks.expect(len(frames) == 1, 'one preview frame')
        checks.expect([f.attrs.get('sandbox') for f in frames] == [''], 'the preview frame runs no script: %r' %
                      [f.attrs for f in frames])
    if len(top) == 4:
        pre = top[1].find_all('pre')
        checks.expect(pre and pre[0].text() == 'line one\n    line two', 'plaintext element keeps its lines')
        checks.expect(top[2].find_all('div')[0].attrs.get('type') == 'nosuchtype', 'unlisted type kept for the CSS')
        checks.expect([n.text() for n in top[3].find_all('div') if n.has_class('plaintext')] == ['loose text of the tree'],
                      'plaintext child of the tree')


def check_single_item(dom, checks):
    active = [squash(n.text()) for n in dom.find_all(id='divNavActive')]
    checks.expect(active == ['Registry', 'Keys', 'HKCU'], 'active entries %r' % active)
    checks.expect(not [n for n in dom.find_all('div') if n.has_class('navLevel4')], 'no sub-pages row')
    trees = [n for n in dom.find_all('ul') if n.has_class('collapsableTree')]
    top = [n for n in trees[0].children if n.tag == 'li'] if trees else []
    checks.expect(len(top) == 1 and top[0].has_class('expanded'), 'the only item of a tree starts open')
    if len(top) == 1:
        lists = top[0].find_all('ul')
        styles = [n.attrs.get('style', '') for n in lists]
        checks.expect(len(lists) == 2 and 'none' not in styles[0] and 'none' in styles[1],
                      'its own list shows, the nested one starts closed: %r' % styles)
        checks.expect(top[0].find_all('li')[1].has_class('collapsed'), 'a nested item starts closed')


def check_two_level_part(dom, checks):
    active = [squash(n.text()) for n in dom.find_all(id='divNavActive')]
    checks.expect(active == ['Files', 'Many', '2'], 'active entries %r' % active)
    checks.expect(not [n for n in dom.find_all('div') if n.has_class('navLevel3')], 'no level-3 row')
    row4 = [n for n in dom.find_all('div') if n.has_class('navLevel4')]
    checks.expect(row4 and row4[0].find_all('span')[0].text() == 'sub pages: ', 'sub-pages row of two levels')
    if row4:
        links = [(a.text(), a.attrs.get('href')) for a in row4[0].find_all('a')]
        checks.expect(links == [('1', 'Files_Many_1.xml'), ('2', 'Files_Many_2.xml')], 'sub-page links %r' % links)


# Every list item stands in a list.
def check_list_markup(page, dom, checks):
    loose = [squash(n.text())[:60] for n in dom.find_all('li') if n.parent is None or n.parent.tag not in ('ul', 'ol')]
    checks.expect(not loose, '%s: list items outside a list: %r' % (page, loose))


def prepare(source_dir, work):
    data = os.path.join(work, 'data')
    shutil.copytree(os.path.join(source_dir, 'collector', 'resources', 'tests', 'report', 'data'), data)
    resources = os.path.join(source_dir, 'collector', 'resources')
    for folder in ('stylesheet', 'scripts', 'images'):
        shutil.copytree(os.path.join(resources, folder), os.path.join(data, folder))
    shutil.copy(os.path.join(resources, 'index.html'), work)
    return data


PAGES = [('General_GeneralInformation.xml', check_general), ('Registry_Keys_HKLM_1.xml', check_registry),
         ('Registry_Keys_HKCU.xml', check_single_item), ('Files_Many_2.xml', check_two_level_part)]


def run_xsltproc(data):
    checks = Checks()
    for page, check in PAGES:
        result = subprocess.run(['xsltproc', page], cwd=data, capture_output=True, text=True)
        checks.expect(result.returncode == 0, '%s: xsltproc exit code %d' % (page, result.returncode))
        checks.expect(result.stderr == '', '%s: xsltproc wrote to stderr:\n%s' % (page, result.stderr))
        checks.expect(result.stdout.startswith('<!DOCTYPE html PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN"'),
                      '%s: HTML 4.01 Transitional' % page)
        check(parse(result.stdout), checks)
        check_list_markup(page, parse(result.stdout), checks)
    return checks


def find_browser():
    for name in ('chromium', 'chromium-browser', 'google-chrome'):
        path = shutil.which(name)
        if path:
            return path
    return None


def run_chromium(data, work):
    browser = find_browser()
    if browser is None:
        print('SKIP: no Chromium on this machine (scripts/setup.sh installs it)')
        sys.exit(SKIP)
    checks = Checks()
    for page, check in PAGES:
        url = 'file://' + os.path.join(data, page)
        command = [browser, '--headless', '--no-sandbox', '--disable-gpu', '--allow-file-access-from-files',
                   '--user-data-dir=' + os.path.join(work, 'profile'), '--virtual-time-budget=3000', '--dump-dom', url]
        result = subprocess.run(command, capture_output=True, text=True, timeout=120)
        dom = result.stdout
        if result.returncode != 0 or '<html' not in dom.lower():
            checks.expect(False, '%s: the browser failed (exit %d): %s' % (page, result.returncode, result.stderr[-2000:]))
            continue
        if 'GathrixResult' in dom or 'divContent' not in dom:
            print('SKIP: this Chromium no longer applies XSLT stylesheets to XML files; the page stays untransformed')
            sys.exit(SKIP)
        check(parse(dom), checks)
        check_list_markup(page, parse(dom), checks)
    return checks


def main():
    source_dir, tool = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix='gathrix-report-')
    try:
        data = prepare(source_dir, work)
        checks = run_xsltproc(data) if tool == 'xsltproc' else run_chromium(data, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in checks.failures:
        print('FAILED: ' + failure)
    if checks.failures:
        sys.exit(1)
    print('passed')


if __name__ == '__main__':
    main()
