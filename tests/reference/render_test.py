#!/usr/bin/env python3
"""render_test.py PAGE [SHOTS_DIR]: DuVad.html as headless Chromium lays it out and paints it.

Chromium is driven over its DevTools pipe (--remote-debugging-pipe): it loads the page, answers
questions about the laid-out document, and photographs two parts of it: the contents, and the part
of one function (GetWinTempPath). The texts are checked against the sources the page is made from
(tools/exports.py reads them), the photographs by their pixels: not blank, the contents' links in
their colour, the function's declarations and its trap in their boxes. With SHOTS_DIR the two
photographs are kept there (contents.png, GetWinTempPath.png) to be looked at. The browser's
profile lives in a temporary folder that is removed afterwards."""
import base64
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools"))
import exports  # noqa: E402
import reference  # noqa: E402

PAGE = None
SHOTS = None
FUNCTION = "GetWinTempPath"


def decode_png(data):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG without interlacing."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat, width = 8, b"", 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + length
    raw, stride, rows, previous = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        kind, row = line[0], bytearray(line[1:])
        for x in range(stride):
            left = row[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                row[x] = (row[x] + left) & 255
            elif kind == 2:
                row[x] = (row[x] + up) & 255
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                row[x] = (row[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(row[x:x + 3]) for x in range(0, stride, channels)])
        previous = row
    return width, height, rows


class Browser:
    """Headless Chromium on the DevTools pipe (fd 3 in, fd 4 out, messages ended by a zero byte)."""

    def __init__(self, profile):
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        if not chromium:
            raise unittest.SkipTest("chromium is not installed (scripts/install-deps.sh installs it)")
        to_browser, self._in = os.pipe()
        self._out, from_browser = os.pipe()

        def pipes():  # in the child: the pipe's ends on 3 and 4, open across exec
            ends = os.dup(to_browser), os.dup(from_browser)
            os.dup2(ends[0], 3)
            os.dup2(ends[1], 4)

        # Everything the browser keeps (profile, crash reports, settings caches) goes into `profile`,
        # none of it into the user's home.
        home = {"HOME": profile, "XDG_CONFIG_HOME": os.path.join(profile, "config"),
                "XDG_CACHE_HOME": os.path.join(profile, "cache")}
        self.process = subprocess.Popen(
            [chromium, "--headless=new", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--no-first-run", "--disable-breakpad", "--hide-scrollbars",
             f"--user-data-dir={os.path.join(profile, 'data')}", "--window-size=1024,768"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            env=dict(os.environ, **home), preexec_fn=pipes, close_fds=False)
        os.close(to_browser)
        os.close(from_browser)
        self._buffer, self._id, self.events, self.session = b"", 0, [], None

    def _message(self):
        while b"\0" not in self._buffer:
            chunk = os.read(self._out, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its pipe")
            self._buffer += chunk
        text, _, self._buffer = self._buffer.partition(b"\0")
        return json.loads(text)

    def send(self, method, **params):
        self._id += 1
        message = {"id": self._id, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        os.write(self._in, json.dumps(message).encode() + b"\0")
        while True:
            reply = self._message()
            if reply.get("id") == self._id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]
            self.events.append(reply)

    def wait_for(self, event, seconds=30):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            for e in self.events:
                if e.get("method") == event:
                    self.events.remove(e)
                    return e
            self.events.append(self._message())
        raise TimeoutError(event)

    def open(self, url):
        target = self.send("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.send("Page.enable")
        self.send("Page.navigate", url=url)
        self.wait_for("Page.loadEventFired")

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def shot(self, box):
        clip = dict(box, scale=1)
        data = self.send("Page.captureScreenshot", format="png", clip=clip, captureBeyondViewport=True)["data"]
        return base64.b64decode(data)

    def close(self):
        try:
            self.send("Browser.close")
        except (RuntimeError, OSError):
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._in)
        os.close(self._out)


BOX = """(function (e) { var r = e.getBoundingClientRect();
  return {x: r.left + window.scrollX, y: r.top + window.scrollY, width: r.width, height: r.height}; })"""


class RenderedPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.profile = tempfile.mkdtemp(prefix="duvad-chromium.")
        cls.browser = None
        try:
            cls.browser = Browser(cls.profile)
            cls.browser.open("file://" + os.path.abspath(PAGE))
        except BaseException:
            cls.tearDownClass()
            raise
        cls.tree = reference.load(ROOT)

    @classmethod
    def tearDownClass(cls):
        if cls.browser:
            cls.browser.close()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def keep(self, name, png):
        if SHOTS:
            with open(os.path.join(SHOTS, name), "wb") as f:
                f.write(png)

    def pixels(self, png):
        width, height, rows = decode_png(png)
        return width, height, [p for row in rows for p in row]

    def test_every_link_of_the_contents_reaches_a_laid_out_part(self):
        missing = self.browser.evaluate("""Array.prototype.slice.call(document.querySelectorAll('a[href^="#"]'))
            .map(function (a) { return a.getAttribute('href').substring(1); })
            .filter(function (id) { var e = document.getElementById(id);
                                    return !e || e.getBoundingClientRect().height == 0; })""")
        self.assertEqual(missing, [])
        contents = self.browser.evaluate("document.querySelector('ul.contents').innerText")
        for name in self.tree["declares"]:
            self.assertIn(name, contents)

    def test_the_contents_as_painted(self):
        box = self.browser.evaluate(BOX + "(document.querySelector('ul.contents'))")
        self.assertGreater(box["height"], 400, "the contents list every function, one line or more each")
        png = self.browser.shot(box)
        self.keep("contents.png", png)
        width, height, pixels = self.pixels(png)
        self.assertEqual((width, height), (round(box["width"]), round(box["height"])))
        ink = [p for p in pixels if min(p) < 160]
        self.assertGreater(len(ink), len(pixels) // 200, "text is painted")
        # Links are painted in a blue of their own: the contents are links.
        blue = [p for p in pixels if p[2] > 150 and p[0] < 100 and p[1] < 100]
        self.assertGreater(len(blue), len(pixels) // 200)

    def test_one_function_as_painted(self):
        text = self.browser.evaluate(f"document.getElementById('{FUNCTION}').parentNode.parentNode.innerText")
        function = self.tree["functions"][FUNCTION]
        self.assertIn(reference.c_prototype(function), text)
        self.assertIn(reference.vb_declare(self.tree["declares"][FUNCTION]), text)
        self.assertIn("Returns its length", text)
        self.assertIn("Trap: only 1 to 127 is a length", text)
        self.assertIn("n = GetWinTempPath(sTemp)", text)
        box = self.browser.evaluate(BOX + f"(document.getElementById('{FUNCTION}').parentNode.parentNode)")
        self.assertGreater(box["height"], 300)
        png = self.browser.shot(box)
        self.keep(f"{FUNCTION}.png", png)
        width, height, pixels = self.pixels(png)
        ink = [p for p in pixels if min(p) < 160]
        self.assertGreater(len(ink), len(pixels) // 200, "text is painted")
        # The declarations and the example in their grey boxes, the trap in its yellow one.
        self.assertGreater(pixels.count((0xF4, 0xF4, 0xF4)), len(pixels) // 20)
        self.assertGreater(pixels.count((0xFF, 0xF4, 0xD8)), len(pixels) // 100)
        # The heading's band, at the top.
        self.assertIn((0xE8, 0xEE, 0xF4), pixels[:width * 20])

    def test_nothing_is_wider_than_the_window(self):
        self.assertLessEqual(self.browser.evaluate("document.documentElement.scrollWidth"), 1024)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.stderr.write(__doc__)
        sys.exit(2)
    PAGE = sys.argv[1]
    SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
    unittest.main(argv=[sys.argv[0]])
