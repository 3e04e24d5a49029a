#!/usr/bin/env python3
"""The check's HTML page in a real headless browser: its DOM, a screenshot and the printed PDF."""
import html.parser
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SKIP = 77  # ctest's SKIP_RETURN_CODE for this test


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(SKIP)


def fail(reason):
    print("FAILED: " + reason)
    sys.exit(1)


class PageDom(html.parser.HTMLParser):
    """What the test looks for in the DOM the browser built."""

    def __init__(self):
        super().__init__()
        self.stack = []
        self.verdict = ""
        self.rows = 0
        self.figures = {}  # id -> number of svg elements inside

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.stack.append((tag, a.get("id", "")))
        ids = [i for _, i in self.stack]
        if tag == "tr" and "checks" in ids and any(t == "tbody" for t, _ in self.stack):
            self.rows += 1
        if tag == "figure":
            self.figures[a.get("id", "")] = 0
        if tag == "svg":
            figure = next((i for t, i in reversed(self.stack) if t == "figure"), None)
            if figure is not None:
                self.figures[figure] += 1

    def handle_endtag(self, tag):
        while self.stack:
            if self.stack.pop()[0] == tag:
                break

    def handle_data(self, data):
        if self.stack and self.stack[-1][1] == "verdict":
            self.verdict += data.strip()


def png_pixels(path):
    """(width, height, rows of RGB(A) bytes) of an 8-bit RGB or RGBA PNG, unfiltered."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG")
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour not in (2, 6):
                fail("unexpected PNG kind %d/%d" % (depth, colour))
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, previous = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def main():
    lab, config = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        skip("no chromium on this machine (tools/install-deps.sh installs Debian's)")
    work = tempfile.mkdtemp(prefix="headvane-page-")
    try:
        page = os.path.join(work, "page.html")
        check = subprocess.run([lab, "--sim-speed", "50", "check", "--config", config, "--rest-seconds", "4",
                                "--html", page], capture_output=True, text=True, timeout=120)
        if check.returncode not in (0, 1):
            fail("check ended with %d: %s" % (check.returncode, check.stderr))
        flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
                 "--user-data-dir=" + os.path.join(work, "profile")]
        url = "file://" + page

        dom = PageDom()
        dom.feed(subprocess.run([chromium, *flags, "--dump-dom", url], capture_output=True, text=True,
                                timeout=120).stdout)
        expected = "PASS" if check.returncode == 0 else "FAIL"
        if dom.verdict != expected:
            fail("verdict %r in the DOM, the check ended with %d" % (dom.verdict, check.returncode))
        if dom.rows != 16:
            fail("%d rows in the table of checks, not 16" % dom.rows)
        pictures = {"figure-rest": 1, "figure-six": 1, "figure-turns": 1, "figure-calibration": 0}
        if dom.figures != pictures:
            fail("figures and their pictures: %r" % dom.figures)

        shot = os.path.join(work, "page.png")
        subprocess.run([chromium, *flags, "--screenshot=" + shot, "--window-size=1000,1600", url],
                       capture_output=True, timeout=120)
        width, height, channels, rows = png_pixels(shot)
        pixels = [bytes(r[x:x + 3]) for r in rows[::4] for x in range(0, width * channels, 4 * channels)]
        inked = sum(1 for p in pixels if min(p) < 160) / len(pixels)
        colours = len(set(pixels))
        if inked < 0.01 or colours < 20:
            fail("the screenshot looks blank: %.1f %% inked, %d colours" % (100 * inked, colours))

        pdf = os.path.join(work, "page.pdf")
        subprocess.run([chromium, *flags, "--print-to-pdf=" + pdf, "--no-pdf-header-footer", url],
                       capture_output=True, timeout=120)
        pages = len(re.findall(rb"/Type\s*/Page(?![A-Za-z])", open(pdf, "rb").read()))
        if pages not in (1, 2):
            fail("the printed page has %d A4 pages" % pages)
        print("page: %s, %d rows, 4 figures; screenshot %dx%d %.1f %% inked; %d A4 pages"
              % (dom.verdict, dom.rows, width, height, 100 * inked, pages))
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
