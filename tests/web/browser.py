"""What the web package's browser test and benchmark share: the site served
on a free local port, headless Chromium driven through selenium (software
WebGL), PNG files read and written with the standard library, and the
clean-up of everything started, also when the run is cut short."""
import functools
import http.server
import os
import signal
import socket
import struct
import sys
import threading
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from chromium import CHROMEDRIVER, CHROMIUM, start_chromium, stop_chromium  # noqa: E402,F401


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".js": "text/javascript", ".mjs": "text/javascript"}

    def log_message(self, *args):
        pass


class Site:
    """A folder served on 127.0.0.1 at a free port, in a thread of this process."""

    def __init__(self, folder):
        handler = functools.partial(QuietHandler, directory=folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d" % self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


# Chromium's software WebGL: SwiftShader, its own rasteriser, or ANGLE on the
# machine's OpenGL ES through EGL, which here is Mesa's llvmpipe, the
# rasteriser the tool draws with (headless, no display needed).
WEBGL_FLAGS = {
    "swiftshader": ["--enable-unsafe-swiftshader"],
    "llvmpipe": ["--ozone-platform=headless", "--use-angle=gl-egl", "--ignore-gpu-blocklist"],
}


class Browser:
    """Headless Chromium with software WebGL (see WEBGL_FLAGS), in a fresh profile."""

    def __init__(self, width=1000, height=800, webgl="swiftshader"):
        self.driver = start_chromium(width, height, WEBGL_FLAGS[webgl] + ["--mute-audio"], script_timeout=120)

    def renderer(self):
        """What draws the page's WebGL, as the browser names it."""
        return self.driver.execute_script("""
const gl = document.createElement('canvas').getContext('webgl');
if (!gl) return 'no WebGL';
const info = gl.getExtension('WEBGL_debug_renderer_info');
return gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER);""")

    def run(self, script, *arguments):
        """Runs an async function body on the page: `return` gives its value
        back; a thrown error comes back as {"error": message}."""
        wrapped = ("const done = arguments[arguments.length - 1];"
                   "(async (...args) => {" + script + "})(...Array.from(arguments).slice(0, -1))"
                   ".then(done, (e) => done({error: String(e && e.message || e)}));")
        return self.driver.execute_async_script(wrapped, *arguments)

    def close(self):
        stop_chromium(self.driver)


def stop_after(seconds):
    """Raises TimeoutError in the main thread after seconds, so that the
    finally blocks stop the browser and the server before the test runner
    kills the script."""
    def expired(signum, frame):
        raise TimeoutError("gave up after %d s" % seconds)
    signal.signal(signal.SIGALRM, expired)
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(1))
    signal.alarm(seconds)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def read_png(path):
    """(width, height, RGBA bytes) of an 8-bit RGB or RGBA PNG (what the tool
    writes: RGB when every pixel is opaque)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s: not a PNG file" % path)
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("%s: not a plain 8-bit RGB or RGBA PNG" % path)
    raw = zlib.decompress(idat)
    channels = 4 if colour == 6 else 3
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    pixels = b"".join(rows)
    if channels == 3:
        opaque = bytearray(width * height * 4)
        for c in range(3):
            opaque[c::4] = pixels[c::3]
        opaque[3::4] = b"\xff" * (width * height)
        pixels = bytes(opaque)
    return width, height, pixels


def write_png(path, width, height, rgba):
    rows = b"".join(b"\x00" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def largest_difference(a, b):
    """The largest difference of any channel of two equal-sized RGBA pictures,
    and how many channels differ."""
    worst, count = 0, 0
    for x, y in zip(a, b):
        if x != y:
            count += 1
            worst = max(worst, abs(x - y))
    return worst, count
