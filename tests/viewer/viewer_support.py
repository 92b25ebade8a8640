"""What the viewer's tests share: the tool started on a scratch folder, a
headless Chromium driven through chromedriver, PNG files read back, and
clean-up of all of it, also when a test fails."""
import base64
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from chromium import CHROMEDRIVER, CHROMIUM, start_chromium, stop_chromium  # noqa: E402


def skip_or_fail(reason):
    """Without the browser a test cannot run: a skip (ctest's code 77),
    except on CI, where everything must run."""
    if os.environ.get("CI") == "true":
        print("FAILED: %s (on CI every test runs; ./test.sh installs what they need)" % reason)
        sys.exit(1)
    print("SKIPPED: %s" % reason)
    sys.exit(77)


class Scratch:
    """A folder of its own with the demo puppet and the example motions."""

    def __init__(self, demo_generator, examples):
        self.dir = tempfile.mkdtemp(prefix="tavrix_view_")
        self.model_dir = os.path.join(self.dir, "demo")
        subprocess.run([demo_generator, self.model_dir], check=True, stdout=subprocess.DEVNULL)
        for name in ("demo_wave.mtn", "demo_hair.json"):
            shutil.copy(os.path.join(examples, "motions", name), self.model_dir)

    def write_voice(self, name, seconds=2.0):
        """A sound with syllables of rising and falling loudness between
        pauses, as speech opens and closes a mouth (48000 Hz, 16-bit mono)."""
        import math
        import wave
        rate = 48000
        samples = bytearray()
        for i in range(int(seconds * rate)):
            t = i / rate
            syllable = max(0.0, math.sin(2 * math.pi * 2.5 * t)) if t > 0.2 else 0.0
            value = int(12000 * syllable * math.sin(2 * math.pi * 220 * t))
            samples += value.to_bytes(2, "little", signed=True)
        with wave.open(self.path(name), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(rate)
            out.writeframes(bytes(samples))

    def path(self, *parts):
        return os.path.join(self.model_dir, *parts)

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class ViewerProcess:
    """`tavrix view` in a process group of its own, stopped with the test."""

    def __init__(self, tool, document, *args):
        self.process = subprocess.Popen([tool, "view", document, "--no-open"] + list(args),
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                        start_new_session=True)
        # The plug-in's runtime may print its start-up line first.
        lines = []
        match = None
        while not match and len(lines) < 5:
            lines.append(self.process.stdout.readline())
            match = re.search(r"^tavrix view: .* at (http://[^ ]+)", lines[-1])
        line = "".join(lines)
        if not match:
            self.stop()
            raise RuntimeError("tavrix view printed no address: %r %s" % (line, self.process.stderr.read()))
        self.url = match.group(1)
        self.host = re.match(r"http://([^/]+)/", self.url).group(1)
        self.token = self.url.split("token=")[1]

    def stop(self):
        """Stops the viewer as Ctrl+C does; its exit status and what it
        wrote on standard error."""
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        return self.process.returncode, self.process.stderr.read()


def viewer_stopped(viewer):
    """Stops the viewer and checks that it ended cleanly (under the
    sanitizers: with nothing to report)."""
    status, errors = viewer.stop()
    assert status == 0, "tavrix view ended with status %s: %s" % (status, errors)


def start_browser(width=1400, height=1100):
    """Headless Chromium with a fresh profile, nothing fetched from outside."""
    if not (os.path.exists(CHROMIUM) and os.path.exists(CHROMEDRIVER)):
        skip_or_fail("chromium and chromium-driver are not installed")
    try:
        import selenium  # noqa: F401
    except ImportError:
        skip_or_fail("python3-selenium is not installed")
    return start_chromium(width, height, ["--disable-gpu"])


def stop_browser(driver):
    stop_chromium(driver)


def wait_for(driver, script, timeout=30, what="the page"):
    """Waits until a script returns something true; that value."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for %s: %s" % (what, script))


def settle(driver):
    """Waits until the picture on the page shows the page's last state."""
    wait_for(driver, "return window.tavrixViewer && window.tavrixViewer.settled();", what="the last picture")


def page_pixels(driver):
    """The picture's RGBA pixels, read back from the page's canvas, kept in
    the page under a name for a later comparison; its size."""
    return driver.execute_script("""
        const c = document.getElementById('picture');
        window.tavrixKept = window.tavrixKept || [];
        window.tavrixKept.push(c.getContext('2d').getImageData(0, 0, c.width, c.height));
        return window.tavrixKept.length - 1;""")


def compare_with_png(driver, kept, path, what):
    """Compares a picture kept by page_pixels with an opaque PNG file, which
    the browser decodes without colour conversion; fails naming the first
    pixel that differs."""
    with open(path, "rb") as f:
        encoded = base64.b64encode(f.read()).decode("ascii")
    difference = driver.execute_async_script("""
        const [kept, encoded, done] = arguments;
        const bytes = Uint8Array.from(atob(encoded), c => c.charCodeAt(0));
        createImageBitmap(new Blob([bytes], {type: 'image/png'}),
                          {premultiplyAlpha: 'none', colorSpaceConversion: 'none'}).then(bitmap => {
            const shown = window.tavrixKept[kept];
            if (bitmap.width !== shown.width || bitmap.height !== shown.height) {
                return done(`size ${shown.width} x ${shown.height}, expected ${bitmap.width} x ${bitmap.height}`);
            }
            const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
            const g = canvas.getContext('2d');
            g.drawImage(bitmap, 0, 0);
            const expected = g.getImageData(0, 0, bitmap.width, bitmap.height).data;
            const actual = shown.data;
            for (let i = 0; i < expected.length; i++) {
                if (expected[i] !== actual[i]) {
                    const p = i >> 2;
                    return done(`pixel (${p % bitmap.width}, ${Math.floor(p / bitmap.width)}) is ` +
                                `${actual.slice(4 * p, 4 * p + 4)}, expected ${expected.slice(4 * p, 4 * p + 4)}`);
                }
            }
            done(null);
        }, error => done('the PNG could not be decoded: ' + error));""", kept, encoded)
    assert difference is None, "%s: %s" % (what, difference)


def compare_kept(driver, kept, other, what):
    """Compares two pictures kept by page_pixels."""
    difference = driver.execute_script("""
        const a = window.tavrixKept[arguments[0]], b = window.tavrixKept[arguments[1]];
        if (a.width !== b.width || a.height !== b.height) return 'the sizes differ';
        for (let i = 0; i < a.data.length; i++) if (a.data[i] !== b.data[i]) return 'byte ' + i + ' differs';
        return null;""", kept, other)
    assert difference is None, "%s: %s" % (what, difference)


class ViewerRun:
    """The demo puppet in a scratch folder, `tavrix view` on it and, when
    asked, a browser: started on entering, all of it stopped and removed on
    leaving, also when the test fails. finish() stops the viewer and checks
    that it ended cleanly."""

    def __init__(self, tool, generator, examples, browser=True, prepare=None):
        self.scratch = Scratch(generator, examples)
        self.viewer = self.driver = None
        try:
            if prepare:
                prepare(self.scratch)
            self.viewer = ViewerProcess(tool, self.scratch.path("demo.json"))
            if browser:
                self.driver = start_browser()
        except BaseException:
            self.__exit__()
            raise

    def __enter__(self):
        return self

    def finish(self):
        viewer, self.viewer = self.viewer, None
        viewer_stopped(viewer)

    def __exit__(self, *failure):
        stop_browser(self.driver)
        if self.viewer:
            self.viewer.stop()
        self.scratch.remove()
