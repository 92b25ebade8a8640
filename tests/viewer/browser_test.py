#!/usr/bin/python3
"""The viewer in a real browser: headless Chromium opens `tavrix view` on the
demo puppet, moves a slider, plays the demo motion and builds a two-key shot
on the timeline, and each picture the page shows is compared, pixel for
pixel, with what `tavrix draw`, `tavrix play` and `tavrix render` write.

    browser_test.py TOOL DEMO_GENERATOR EXAMPLES_DIR [SCREENSHOT.png]
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from viewer_support import (Scratch, viewer_stopped, ViewerProcess, compare_kept, compare_with_png, page_pixels, settle,  # noqa: E402
                            start_browser, stop_browser, wait_for)

WHITE = "#ffffff"


def run_tool(tool, *args):
    result = subprocess.run([tool] + list(args), capture_output=True, text=True)
    assert result.returncode == 0, "tavrix %s failed: %s" % (" ".join(args), result.stderr)


def set_field(driver, element_id, value):
    """Types a value into a field and leaves it, as a user does."""
    driver.execute_script("""
        const field = document.getElementById(arguments[0]);
        field.value = arguments[1];
        field.dispatchEvent(new Event('change', {bubbles: true}));""", element_id, str(value))


def set_checkbox(driver, element_id, checked):
    driver.execute_script("""
        const box = document.getElementById(arguments[0]);
        if (box.checked !== arguments[1]) box.click();""", element_id, checked)


def slider_index(driver, name):
    return driver.execute_script(
        "return window.tavrixViewer.view.session.sliders.find(s => s.name === arguments[0]).index;", name)


def header(driver):
    return driver.execute_script("return window.tavrixViewer.lastHeader();")


def main(tool, generator, examples, screenshot=None):
    scratch = Scratch(generator, examples)
    viewer = None
    driver = None
    try:
        model = scratch.path("demo.json")
        viewer = ViewerProcess(tool, model)
        driver = start_browser()
        driver.get(viewer.url)
        settle(driver)
        assert "token=" not in driver.current_url, "the token stays in the address bar"
        angle_x = slider_index(driver, "PARAM_ANGLE_X")

        # A smaller picture keeps the comparisons quick; the layer follows
        # the width, as `tavrix draw --size` draws.
        set_field(driver, "comp-width", 320)
        set_field(driver, "comp-height", 400)
        set_checkbox(driver, "background-on", True)
        settle(driver)

        # 1. A slider dragged with the mouse: the page shows what `tavrix draw`
        # draws for the value it reached.
        from selenium.webdriver.common.action_chains import ActionChains
        slider = driver.find_element("id", "slider-%d" % angle_x)
        ActionChains(driver).click_and_hold(slider).move_by_offset(23, 0).move_by_offset(9, 0).release().perform()
        settle(driver)
        options = header(driver)["setOptions"]
        assert options.startswith("--set PARAM_ANGLE_X="), "the drag moved no slider: %r" % options
        drawn = os.path.join(scratch.dir, "drawn.png")
        run_tool(tool, "draw", model, *options.split(), "--size", "320x400", "--background", WHITE, "-o", drawn)
        compare_with_png(driver, page_pixels(driver), drawn, "the dragged slider (%s)" % options)
        # The exported frame is the file `tavrix draw` writes, byte for byte.
        set_checkbox(driver, "background-on", False)
        settle(driver)
        exported = driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch('/api/export', {method: 'POST', headers: {'Content-Type': 'application/json'},
                                  body: JSON.stringify(window.tavrixViewer.stateForServer())})
              .then(r => r.arrayBuffer())
              .then(b => { let s = ''; const u = new Uint8Array(b);
                           for (let i = 0; i < u.length; i += 32768) s += String.fromCharCode.apply(null, u.subarray(i, i + 32768));
                           done(btoa(s)); });""")
        plain = os.path.join(scratch.dir, "plain.png")
        run_tool(tool, "draw", model, *options.split(), "--size", "320x400", "-o", plain)
        import base64
        with open(plain, "rb") as f:
            assert base64.b64decode(exported) == f.read(), "the exported PNG differs from tavrix draw's"
        set_checkbox(driver, "background-on", True)
        driver.find_element("id", "reset-%d" % angle_x).click()
        settle(driver)

        # 2. The demo motion played with blinking: a frame the page shows is
        # the one `tavrix play` writes for it.
        driver.execute_script("document.getElementById('motion-list').value = 'demo_wave.mtn';")
        driver.find_element("id", "add-motion").click()
        driver.find_element("id", "blink-on").click()
        wait_for(driver, "const h = window.tavrixViewer.lastHeader(); return h && h.naturalFrameCount > 0;",
                 what="the motion's length")
        driver.find_element("id", "play").click()
        wait_for(driver, "return window.tavrixViewer.lastHeader().frame >= 20;", what="playing")
        driver.find_element("id", "pause").click()
        settle(driver)
        played = header(driver)
        frame = played["frame"]
        assert played["naturalFrameCount"] == 91, played["naturalFrameCount"]
        run_tool(tool, "play", model, "--motion", scratch.path("demo_wave.mtn"), "--blink", "7", "--size", "320x400",
                 "--background", WHITE, "-s", str(frame), "-e", str(frame), "-q",
                 "-o", os.path.join(scratch.dir, "play_####.png"))
        compare_with_png(driver, page_pixels(driver), os.path.join(scratch.dir, "play_%04d.png" % frame),
                         "frame %d of the motion" % frame)
        # Stepping back plays again from the start: the same frame again.
        driver.find_element("id", "step-back").click()
        driver.find_element("id", "step-forward").click()
        settle(driver)
        compare_with_png(driver, page_pixels(driver), os.path.join(scratch.dir, "play_%04d.png" % frame),
                         "frame %d after a step back and on" % frame)
        if screenshot:
            driver.find_element("id", "show-meshes").click()
            driver.find_element("id", "show-deformers").click()
            set_field(driver, "comp-width", 640)
            set_field(driver, "comp-height", 800)
            settle(driver)
            driver.save_screenshot(screenshot)
            driver.find_element("id", "show-meshes").click()
            driver.find_element("id", "show-deformers").click()
            set_field(driver, "comp-width", 320)
            set_field(driver, "comp-height", 400)
        driver.execute_script("document.querySelector('#motions button').click();")
        driver.find_element("id", "blink-on").click()

        # 3. A two-key shot: keys at frames 0 and 10, saved, rendered by
        # `tavrix render`; its frames are the page's.
        set_field(driver, "comp-frames", 11)
        set_field(driver, "frame-number", 0)
        set_field(driver, "number-%d" % angle_x, -20)
        driver.find_element("id", "key-%d" % angle_x).click()
        set_field(driver, "frame-number", 10)
        set_field(driver, "number-%d" % angle_x, 25)
        assert driver.execute_script("return window.tavrixViewer.view.keys[arguments[0]].length;", angle_x) == 2
        set_field(driver, "frame-number", 4)
        settle(driver)
        shown = page_pixels(driver)
        set_field(driver, "save-name", "shot.json")
        driver.find_element("id", "save-project").click()
        wait_for(driver, "return document.getElementById('status').textContent.startsWith('Saved shot.json');",
                 what="the save")
        run_tool(tool, "render", scratch.path("shot.json"), "-s", "4", "-e", "4", "--background", WHITE, "-q",
                 "-o", os.path.join(scratch.dir, "shot_####.png"))
        compare_with_png(driver, shown, os.path.join(scratch.dir, "shot_0004.png"), "frame 4 of the saved shot")

        # The saved project opens again with its keys on the timeline.
        driver.execute_script("document.getElementById('project-list').value = 'shot.json';")
        driver.find_element("id", "open-project").click()
        wait_for(driver, "return document.querySelectorAll('#lane-%d .key').length === 2;" % angle_x,
                 what="the reopened shot's keys")
        set_checkbox(driver, "background-on", True)
        set_field(driver, "frame-number", 4)
        settle(driver)
        compare_kept(driver, page_pixels(driver), shown, "frame 4 of the reopened shot")
        print("browser test passed")
        viewer_stopped(viewer)
        viewer = None
    finally:
        stop_browser(driver)
        if viewer:
            viewer.stop()
        scratch.remove()


if __name__ == "__main__":
    main(*sys.argv[1:])
