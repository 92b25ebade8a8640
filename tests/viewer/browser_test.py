#!/usr/bin/python3
"""The viewer in a real browser: headless Chromium opens `tavrix view` on the
demo puppet, drags a slider (in two tabs at once), plays the demo motion with
blinking and lip sync, and builds a two-key shot on the timeline; every
picture the page shows is compared, pixel for pixel, with what `tavrix draw`,
`tavrix play` and `tavrix render` write for the same options.

    browser_test.py TOOL DEMO_GENERATOR EXAMPLES_DIR [SCREENSHOT.png]
"""
import base64
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from viewer_support import ViewerRun, compare_kept, compare_with_png, page_pixels, settle, wait_for  # noqa: E402

WHITE = "#ffffff"
SIZE = "320x400"


class Page:
    """One tab of the viewer, driven as a user drives it."""

    def __init__(self, driver):
        self.driver = driver
        self.handle = driver.current_window_handle

    def js(self, script, *args):
        self.driver.switch_to.window(self.handle)
        return self.driver.execute_script(script, *args)

    def js_async(self, script, *args):
        self.driver.switch_to.window(self.handle)
        return self.driver.execute_async_script(script, *args)

    def set_field(self, element_id, value):
        """Types a value into a field and leaves it."""
        self.js("""const field = document.getElementById(arguments[0]);
                   field.value = arguments[1];
                   field.dispatchEvent(new Event('change', {bubbles: true}));""", element_id, str(value))

    def set_checkbox(self, element_id, checked):
        self.js("const box = document.getElementById(arguments[0]); if (box.checked !== arguments[1]) box.click();",
                element_id, checked)

    def choose(self, element_id, value):
        self.set_field(element_id, value)

    def click(self, element_id):
        self.js("document.getElementById(arguments[0]).click();", element_id)

    def slider(self, name):
        return self.js("return window.tavrixViewer.view.session.sliders.find(s => s.name === arguments[0]).index;", name)

    def header(self):
        return self.js("return window.tavrixViewer.lastHeader();")

    def settle(self):
        self.driver.switch_to.window(self.handle)
        settle(self.driver)

    def picture(self):
        self.settle()
        return page_pixels(self.driver)

    def matches(self, kept, png, what):
        self.driver.switch_to.window(self.handle)
        compare_with_png(self.driver, kept, png, what)

    def open(self, url):
        self.driver.get(url)
        self.settle()
        assert "token=" not in self.driver.current_url, "the token stays in the address bar"
        self.origin = self.driver.execute_script("return location.origin;")
        # Small pictures keep the comparisons quick; a model's layer follows
        # the width, as `tavrix draw --size` draws it.
        self.set_field("comp-width", 320)
        self.set_field("comp-height", 400)
        self.set_checkbox("background-on", True)
        self.settle()


class Tool:
    def __init__(self, tool, scratch):
        self.tool = tool
        self.scratch = scratch

    def __call__(self, *args):
        result = subprocess.run([self.tool] + list(args), capture_output=True, text=True)
        assert result.returncode == 0, "tavrix %s failed: %s" % (" ".join(args), result.stderr)

    def out(self, name):
        return os.path.join(self.scratch.dir, name)


def drag_slider(page, tool, model):
    """A slider dragged with the mouse shows what `tavrix draw` draws for the
    value it reached, in two tabs at once; the export is draw's file."""
    from selenium.webdriver.common.action_chains import ActionChains
    angle_x = page.slider("PARAM_ANGLE_X")
    slider = page.driver.find_element("id", "slider-%d" % angle_x)
    ActionChains(page.driver).click_and_hold(slider).move_by_offset(23, 0).move_by_offset(9, 0).release().perform()
    kept = page.picture()
    options = page.header()["setOptions"].split()
    assert options[:1] == ["--set"] and options[1].startswith("PARAM_ANGLE_X="), "no slider moved: %r" % options
    tool("draw", model, *options, "--size", SIZE, "--background", WHITE, "-o", tool.out("drawn.png"))
    page.matches(kept, tool.out("drawn.png"), "the dragged slider (%s)" % options[1])

    # A second tab moves the same slider elsewhere while the first one moves
    # it away and back: their requests meet on the server, and each tab ends
    # on its own picture. The cookie the first tab got lets the second in.
    dragged = page.js("return window.tavrixViewer.view.values[arguments[0]];", angle_x)
    page.driver.switch_to.new_window("tab")
    other = Page(page.driver)
    other.open(page.origin + "/")
    for value in (5, -17.5):
        other.set_field("number-%d" % angle_x, value)
        page.set_field("number-%d" % angle_x, -value)
    page.set_field("number-%d" % angle_x, dragged)
    tool("draw", model, "--set", "PARAM_ANGLE_X=-17.5", "--size", SIZE, "--background", WHITE, "-o",
         tool.out("other.png"))
    other.matches(other.picture(), tool.out("other.png"), "the second tab")
    page.matches(page.picture(), tool.out("drawn.png"), "the first tab, beside the second")
    page.driver.switch_to.window(other.handle)
    page.driver.close()
    page.driver.switch_to.window(page.handle)

    page.set_checkbox("background-on", False)
    page.settle()
    exported = page.js_async("""
        const done = arguments[arguments.length - 1];
        fetch('/api/export', {method: 'POST', headers: {'Content-Type': 'application/json'},
                              body: JSON.stringify(window.tavrixViewer.stateForServer())})
          .then(r => r.arrayBuffer())
          .then(b => { let s = ''; const u = new Uint8Array(b);
                       for (let i = 0; i < u.length; i += 32768) s += String.fromCharCode.apply(null, u.subarray(i, i + 32768));
                       done(btoa(s)); });""")
    tool("draw", model, *options, "--size", SIZE, "-o", tool.out("plain.png"))
    with open(tool.out("plain.png"), "rb") as f:
        assert base64.b64decode(exported) == f.read(), "the exported PNG is not the file tavrix draw writes"
    page.set_checkbox("background-on", True)
    page.click("reset-%d" % angle_x)
    page.settle()


def play_motion(page, tool, model, scratch):
    """The demo motion (dropped onto the page) with blinking and lip sync,
    played, paused, stepped: each frame shown is the one `tavrix play`
    writes for it."""
    # The motion dropped onto the page, as a user drops a file.
    with open(scratch.path("demo_wave.mtn")) as f:
        page.js("""const drop = new DataTransfer();
                   drop.items.add(new File([arguments[0]], 'dropped_wave.mtn'));
                   document.dispatchEvent(new DragEvent('drop', {dataTransfer: drop, bubbles: true}));""", f.read())
    wait_for(page.driver, "return window.tavrixViewer.view.animation.motions.length === 1;", what="the dropped motion")
    page.set_checkbox("blink-on", True)
    page.choose("sound-list", "voice.wav")
    wait_for(page.driver, "const h = window.tavrixViewer.lastHeader(); return h && h.naturalFrameCount === 91;",
             what="the motion's length")
    page.click("play")
    wait_for(page.driver, "return window.tavrixViewer.lastHeader().frame >= 15;", what="playing")
    page.click("pause")
    kept = page.picture()
    frame = page.header()["frame"]
    frames = tool.out("play_####.png")
    tool("play", model, "--motion", scratch.path("demo_wave.mtn"), "--blink", "7", "--lipsync", scratch.path("voice.wav"),
         "--size", SIZE, "--background", WHITE, "-s", str(frame), "-e", str(frame + 1), "-q", "-o", frames)
    page.matches(kept, tool.out("play_%04d.png" % frame), "frame %d of the motion" % frame)
    # One on, and back: going back plays again from the start.
    page.click("step-forward")
    page.matches(page.picture(), tool.out("play_%04d.png" % (frame + 1)), "frame %d, stepped to" % (frame + 1))
    page.click("step-back")
    page.matches(page.picture(), tool.out("play_%04d.png" % frame), "frame %d, stepped back to" % frame)
    page.js("document.querySelector('#motions button').click();")
    page.set_checkbox("blink-on", False)


def two_key_shot(page, tool, scratch):
    """Keys at frames 0 and 10, the sound still talking, saved as a project:
    `tavrix render` gives the frames the page showed, and the project opens
    again with its keys."""
    angle_x = page.slider("PARAM_ANGLE_X")
    page.set_field("comp-frames", 11)
    page.set_field("frame-number", 0)
    page.set_field("number-%d" % angle_x, -20)
    page.click("key-%d" % angle_x)
    page.set_field("frame-number", 10)
    page.set_field("number-%d" % angle_x, 25)
    keys = page.js("return window.tavrixViewer.view.keys[arguments[0]];", angle_x)
    assert keys == [[0, -20], [10, 25]], keys
    assert page.js("return document.querySelectorAll('#lane-%d .key').length;" % angle_x) == 2
    page.set_field("frame-number", 4)
    shown = page.picture()
    page.set_field("save-name", "shot.json")
    page.click("save-project")
    wait_for(page.driver, "return document.getElementById('status').textContent.startsWith('Saved shot.json');",
             what="the save")
    tool("render", scratch.path("shot.json"), "-s", "4", "-e", "4", "--background", WHITE, "-q",
         "-o", tool.out("shot_####.png"))
    page.matches(shown, tool.out("shot_0004.png"), "frame 4 of the saved shot")
    with open(scratch.path("shot.json")) as f:
        saved = f.read()
    assert '"audio"' in saved and "voice.wav" in saved, "the shot keeps its sound: %s" % saved

    page.choose("project-list", "shot.json")
    page.click("open-project")
    wait_for(page.driver, "return document.getElementById('document-kind').textContent === 'project' && "
                          "document.querySelectorAll('#lane-%d .key').length === 2;" % angle_x,
             what="the reopened shot's keys")
    page.set_checkbox("background-on", True)
    page.set_field("frame-number", 4)
    compare_kept(page.driver, page.picture(), shown, "frame 4 of the reopened shot")

    # Keys move when dragged along their lane, and go when double-clicked.
    from selenium.webdriver.common.action_chains import ActionChains
    keys = page.driver.find_elements("css selector", "#lane-%d .key" % angle_x)
    lane = page.driver.find_element("id", "lane-%d" % angle_x)
    ActionChains(page.driver).click_and_hold(keys[1]).move_by_offset(-lane.size["width"] // 5, 0).release().perform()
    moved = page.js("return window.tavrixViewer.view.keys[arguments[0]];", angle_x)
    assert moved[0] == [0, -20] and moved[1][1] == 25 and 6 <= moved[1][0] <= 9, moved
    ActionChains(page.driver).double_click(page.driver.find_elements("css selector", "#lane-%d .key" % angle_x)[0]).perform()
    assert page.js("return window.tavrixViewer.view.keys[arguments[0]];", angle_x) == [[moved[1][0], 25]]


def look_inside(page):
    """The rig over the picture: pointing at the face names a mesh, and the
    draw order lists the meshes."""
    from selenium.webdriver.common.action_chains import ActionChains
    page.set_checkbox("show-meshes", True)
    page.set_checkbox("show-order", True)
    page.settle()
    overlay = page.driver.find_element("id", "overlay")
    ActionChains(page.driver).move_to_element_with_offset(overlay, 0, -overlay.size["height"] // 4).perform()
    name = page.js("const l = document.getElementById('hover-name'); return l.hidden ? '' : l.textContent;")
    assert name.startswith("mesh "), "pointing at the face named %r" % name
    assert page.js("return document.querySelectorAll('#draw-order li').length;") > 5
    page.set_checkbox("show-meshes", False)
    page.set_checkbox("show-order", False)


def take_screenshot(page, path):
    """The page as the README shows it: the demo puppet waving, blinking,
    swinging its hair and talking, its eyes keyed on the timeline, the rig's
    meshes and deformers over the picture."""
    page.choose("project-list", "")
    page.click("open-project")
    wait_for(page.driver, "return document.getElementById('document-kind').textContent === 'model';",
             what="the model again")
    page.driver.set_window_size(1400, 1250)
    page.choose("motion-list", "demo_wave.mtn")
    page.click("add-motion")
    page.set_checkbox("blink-on", True)
    page.choose("physics-list", "demo_hair.json")
    page.choose("sound-list", "voice.wav")
    eyes = page.slider("PARAM_EYE_BALL_X")
    page.set_field("frame-number", 10)
    page.set_field("number-%d" % eyes, -0.8)
    page.click("key-%d" % eyes)
    page.set_field("frame-number", 70)
    page.set_field("number-%d" % eyes, 0.8)
    page.set_checkbox("show-meshes", True)
    page.set_checkbox("show-deformers", True)
    page.set_field("frame-number", 44)
    page.settle()
    page.driver.save_screenshot(path)


def main(tool_path, generator, examples, screenshot=None):
    with ViewerRun(tool_path, generator, examples, prepare=lambda scratch: scratch.write_voice("voice.wav")) as run:
        model = run.scratch.path("demo.json")
        tool = Tool(tool_path, run.scratch)
        page = Page(run.driver)
        page.open(run.viewer.url)
        drag_slider(page, tool, model)
        play_motion(page, tool, model, run.scratch)
        two_key_shot(page, tool, run.scratch)
        look_inside(page)
        if screenshot:
            take_screenshot(page, screenshot)
        run.finish()
    print("browser test passed")


if __name__ == "__main__":
    main(*sys.argv[1:])
