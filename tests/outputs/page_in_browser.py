#!/usr/bin/env python3
"""The lab's HTML pages (check and allan) in a real headless browser: their DOM, a screenshot and the printed PDF."""
import html.parser
import json
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
        self.rows = {}  # table id -> rows in its body
        self.figures = {}  # id -> number of svg elements inside

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.stack.append((tag, a.get("id", "")))
        if tag == "tr" and any(t == "tbody" for t, _ in self.stack):
            table = next((i for t, i in reversed(self.stack) if t == "table"), "")
            self.rows[table] = self.rows.get(table, 0) + 1
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


class Browser:
    """Headless chromium on one work folder, with nothing fetched and no profile of its own kept."""

    def __init__(self, chromium, work):
        self.chromium, self.work = chromium, work
        self.flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                      "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
                      "--user-data-dir=" + os.path.join(work, "profile")]

    def dom(self, page):
        dom = PageDom()
        dom.feed(subprocess.run([self.chromium, *self.flags, "--dump-dom", "file://" + page], capture_output=True,
                                text=True, timeout=120).stdout)
        return dom

    def inked_screenshot(self, page):
        """The share of inked pixels of the page's screenshot, after failing a blank one."""
        shot = page + ".png"
        subprocess.run([self.chromium, *self.flags, "--screenshot=" + shot, "--window-size=1000,1600",
                        "file://" + page], capture_output=True, timeout=120)
        width, height, channels, rows = png_pixels(shot)
        pixels = [bytes(r[x:x + 3]) for r in rows[::4] for x in range(0, width * channels, 4 * channels)]
        inked = sum(1 for p in pixels if min(p) < 160) / len(pixels)
        colours = len(set(pixels))
        if inked < 0.01 or colours < 20:
            fail("the screenshot of %s looks blank: %.1f %% inked, %d colours" % (page, 100 * inked, colours))
        return inked

    def printed_pages(self, page):
        pdf = page + ".pdf"
        subprocess.run([self.chromium, *self.flags, "--print-to-pdf=" + pdf, "--no-pdf-header-footer",
                        "file://" + page], capture_output=True, timeout=120)
        pages = len(re.findall(rb"/Type\s*/Page(?![A-Za-z])", open(pdf, "rb").read()))
        if pages not in (1, 2):
            fail("%s prints on %d A4 pages" % (page, pages))
        return pages


def check_page(lab, config, browser):
    page = os.path.join(browser.work, "check.html")
    check = subprocess.run([lab, "--sim-speed", "50", "check", "--config", config, "--rest-seconds", "4",
                            "--html", page], capture_output=True, text=True, timeout=120)
    if check.returncode not in (0, 1):
        fail("check ended with %d: %s" % (check.returncode, check.stderr))
    dom = browser.dom(page)
    expected = "PASS" if check.returncode == 0 else "FAIL"
    if dom.verdict != expected:
        fail("verdict %r in the DOM, the check ended with %d" % (dom.verdict, check.returncode))
    if dom.rows.get("checks") != 16:
        fail("%r rows in the table of checks, not 16" % dom.rows.get("checks"))
    pictures = {"figure-rest": 1, "figure-six": 1, "figure-turns": 1, "figure-calibration": 0}
    if dom.figures != pictures:
        fail("figures and their pictures: %r" % dom.figures)
    inked, pages = browser.inked_screenshot(page), browser.printed_pages(page)
    print("check page: %s, %d rows, 4 figures; screenshot %.1f %% inked; %d A4 pages"
          % (dom.verdict, dom.rows["checks"], 100 * inked, pages))


NOISE_KEYS = ("accelerometer_noise_density", "accelerometer_random_walk", "gyroscope_noise_density",
              "gyroscope_random_walk")


def noise_file(path, doc):
    """The noise file read as the calibrators read it (a YAML mapping), against the JSON's values."""
    try:
        import yaml
    except ImportError:
        skip("no python3-yaml on this machine (tools/install-deps.sh installs it)")
    values = yaml.safe_load(open(path))
    if set(values) != set(NOISE_KEYS) | {"rostopic", "update_rate"}:
        fail("the noise file has the keys %r" % sorted(values))
    if values["rostopic"] != "/imu0" or values["update_rate"] != 1000.0:
        fail("rostopic %r, update_rate %r" % (values["rostopic"], values["update_rate"]))
    for key in NOISE_KEYS:
        value, expected = values[key], doc["kalibr"][key]["value"]
        if not isinstance(value, float) or not value > 0 or abs(value - expected) > 1e-5 * expected:
            fail("%s is %r in the noise file and %r in the JSON" % (key, value, expected))


def allan_page(lab, browser):
    capture = os.path.join(browser.work, "rest.csv")
    page, noise, doc = (os.path.join(browser.work, name) for name in ("allan.html", "imu.yaml", "allan.json"))
    record = subprocess.run([lab, "--sim-speed", "20", "record", "--out", capture, "--duration", "3s"],
                            capture_output=True, text=True, timeout=120)
    if record.returncode != 0:
        fail("record ended with %d: %s" % (record.returncode, record.stderr))
    allan = subprocess.run([lab, "allan", capture, "--html", page, "--kalibr", noise, "--json", doc],
                           capture_output=True, text=True, timeout=120)
    if allan.returncode != 0:
        fail("allan ended with %d: %s" % (allan.returncode, allan.stderr))
    noise_file(noise, json.load(open(doc)))
    dom = browser.dom(page)
    if dom.rows.get("figures") != 8 or dom.rows.get("kalibr") != 5:
        fail("rows of the figures and the noise values: %r (8 and 5 expected)" % dom.rows)
    if dom.figures != {"figure-allan": 1}:
        fail("figures and their pictures: %r" % dom.figures)
    inked, pages = browser.inked_screenshot(page), browser.printed_pages(page)
    print("allan page: %d rows of figures, the picture, %d noise values; screenshot %.1f %% inked; %d A4 pages"
          % (dom.rows["figures"], dom.rows["kalibr"], 100 * inked, pages))


def main():
    lab, config = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        skip("no chromium on this machine (tools/install-deps.sh installs Debian's)")
    work = tempfile.mkdtemp(prefix="headvane-page-")
    try:
        browser = Browser(chromium, work)
        check_page(lab, config, browser)
        allan_page(lab, browser)
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
