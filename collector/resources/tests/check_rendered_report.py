#!/usr/bin/env python3
"""The report as a support engineer opens it: the collector's archive unpacked and its pages
opened over file:// in headless Chromium with its default settings (no flag that allows XSLT).

    check_rendered_report.py SOURCE_DIR BUILD_DIR

- the sample mode file's run: index.html leads to a rendered page; every result file has its
  rendered page, whose text in Chromium's DOM is the text of the xsltproc view of the result file;
  every link between pages names a rendered page of the archive; the log page lists the log;
- a run that copies files whose names hold "#", "%", a blank, "&" and non-ASCII characters:
  "[open file]" and "[show preview]" open the named copy in Chromium, "[open file location]"
  its folder;
- a run in a working folder whose name holds those characters: every page shows its content and
  navigation, every navigation link opens a rendered page, the log page shows the log.

Exit 0 passes, 1 fails, 77 skips (the reason is printed)."""
import fcntl
import json
import os
import posixpath
import shutil
import select
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request
import xml.etree.ElementTree as ET

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
import check_report as report  # noqa: E402

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


def windows_path(path):
    return 'Z:' + path.replace('/', '\\')


def run_collector(build, work, mode_file, working_folder='work'):
    out = os.path.join(work, 'out')
    os.makedirs(out)
    command = [os.path.join(build, 'wine-run'), 'Gathrix.exe', '-s', mode_file,
               '-t', windows_path(os.path.join(work, working_folder)), '-o', windows_path(out),
               '-n', 'Sample User', '-e', 'sample@example.com', '-c', 'Sample Ltd', '-i', '4711']
    result = subprocess.run(command, cwd=os.path.join(build, 'dist'), capture_output=True, timeout=600)
    if result.returncode != 0:
        print(result.stdout.decode('latin-1'))
        sys.exit('FAIL: the collector ended with %d' % result.returncode)
    target = os.path.join(work, 'x')
    os.makedirs(target)
    subprocess.run(['7z', 'x', '-bd', '-y', os.path.join(out, 'GATHRINF.7z')], cwd=target, check=True,
                   capture_output=True)
    return target


class Browser:
    """One headless Chromium for all pages (a start costs seconds), driven over its DevTools pipe.
    What a user's browser does: no flag that changes how local files are treated."""
    FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync']

    def __init__(self, path, work):
        to_browser, self.commands = os.pipe()
        self.replies, from_browser = os.pipe()
        # The pipe's ends go to descriptors 3 and 4 of the browser; moved out of the way first.
        ends = [fcntl.fcntl(to_browser, fcntl.F_DUPFD, 100), fcntl.fcntl(from_browser, fcntl.F_DUPFD, 100)]
        os.close(to_browser)
        os.close(from_browser)

        def place():
            os.dup2(ends[0], 3)
            os.dup2(ends[1], 4)
        self.process = subprocess.Popen(
            [path] + self.FLAGS + ['--user-data-dir=' + os.path.join(work, 'profile'), '--remote-debugging-pipe',
                                   'about:blank'],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=place)
        for end in ends:
            os.close(end)
        self.buffer, self.next_id, self.events = b'', 0, []
        target = self.call('Target.createTarget', {'url': 'about:blank'})['targetId']
        self.session = self.call('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
        self.call('Page.enable', session=True)

    def close(self):
        self.process.kill()
        self.process.wait()
        os.close(self.commands)
        os.close(self.replies)

    def receive(self, deadline):
        while b'\0' not in self.buffer:
            if time.monotonic() > deadline or not select.select([self.replies], [], [], 1)[0]:
                if time.monotonic() > deadline:
                    raise TimeoutError('Chromium does not answer')
                continue
            chunk = os.read(self.replies, 1 << 20)
            if not chunk:
                raise EOFError('Chromium ended')
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b'\0', 1)
        return json.loads(message)

    def call(self, method, params=None, session=False):
        self.next_id += 1
        message = {'id': self.next_id, 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = self.session
        os.write(self.commands, json.dumps(message).encode() + b'\0')
        deadline = time.monotonic() + 60
        while True:
            reply = self.receive(deadline)
            if reply.get('id') == self.next_id:
                if 'error' in reply:
                    raise RuntimeError('%s: %s' % (method, reply['error']))
                return reply.get('result', {})
            self.events.append(reply)

    def wait_for_load(self, deadline):
        while True:
            for event in self.events:
                if event.get('method') == 'Page.loadEventFired':
                    self.events = []
                    return
            self.events = []
            self.events.append(self.receive(deadline))

    def dom(self, url, until=None):
        """The page's DOM after its load event (and after `until`, a script's truth, holds)."""
        self.events = []
        deadline = time.monotonic() + 60
        self.call('Page.navigate', {'url': url}, session=True)
        self.wait_for_load(deadline)
        while True:
            try:
                if until is None or self.evaluate(until):
                    return self.evaluate('document.documentElement ? document.documentElement.outerHTML : ""')
            except RuntimeError:
                pass  # between two documents (a redirection, an error page)
            if time.monotonic() > deadline:
                return ''
            time.sleep(0.2)

    def evaluate(self, expression):
        result = self.call('Runtime.evaluate', {'expression': expression, 'returnByValue': True}, session=True)
        return result.get('result', {}).get('value')


def url_of(path):
    return 'file://' + urllib.request.pathname2url(path)


def letters(dom):
    """The text a page shows, without the blanks and line ends that the two engines lay out differently."""
    bodies = dom.find_all('body')
    return ''.join(bodies[0].text().split()) if bodies else ''


def result_pages(data):
    pages = []
    for name in sorted(os.listdir(data)):
        if name.endswith('.xml') and ET.parse(os.path.join(data, name)).getroot().tag == 'GathrixResult':
            pages.append(name)
    return pages


def check_sample_run(source_dir, build, browser, work):
    sys.path.insert(0, os.path.join(source_dir, 'collector', 'collectors', 'files', 'tests'))
    import check_sample_run as sample
    sample.report = report
    root = run_collector(build, work, 'Config.xml')
    data = os.path.join(root, 'data')

    # index.html opens the first page, which is a rendered one.
    with open(os.path.join(root, 'index.html'), encoding='utf-8') as index:
        frames = report.parse(index.read()).find_all('frame')
    expect(len(frames) == 1, 'index.html has one frame')
    first = os.path.normpath(os.path.join(root, frames[0].attrs.get('src', ''))) if frames else ''
    expect(first.endswith('.html') and os.path.isfile(first), 'index.html opens %s' % first)
    index = browser.dom(url_of(os.path.join(root, 'index.html')), until='!!document.getElementById("divContent")')
    expect('General - General Information' in index, 'index.html shows no rendered page: %r' % index[:300])

    pages = result_pages(data)
    expect(len(pages) > 5, 'the sample has result files: %r' % pages)
    for page in pages:
        rendered = os.path.join(data, page[:-4] + '.html')
        if not os.path.isfile(rendered):
            expect(False, '%s has no rendered page' % page)
            continue
        xslt = subprocess.run(['xsltproc', page], cwd=data, capture_output=True, text=True)
        expect(xslt.returncode == 0, '%s: xsltproc exit %d' % (page, xslt.returncode))
        dom_text = browser.dom(url_of(rendered))
        expect('divContent' in dom_text, '%s: Chromium shows no report' % rendered)
        dom = report.parse(dom_text)
        shown, expected = letters(dom), letters(report.parse(xslt.stdout))
        expect(shown == expected and len(shown) > 100,
               '%s: Chromium shows other text than the XSLT view (%d and %d letters)' % (page, len(shown), len(expected)))
        for link in [a for a in dom.find_all('a') if a.has_class('navEntry')]:
            href = link.attrs.get('href', '')
            target = os.path.join(data, urllib.parse.unquote(href))
            expect(href.endswith('.html') and os.path.isfile(target) and 'divContent' in open(target, encoding='utf-8').read(),
                   '%s: the link %r names no rendered page' % (page, href))
        if page == sample.LOG_PAGE:
            levels, views = sample.expected_log_views(data)
            expect(sample.shown_log_views(dom) == views,
                   'the log page shows %r, the log holds %r' % (sample.shown_log_views(dom), views))
    expect(sample.LOG_PAGE in pages, 'the sample has its log page')
    print('sample run: %d pages rendered and shown' % len(pages))


NAMES = {'f #1%&\u00fc': ['a#1.log', 'b%20c.log', 'd e&f.log', '\u00fc\u20ac\u00f1.log']}

MODE_FILE = '''<?xml version="1.0" encoding="UTF-8"?>
<Config>
    <Mode><Name lang="en-us">Names</Name></Mode>
    <Level1>
        <Name>General</Name>
        <Level2>
            <Name>General Information</Name>
            <Jobs><GeneralInformation /></Jobs>
        </Level2>
    </Level1>
    <Level1>
        <Name>Files</Name>
        <Level2>
            <Name>Names</Name>
            <Jobs>
                <FileContent readSubFolders="true">
                    <Path>%s</Path>
                    <Filter>*</Filter>
                </FileContent>
            </Jobs>
        </Level2>
    </Level1>
</Config>
'''


def check_links(build, browser, work):
    sources = os.path.join(work, 'names')
    names_in_order = []  # a browser shows a text file without a charset in its own code page: ASCII contents
    for folder, names in NAMES.items():
        os.makedirs(os.path.join(sources, folder))
        for name in names:
            with open(os.path.join(sources, folder, name), 'w', encoding='utf-8') as file:
                file.write('content of file %d\n' % len(names_in_order))
            names_in_order.append(name)
    mode_file = os.path.join(work, 'Names.xml')
    with open(mode_file, 'w', encoding='utf-8') as file:
        file.write(MODE_FILE % windows_path(sources))
    data = os.path.join(run_collector(build, work, windows_path(mode_file)), 'data')

    page = os.path.join(data, 'Files_Names.html')
    dom = report.parse(browser.dom(url_of(page)))
    lines = [n for n in dom.find_all('div') if n.has_class('treeLine') and n.find_all('a')]
    opened = set()
    for line in lines:
        links = {a.text(): urllib.parse.urljoin(url_of(page), a.attrs.get('href', '')) for a in line.find_all('a')}
        expect(sorted(links) == ['[open file location]', '[open file]', '[show preview]'], 'links %r' % sorted(links))
        expect(links.get('[open file]') == links.get('[show preview]'), 'the preview shows the file: %r' % links)
        shown = browser.dom(links.get('[open file]', ''))
        named = [name for index, name in enumerate(names_in_order) if 'content of file %d\n' % index in shown]
        expect(len(named) == 1, '%s opens %r' % (links.get('[open file]'), named))
        opened.update(named)
        listed = [a.text() for a in report.parse(browser.dom(links.get('[open file location]', ''))).find_all('a')]
        expect(named and all(name in listed for name in named), '%s lists %r, not %r' % (
            links.get('[open file location]'), listed, named))
    expected = {name for names in NAMES.values() for name in names}
    expect(opened == expected, 'files opened from the report: %r, expected %r' % (sorted(opened), sorted(expected)))
    print('links opened: %d files' % len(opened))


# A working folder whose name holds what a URL reserves and what is beyond ASCII (the default
# working folder lies below the user's profile, whose name may be anything).
WORKING_FOLDER = 'w #1%41%&\u00fc\u03a9'

FOLDER_MODE_FILE = '''<?xml version="1.0" encoding="UTF-8"?>
<Config>
    <Mode><Name lang="en-us">Folder</Name></Mode>
    <Level1>
        <Name>General</Name>
        <Level2><Name>General Information</Name><Jobs><GeneralInformation /></Jobs></Level2>
        <Level2><Name>Collector log</Name><Jobs><Logfile grouped="true" minlevel="1"/></Jobs></Level2>
    </Level1>
    <Level1>
        <Name>Files</Name>
        <Level2><Name>Names</Name><Jobs><FileInfos><Path>%s</Path><Filter>*</Filter></FileInfos></Jobs></Level2>
    </Level1>
</Config>
'''


def has_content(dom):
    return any(n.attrs.get('id') == 'divContent' for n in dom.find_all('div'))


def check_working_folder(build, browser, work):
    """Every page of a run in WORKING_FOLDER is rendered whole: in Chromium it shows its content,
    its navigation, whose every link opens a rendered page, and the log page shows the log."""
    mode_file = os.path.join(work, 'Folder.xml')
    with open(mode_file, 'w', encoding='utf-8') as file:
        file.write(FOLDER_MODE_FILE % windows_path(work))
    data = os.path.join(run_collector(build, work, windows_path(mode_file), WORKING_FOLDER), 'data')
    pages = result_pages(data)
    expect(len(pages) == 3, 'the run in %r has three pages: %r' % (WORKING_FOLDER, pages))
    for page in pages:
        dom = report.parse(browser.dom(url_of(os.path.join(data, page[:-4] + '.html'))))
        text = letters(dom)
        expect(has_content(dom), '%s: Chromium shows no report' % page)
        links = {a.attrs.get('href', '') for a in dom.find_all('a') if a.has_class('navEntry')}
        expect(len(links) >= 2, '%s: its navigation links %r' % (page, sorted(links)))
        for href in sorted(links):
            shown = report.parse(browser.dom(urllib.parse.urljoin(url_of(os.path.join(data, page)), href)))
            expect(has_content(shown), '%s: the navigation link %r opens no rendered page' % (page, href))
        if page == 'General_Collectorlog.xml':
            expect('Information(' in text and 'Reportpagesrendered' in text,
                   'the log page shows no log: %r' % text[:300])
    print('working folder %r: %d pages rendered with navigation and log' % (WORKING_FOLDER, len(pages)))


def main():
    source_dir, build = sys.argv[1], sys.argv[2]
    path = report.find_browser()
    if path is None:
        print('SKIP: no Chromium on this machine (scripts/setup.sh installs it)')
        sys.exit(77)
    work = tempfile.mkdtemp(prefix='gathrix-rendered-')
    try:
        browser = Browser(path, work)
        try:
            os.makedirs(os.path.join(work, 'sample'))
            os.makedirs(os.path.join(work, 'links'))
            os.makedirs(os.path.join(work, 'folder'))
            check_sample_run(source_dir, build, browser, os.path.join(work, 'sample'))
            check_links(build, browser, os.path.join(work, 'links'))
            check_working_folder(build, browser, os.path.join(work, 'folder'))
        finally:
            browser.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print('FAILED: ' + failure)
    if failures:
        sys.exit(1)
    print('passed')


if __name__ == '__main__':
    main()
