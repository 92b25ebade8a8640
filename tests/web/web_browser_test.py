#!/usr/bin/python3
"""The web package in headless Chromium (software WebGL on Mesa's llvmpipe,
the rasteriser the tool draws with), against the native tool: a posed
puppet's pixels equal `tavrix draw`'s and its evaluated points `tavrix
inspect`'s, a frame of a motion with blinking and hairs equals `tavrix
play`'s (also when reached by seeking back), lip sync from an <audio>
element playing a spoken line opens the mouth, damaged models and files are
refused with a message while the page lives on, and the example page shows
the demo puppet (its picture is written for the README with --picture).

Skips (exit 77) when the module has not been built or Chromium is missing,
except under CI=true, where that fails."""
import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

SKIP = 77
# The page's WebGL runs on the rasteriser the tool draws with (Mesa's
# llvmpipe, through Chromium's ANGLE), so a picture differs from the tool's
# by no more than the rounding the two paths to it may add: every pixel of
# the puppet, compared in premultiplied colour and alpha (as drawn, before
# the read-back turns faint edge pixels into straight colour), lies within
# TOLERANCE levels (measured: 0). A wrong pose, texture or blend breaks it.
TOLERANCE = 2
SIZE = (320, 400)
POSES = [
    {},
    {"PARAM_ANGLE_X": 20, "PARAM_ANGLE_Z": -12, "PARAM_ARM_R": 10, "PARAM_MOUTH_OPEN_Y": 1,
     "PARAM_EYE_L_OPEN": 0.3, "PARAM_MOUTH_FORM": 1, "PARAM_BODY_ANGLE_X": -6},
]
FPS = 30
FRAMES = [45, 20]  # seeking back replays from frame 0

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def run(command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(command), result.stderr.strip()))
    return result


def damaged_models(seeds, folder):
    """Models spoilt the ways files get spoilt: cut short, the end marker
    lost, an unknown format version, bytes overwritten; from the fuzz seeds."""
    os.makedirs(folder)
    names = []
    generator = random.Random(26)
    for seed in sorted(os.listdir(seeds)):
        with open(os.path.join(seeds, seed), "rb") as f:
            good = f.read()
        base = os.path.splitext(seed)[0]
        variants = {
            "cut-third": good[:len(good) // 3],
            "cut-end": good[:-3],
            "no-end-marker": good[:-4] + b"\0\0\0\0",
            "version-99": good[:4] + bytes([99]) + good[5:],
            "empty": b"",
        }
        spoilt = bytearray(good)
        for _ in range(16):
            spoilt[generator.randrange(8, len(spoilt))] = generator.randrange(256)
        variants["overwritten"] = bytes(spoilt)
        for kind, data in variants.items():
            name = "%s-%s.moc" % (base, kind)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            names.append(name)
    return names


def make_site(args, work):
    site = os.path.join(work, "site")
    demo = os.path.join(site, "example", "demo")
    os.makedirs(demo)
    for name in ["tavrix.js", "tavrix-core.js", "tavrix-core.wasm"]:
        os.symlink(os.path.join(args.web, name), os.path.join(site, name))
    os.symlink(os.path.join(args.web, "example", "index.html"), os.path.join(site, "example", "index.html"))
    run([args.demo_generator, demo])
    for name in ["demo_wave.mtn", "demo_hair.json"]:
        shutil.copy(os.path.join(args.motions, name), demo)
    run(["espeak-ng", "-w", os.path.join(demo, "voice.wav"), "Hello! I am a puppet on a web page."])
    # Files that are wrong in other ways than a damaged model.
    with open(os.path.join(demo, "demo_body.png"), "rb") as f:
        body = f.read()
    with open(os.path.join(site, "broken-texture.png"), "wb") as f:
        f.write(body[:len(body) // 2])
    with open(os.path.join(site, "broken-texture.json"), "w") as f:
        f.write('{"model": "example/demo/demo.moc", "textures": ["broken-texture.png", '
                '"example/demo/demo_head.png", "example/demo/demo_face.png"]}')
    with open(os.path.join(site, "no-model.json"), "w") as f:
        f.write('{"textures": []}')
    with open(os.path.join(site, "bad-hair.json"), "w") as f:
        f.write('[{"length": 0, "targets": [{"id": "PARAM_HAIR_FRONT"}]}]')
    seeds = os.path.join(work, "seeds")
    run([args.fuzz_seeds, seeds])
    return site, demo, damaged_models(os.path.join(seeds, "moc"), os.path.join(site, "damaged"))


def premultiplied_differences(a, b):
    """Per pixel drawn in either picture, the largest difference of its
    premultiplied colour channels and alpha."""
    differences = []
    for i in range(0, len(a), 4):
        if a[i + 3] or b[i + 3]:
            worst = abs(a[i + 3] - b[i + 3])
            for c in range(3):
                worst = max(worst, abs((a[i + c] * a[i + 3] + 127) // 255 - (b[i + c] * b[i + 3] + 127) // 255))
            differences.append(worst)
    return differences


def compare(label, reference_path, pixels, work):
    width, height, reference = browser.read_png(reference_path)
    page = pixels["data"]
    same_size = (width, height) == (pixels["width"], pixels["height"]) and len(page) == len(reference)
    check(same_size, "%s: %d x %d like the tool's" % (label, pixels["width"], pixels["height"]))
    if not same_size:
        return
    differences = premultiplied_differences(page, reference)
    check(len(differences) > width * height // 10, "%s: the puppet is drawn (%d pixels)" % (label, len(differences)))
    beyond = sum(1 for d in differences if d > TOLERANCE)
    worst = max(differences, default=0)
    good = beyond == 0
    check(good, "%s: the puppet's pixels lie within %d levels of the tool's (largest difference %d; %d beyond)"
          % (label, TOLERANCE, worst, beyond))
    if not good:
        browser.write_png(os.path.join(work, label.replace(" ", "_") + "-page.png"), width, height, page)


def compare_geometry(label, tool, page):
    """The evaluated points of every mesh and deformer, as `inspect --json`
    prints them (floats to 9 digits, which tells every float apart)."""
    differing = []
    for kind in ["meshes", "deformers"]:
        for ours, theirs in zip(tool[kind], page.get(kind, [])):
            if ours.get("points") != theirs.get("points"):
                differing.append(ours["id"])
    same_shape = [m["id"] for m in tool["meshes"]] == [m["id"] for m in page.get("meshes", [])]
    check(same_shape and not differing, "%s: the page's evaluated points of %d meshes and %d deformers equal the "
          "tool's%s" % (label, len(tool["meshes"]), len(tool["deformers"]),
                        " (differ: %s)" % ", ".join(differing) if differing else ""))


# Loads a puppet into a canvas of SIZE; returns the Puppet (kept in window.puppets).
LOAD = """
const { Puppet } = await import('/tavrix.js');
const canvas = Object.assign(document.createElement('canvas'), { width: %d, height: %d });
document.body.append(canvas);
window.puppets = window.puppets || [];
""" % SIZE

# Pixels come back base64-encoded: selenium's JSON of a typed array is slow.
PIXELS = """
const text = Array.from({ length: Math.ceil(pixels.data.length / 32768) },
  (_, i) => String.fromCharCode(...pixels.data.subarray(i * 32768, (i + 1) * 32768))).join('');
return { width: pixels.width, height: pixels.height, data: btoa(text) };
"""


def decoded(result):
    import base64
    if "error" in result:
        raise RuntimeError(result["error"])
    result["data"] = base64.b64decode(result["data"])
    return result


def test_pixels(page, args, work):
    for i, pose in enumerate(POSES):
        reference = os.path.join(work, "draw-%d.png" % i)
        sets = [word for key, value in pose.items() for word in ["--set", "%s=%s" % (key, value)]]
        run([args.tool, "draw", os.path.join(args.site_demo, "demo.json"), "--size", "%dx%d" % SIZE, "-o", reference]
            + sets)
        pixels = decoded(page.run(LOAD + """
const puppet = await Puppet.load(canvas, 'example/demo/demo.json', { start: false });
for (const [id, value] of Object.entries(arguments[0])) puppet.setParam(id, value);
const pixels = puppet.readPixels(0);
window.facts = puppet.inspect(0);
puppet.destroy();
""" + PIXELS, pose))
        compare("pose %d" % i, reference, pixels, work)
        inspected = run([args.tool, "inspect", "--json", os.path.join(args.site_demo, "demo.moc")] + sets)
        compare_geometry("pose %d" % i, json.loads(inspected.stdout), page.run("return window.facts;"))


def test_motion_frames(page, args, work):
    demo = args.site_demo
    pattern = os.path.join(work, "play_####.png")
    params_path = os.path.join(work, "params.jsonl")
    run([args.tool, "play", "--params-json", params_path, os.path.join(demo, "demo.json"), "--motion", os.path.join(demo, "demo_wave.mtn"),
         "--blink", "7", "--physics", os.path.join(demo, "demo_hair.json"), "--fps", str(FPS),
         "--size", "%dx%d" % SIZE, "-s", str(min(FRAMES)), "-e", str(max(FRAMES)), "-q", "-o", pattern])
    page.run(LOAD + """
const puppet = await Puppet.load(canvas, 'example/demo/demo.json', { fps: %d, start: false });
await puppet.playMotion('example/demo/demo_wave.mtn', { at: 0 });
puppet.blink(7);
await puppet.physics('example/demo/demo_hair.json');
window.motionPuppet = puppet;
""" % FPS)
    with open(params_path) as f:
        tool_params = {line["frame"]: line["params"] for line in map(json.loads, f)}
    for frame in FRAMES:
        pixels = decoded(page.run("const pixels = window.motionPuppet.readPixels(%r);" % (frame / FPS) + PIXELS))
        compare("motion frame %d" % frame, pattern.replace("####", "%04d" % frame), pixels, work)
        # The values behind the picture: motions, blink and hairs (whose
        # pendulum takes sines and cosines from the platform's maths library).
        values = page.run("return Object.fromEntries(window.motionPuppet.params.map("
                          "(p) => [p.id, window.motionPuppet.getParam(p.id)]));")
        differences = {id: abs(values[id] - value) for id, value in tool_params[frame].items() if id in values}
        worst = max(differences, key=differences.get)
        check(differences[worst] <= 1e-4, "motion frame %d: the %d parameters equal the tool's (largest difference "
              "%.2g, %s)" % (frame, len(differences), differences[worst], worst))
        # The same values evaluate to the same points.
        sets = [word for id, value in values.items() for word in ["--set", "%s=%r" % (id, value)]]
        inspected = run([args.tool, "inspect", "--json", os.path.join(demo, "demo.moc")] + sets)
        compare_geometry("motion frame %d" % frame, json.loads(inspected.stdout),
                         page.run("return window.motionPuppet.inspect(%r);" % (frame / FPS)))
    page.run("window.motionPuppet.destroy();")


def test_lip_sync(page):
    result = page.run(LOAD + """
const audio = Object.assign(document.createElement('audio'), { src: 'example/demo/voice.wav' });
document.body.append(audio);
const puppet = await Puppet.load(canvas, 'example/demo/demo.json', { fps: 30 });
await puppet.lipSync(audio);
const frames = () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
await frames();
const silent = puppet.getParam('PARAM_MOUTH_OPEN_Y');
await audio.play();
let widest = 0;
const begin = performance.now();
while (performance.now() - begin < 2500 && widest < 0.6) {
  await frames();
  widest = Math.max(widest, puppet.getParam('PARAM_MOUTH_OPEN_Y'));
}
audio.pause();
puppet.destroy();
return { silent, widest };
""")
    check("error" not in result, "lip sync starts: %s" % result.get("error", "ok"))
    if "error" not in result:
        check(result["silent"] == 0, "the mouth is closed before the sound (%g)" % result["silent"])
        check(result["widest"] >= 0.6, "the spoken line opens the mouth (to %.2f)" % result["widest"])


def test_damaged_files(page, damaged):
    outcomes = page.run(LOAD + """
const outcomes = {};
for (const name of arguments[0]) {
  try {
    const puppet = await Puppet.load(canvas.cloneNode(), 'damaged/' + name, { start: false });
    puppet.readPixels(0);
    puppet.destroy();
    outcomes[name] = 'loaded';
  } catch (error) {
    outcomes[name] = error.name + ': ' + error.message;
  }
}
const attempt = async (work) => { try { await work(); return 'accepted'; } catch (error) { return error.message; } };
const good = await Puppet.load(canvas, 'example/demo/demo.json', { start: false });
outcomes['bad hair file'] = await attempt(() => good.physics('bad-hair.json'));
outcomes['bad motion'] = await attempt(() => good.playMotion(new Uint8Array([0, 1, 2, 3])));
outcomes['unknown parameter'] = await attempt(() => good.setParam('PARAM_NOT_THERE', 1));
outcomes['no model member'] = await attempt(() => Puppet.load(canvas.cloneNode(), 'no-model.json'));
const broken = await Puppet.load(canvas.cloneNode(), 'broken-texture.json', { start: false });
outcomes['broken texture'] = broken.warnings.join(' ');
broken.destroy();
const pixels = good.readPixels(0);
outcomes.afterwards = pixels.data.filter((value, i) => i %% 4 === 3 && value > 0).length;
good.destroy();
return outcomes;
""".replace("%%", "%"), damaged)
    check("error" not in outcomes, "damaged files: %s" % outcomes.get("error", "the page ran them all"))
    if "error" in outcomes:
        return
    refused = 0
    for name in damaged:
        outcome = outcomes[name]
        if outcome == "loaded":
            continue
        refused += 1
        check(outcome.startswith("TavrixError: ") and "/damaged/" + name + ": cannot load model: result " in outcome,
              "%s: refused with the runtime's message (%s)" % (name, outcome))
    # Formats before 8 have no end marker: cut at the end they may still load.
    for kind in ["cut-third", "cut-end", "no-end-marker", "version-99", "empty"]:
        spoilt = [n for n in damaged if kind in n and (kind in ("cut-third", "version-99", "empty") or "-v7" not in n)]
        check(all(outcomes[n] != "loaded" for n in spoilt), "every %s model is refused" % kind)
    print("     %d of %d damaged models refused, the rest still load and draw" % (refused, len(damaged)))
    check("[0].length: must be above 0" in outcomes["bad hair file"],
          "a bad hair file is named with its member (%s)" % outcomes["bad hair file"])
    check("not a motion" in outcomes["bad motion"], "a bad motion says so (%s)" % outcomes["bad motion"])
    check("PARAM_NOT_THERE" in outcomes["unknown parameter"], "an unknown parameter is named")
    check("model is missing" in outcomes["no model member"], "a model JSON without a model says so")
    check("broken-texture.png: cannot decode texture 0" in outcomes["broken texture"],
          "an undecodable texture is a warning naming it (%s)" % outcomes["broken texture"])
    check(outcomes["afterwards"] > 1000, "the page still loads and draws a puppet afterwards")


def test_example_page(page, picture):
    page.driver.get(page.site + "/example/")
    result = page.run("""
const element = document.getElementById('puppet');
if (!element.puppet) {
  await new Promise((resolve, reject) => {
    element.addEventListener('load', resolve, { once: true });
    element.addEventListener('error', (event) => reject(new Error(event.message)), { once: true });
  });
}
document.getElementById('wave').click();
const arm = document.querySelectorAll('input[type=range]')[11];
arm.value = 4;
arm.dispatchEvent(new Event('input'));
await new Promise((resolve) => setTimeout(resolve, 1300));
return { params: element.puppet.params.length, sliders: document.querySelectorAll('input[type=range]').length,
         status: document.getElementById('status').textContent, running: element.puppet.running };
""")
    check("error" not in result, "the example page loads its puppet: %s" % result.get("error", "ok"))
    if "error" in result:
        return
    check(result["params"] == 15 and result["sliders"] == 15, "a slider for each of the demo's 15 parameters")
    check(result["running"] and result["status"] == "", "it plays without an error (%r)" % result["status"])
    if picture:
        page.driver.save_screenshot(picture)
        print("     wrote %s" % picture)
    # Taken off the page, the element stops drawing.
    stopped = page.run("""
const element = document.getElementById('puppet');
element.remove();
return !element.puppet.running;
""")
    check(stopped is True, "the draw loop stops when the element leaves the page")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True)
    parser.add_argument("--demo-generator", required=True)
    parser.add_argument("--fuzz-seeds", required=True)
    parser.add_argument("--motions", required=True)
    parser.add_argument("--web", required=True, help="the package folder with the built module")
    parser.add_argument("--picture", help="write the example page's screenshot here")
    parser.add_argument("--timeout", type=int, default=280)
    args = parser.parse_args()
    args.web = os.path.abspath(args.web)
    ci = os.environ.get("CI") == "true"
    missing = [p for p in [os.path.join(args.web, "tavrix-core.wasm"), browser.CHROMIUM, browser.CHROMEDRIVER,
                           shutil.which("espeak-ng") or "espeak-ng"] if not os.path.exists(p)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium")
    if missing:
        print("web test: missing %s (web/build.sh builds the module; scripts/install-deps.sh --test installs "
              "the rest)" % ", ".join(missing))
        return 1 if ci else SKIP

    browser.stop_after(args.timeout)
    work = tempfile.mkdtemp(prefix="tavrix-web-test-")
    site_server = page = None
    try:
        site, args.site_demo, damaged = make_site(args, work)
        site_server = browser.Site(site)
        page = browser.Browser(webgl="llvmpipe")
        renderer = page.renderer()
        check("llvmpipe" in renderer, "the page's WebGL draws with llvmpipe, as the tool does (%s)" % renderer)
        page.site = site_server.url
        page.driver.get(site_server.url + "/")
        started = time.time()
        test_pixels(page, args, work)
        test_motion_frames(page, args, work)
        test_lip_sync(page)
        test_damaged_files(page, damaged)
        test_example_page(page, args.picture)
        print("     %.1f s in the browser" % (time.time() - started))
    finally:
        if page:
            page.close()
        if site_server:
            site_server.close()
        if failures:
            print("pictures that differ, if any, are kept in %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
