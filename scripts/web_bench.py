#!/usr/bin/python3
"""Figures of the web package, as JSON on standard output: the gzipped size
of the module and its loader, frames per second of the demo puppet at
640 x 800 in headless Chromium (software WebGL), the time to draw one such
frame, and the time of a model update in WebAssembly (the same loop as
bench_model's BM_UpdateDemoModel natively).
    web_bench.py DEMO_GENERATOR MOTIONS_FOLDER"""
import gzip
import json
import os
import shutil
import subprocess
import sys
import tempfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "web"))
import browser  # noqa: E402


def main(generator, motions):
    web = os.path.join(root, "web")
    sizes = {}
    for name in ["tavrix-core.wasm", "tavrix-core.js", "tavrix.js"]:
        with open(os.path.join(web, name), "rb") as f:
            data = f.read()
        sizes[name] = {"bytes": len(data), "gzipped": len(gzip.compress(data, 9))}
    work = tempfile.mkdtemp(prefix="tavrix-web-bench-")
    site = page = None
    try:
        for name in ["tavrix.js", "tavrix-core.js", "tavrix-core.wasm"]:
            os.symlink(os.path.join(web, name), os.path.join(work, name))
        demo = os.path.join(work, "demo")
        subprocess.run([generator, demo], check=True, capture_output=True)
        for name in ["demo_wave.mtn", "demo_hair.json"]:
            shutil.copy(os.path.join(motions, name), demo)
        browser.stop_after(240)
        site = browser.Site(work)
        page = browser.Browser()
        page.driver.get(site.url + "/")
        figures = page.run("""
const { Puppet } = await import('/tavrix.js');
const canvas = Object.assign(document.createElement('canvas'), { width: 640, height: 800 });
document.body.append(canvas);
const puppet = await Puppet.load(canvas, 'demo/demo.json', { fps: 60 });
await puppet.playMotion('demo/demo_wave.mtn', { at: 0, loop: true });
puppet.blink(7);
await puppet.physics('demo/demo_hair.json');
// Frames the draw loop shows in 5 seconds.
let frames = 0;
const count = () => { frames += 1; if (performance.now() - begin < 5000) requestAnimationFrame(count); };
await new Promise((resolve) => setTimeout(resolve, 500));
const begin = performance.now();
requestAnimationFrame(count);
await new Promise((resolve) => setTimeout(resolve, 5200));
const fps = frames / ((performance.now() - begin) / 1000);
puppet.stop();
// One frame drawn and finished (a pixel read back waits for it), best of 30.
const gl = canvas.getContext('webgl');
const pixel = new Uint8Array(4);
let draw = Infinity;
for (let i = 0; i < 30; ++i) {
  const start = performance.now();
  puppet.drawFrame(i / 30);
  gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  draw = Math.min(draw, performance.now() - start);
}
let update = Infinity;
for (let i = 0; i < 5; ++i) update = Math.min(update, puppet.measureUpdate('PARAM_ANGLE_X', 'PARAM_BODY_ANGLE_X', 5000));
return { fps, drawMs: draw, updateMs: update, userAgent: navigator.userAgent,
         renderer: gl.getParameter(gl.RENDERER) };
""")
        if "error" in figures:
            raise RuntimeError(figures["error"])
        figures["sizes"] = sizes
        json.dump(figures, sys.stdout, indent=1)
        print()
    finally:
        if page:
            page.close()
        if site:
            site.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
