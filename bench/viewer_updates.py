#!/usr/bin/python3
"""Updates per second while a slider is dragged, measured in the browser:
headless Chromium opens `tavrix view` on the demo puppet (640 x 800), moves
PARAM_ANGLE_X back and forth sixty times a second for a few seconds, and
counts the new pictures the page puts on screen. Also times what the page
spends showing a picture, and what decoding the same picture would cost as
a PNG or a JPEG. Writes one JSON object.

    viewer_updates.py TOOL DEMO_GENERATOR EXAMPLES_DIR OUT.json [SECONDS]
"""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "viewer"))
from viewer_support import ViewerRun, settle  # noqa: E402

DRAG = """
const [seconds, done] = arguments;
const viewer = window.tavrixViewer;
const slider = viewer.view.session.sliders.find(s => s.name === 'PARAM_ANGLE_X');
const range = document.getElementById('slider-' + slider.index);
const shown = [];
const original = window.requestAnimationFrame;
let frames = 0, last = null;
const watch = setInterval(() => {
    const h = viewer.lastHeader();
    if (h !== last) { last = h; frames++; shown.push(h.renderMs); }
}, 1);
let moves = 0;
const start = performance.now();
const mover = setInterval(() => {
    const t = (performance.now() - start) / 1000;
    range.value = (25 * Math.sin(t * 2 * Math.PI / 2)).toFixed(2);
    range.dispatchEvent(new Event('input', {bubbles: true}));
    moves++;
    if (t >= seconds) {
        clearInterval(mover);
        const elapsed = (performance.now() - start) / 1000;
        const wait = setInterval(() => {
            if (!viewer.settled()) return;
            clearInterval(wait); clearInterval(watch);
            const sorted = shown.slice().sort((a, b) => a - b);
            done({updates: frames, seconds: elapsed, moves,
                  updatesPerSecond: frames / elapsed,
                  medianRenderMs: sorted[Math.floor(sorted.length / 2)]});
        }, 5);
    }
}, 1000 / 60);
"""

# The cost, in the page, of the three ways a picture could come: raw RGBA
# put on the canvas, or a PNG or JPEG of it decoded first.
DECODE = """
const done = arguments[0];
const canvas = document.getElementById('picture');
const g = canvas.getContext('2d');
const image = g.getImageData(0, 0, canvas.width, canvas.height);
const rounds = 20;
const time = async (work) => {
    const best = [];
    for (let i = 0; i < rounds; i++) { const t = performance.now(); await work(); best.push(performance.now() - t); }
    best.sort((a, b) => a - b); return best[0];
};
const blobOf = (type, quality) => new Promise(r => canvas.toBlob(r, type, quality));
(async () => {
    const png = await blobOf('image/png');
    const jpeg = await blobOf('image/jpeg', 0.9);
    const raw = await time(async () => g.putImageData(new ImageData(new Uint8ClampedArray(image.data), image.width, image.height), 0, 0));
    const decode = async (blob) => { const b = await createImageBitmap(blob); g.drawImage(b, 0, 0); b.close(); };
    done({rawShowMs: raw, pngShowMs: await time(() => decode(png)), jpegShowMs: await time(() => decode(jpeg)),
          rawBytes: image.data.length, pngBytes: png.size, jpegBytes: jpeg.size});
})();
"""


def main(tool, generator, examples, out, seconds="5"):
    with ViewerRun(tool, generator, examples) as run:
        driver = run.driver
        driver.set_script_timeout(120)
        driver.get(run.viewer.url)
        settle(driver)
        result = driver.execute_async_script(DRAG, float(seconds))
        result.update(driver.execute_async_script(DECODE))
        result["size"] = driver.execute_script(
            "const c = document.getElementById('picture'); return [c.width, c.height];")
        run.finish()
    with open(out, "w") as f:
        json.dump(result, f, indent=1)
    print(json.dumps(result))


if __name__ == "__main__":
    main(*sys.argv[1:])
