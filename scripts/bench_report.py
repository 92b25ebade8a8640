#!/usr/bin/env python3
"""Turns Google Benchmark JSON results into docs/benchmarks.md: the fastest
repetition of each, the ratios the speed targets are stated in, and whether each is met.
With --throughput FILE (from bench_throughput.py) it adds the whole jobs of the tool.

    bench_report.py [--web WEB.json] [--throughput THROUGHPUT.json] BENCHMARK.json...
"""
import json
import os
import platform
import subprocess
import sys
from datetime import datetime, timezone


def best_times(paths):
    """The fastest repetition of every benchmark in the files, in
    milliseconds: (wall-clock time, CPU time of the benchmark's thread). On a
    shared machine the fastest run is the one least slowed by others."""
    wall, cpu, process_cpu = {}, {}, {}
    context = None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data["context"]
        for b in data["benchmarks"]:
            if b.get("run_type") != "iteration" or b.get("error_occurred"):
                continue
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            name = b["run_name"]
            wall[name] = min(wall.get(name, float("inf")), b["real_time"] * scale)
            cpu[name] = min(cpu.get(name, float("inf")), b["cpu_time"] * scale)
            if "process_cpu_ms" in b:
                process_cpu[name] = min(process_cpu.get(name, float("inf")), b["process_cpu_ms"])
    return wall, cpu, process_cpu, context


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def compiler():
    try:
        return subprocess.run(["c++", "--version"], capture_output=True, text=True).stdout.splitlines()[0]
    except (OSError, IndexError):
        return "unknown"


# The throughput targets: wall time of each output over the dry run of the
# same frames, and the memory a long render may add.
OUTPUT_TARGETS = {"PNG": 1.25, ".mp4": 1.25, ".webm": 1.5, ".mov": 1.5}
LONG_RENDER_EXTRA_MB = 64


def throughput_targets(throughput):
    rows = []
    render = throughput["jobs"][0]
    dry = render["rows"][0]
    for row in render["rows"][1:]:
        limit = OUTPUT_TARGETS[row["kind"]]
        rows.append(("render of the demo project to %s / its dry run (clock, median of the rounds)" % row["kind"],
                     "fastest %.2f s / %.2f s = %.2f" % (row["seconds"], dry["seconds"], row["ratio"]),
                     row["roundRatio"], "≤ %.2f" % limit, lambda r, limit=limit: r <= limit))
    memory = throughput["longRender"]
    extra = memory["long"]["peakMB"] - memory["short"]["peakMB"]
    rows.append(("peak memory, %d-frame PNG render − %d-frame one (MB)" % (memory["longFrames"], memory["shortFrames"]),
                 "%.1f MB − %.1f MB" % (memory["long"]["peakMB"], memory["short"]["peakMB"]), extra,
                 "≤ %d" % LONG_RENDER_EXTRA_MB, lambda r: r <= LONG_RENDER_EXTRA_MB))
    return rows


def throughput_section(throughput):
    out = ["## Throughput: whole jobs of the tool", ""]
    out.append("Each job as a user runs it (`tavrix render`, `tavrix play`, a Release build), timed from start to "
               "exit including start-up, the fastest of the repetitions. The runs go in rounds, one of each output "
               "in turn; \"/ dry run\" divides the fastest times, \"by round\" is the median over the rounds of "
               "each time over the dry run of the same round, which a busy or quiet moment of this shared machine "
               "moves less. Peak memory is the largest resident set of any repetition. PSNR compares each clip, decoded, with the PNG frames of the same job (colour "
               "channels, over the whole clip and its worst frame). Load average of the machine during the "
               "runs: %s." % ", ".join("%.1f" % v for v in throughput["loadAverage"]))
    for job in throughput["jobs"]:
        out.append("")
        out.append("%s:" % job["job"])
        out.append("")
        out.append("| Output | Wall (s) | Frames/s | / dry run | by round | Peak memory (MB) | Written (MB) | "
                   "PSNR (dB), worst frame |")
        out.append("|---|---|---|---|---|---|---|---|")
        for row in job["rows"]:
            written = "%.2f" % (row["bytes"] / 1e6) if "bytes" in row else "—"
            quality = "%.2f, %.2f" % (row["psnr"], row["worstFramePsnr"]) if "psnr" in row else "—"
            out.append("| %s | %.2f | %.1f | %.2f | %.2f | %.0f | %s | %s |" % (
                row["kind"], row["seconds"], row["fps"], row["ratio"], row["roundRatio"], row["peakMB"], written,
                quality))
    memory = throughput["longRender"]
    out.append("")
    out.append("The demo project stretched to %d frames (its keys hold after frame 71) rendered to PNG files took "
               "%.1f s and peaked at %.1f MB; its first %d frames alone, %.1f MB." % (
                   memory["longFrames"], memory["long"]["seconds"], memory["long"]["peakMB"],
                   memory["shortFrames"], memory["short"]["peakMB"]))
    return out


def viewer_runs(paths):
    """The browser runs of bench/viewer_updates.py, best first."""
    runs = []
    for path in paths:
        with open(path) as f:
            runs.append(json.load(f))
    return sorted(runs, key=lambda run: -run["updatesPerSecond"])


def main(arguments):
    web = None
    throughput = None
    while arguments[:1] in (["--web"], ["--throughput"]):
        with open(arguments[1]) as f:
            if arguments[0] == "--web":
                web = json.load(f)
            else:
                throughput = json.load(f)
        arguments = arguments[2:]
    paths = arguments
    browser = viewer_runs([p for p in paths if "viewer_updates" in p])
    wall, c, process_cpu, context = best_times([p for p in paths if "viewer_updates" not in p])
    # Frames draw on the rasteriser's threads and iterate on the host's, so
    # they are timed by the clock; the rest runs on one thread, timed by its
    # CPU time, which waiting for a busy core does not inflate.
    t = wall
    conversions = (t["BM_ConversionFlip"] + t["BM_ConversionUnpremultiply/translucent:0"]
                   + t["BM_ConversionCopy/translucent:0"] + t["BM_ConversionAlphaMultiply/translucent:0"])
    frame = t["BM_FrameThroughPlugin/model:1"]
    empty = t["BM_FrameThroughPlugin/model:0"]
    targets = [
        ("update, every parameter changing / plain blend loop (CPU)",
         "%.3f ms / %.3f ms" % (c["BM_UpdateLargeModel/changing:1"], c["BM_BlendFloorLargeModel"]),
         c["BM_UpdateLargeModel/changing:1"] / c["BM_BlendFloorLargeModel"], "≤ 1.5", lambda r: r <= 1.5),
        ("update, no parameter changing / every parameter changing (CPU)",
         "%.5f ms / %.3f ms" % (c["BM_UpdateLargeModel/changing:0"], c["BM_UpdateLargeModel/changing:1"]),
         c["BM_UpdateLargeModel/changing:0"] / c["BM_UpdateLargeModel/changing:1"], "< 0.10", lambda r: r < 0.10),
        ("load speed / speed of reading the file (CPU)",
         "%.2f ms / %.2f ms for the same file" % (c["BM_LoadLargeModel"], c["BM_ReadLargeModelFile"]),
         c["BM_ReadLargeModelFile"] / c["BM_LoadLargeModel"], "≥ 0.25", lambda r: r >= 0.25),
        ("conversions outside OpenGL / 1080p demo frame (clock)",
         "%.2f ms / %.2f ms" % (conversions, frame), conversions / frame, "< 0.25", lambda r: r < 0.25),
        ("1080p demo frame / empty frame (clock)",
         "%.2f ms / %.2f ms" % (frame, empty), frame / empty, "≤ 2", lambda r: r <= 2.0),
    ]
    # The OBS source's render thread, against a frame of a 30 frames/s stream.
    for size, name, limit in (("1280 x 720", "BM_ObsRenderThreadFrame/size:0/real_time", 16.0),
                              ("1920 x 1080", "BM_ObsRenderThreadFrame/size:1/real_time", 33.3)):
        if name in t:
            targets.append(("OBS source, render thread per frame at %s / 33.3 ms of a 30 fps frame (clock)" % size,
                            "%.2f ms / 33.3 ms" % t[name], t[name] / 33.3, "≤ %.2f" % (limit / 33.3),
                            lambda r, limit=limit: r <= limit / 33.3))
    if web:
        # The browser times by the clock only: its figure is the best of five
        # short runs, which a busy machine interrupts least, and is set against
        # the native loop's CPU time, which waiting for a core does not
        # inflate either.
        native = c["BM_UpdateDemoModel"]
        package = web["sizes"]["tavrix-core.wasm"]["gzipped"] + web["sizes"]["tavrix-core.js"]["gzipped"]
        targets += [
            ("demo update in WebAssembly (Chromium, best clock) / natively (CPU)",
             "%.4f ms / %.4f ms" % (web["updateMs"], native), web["updateMs"] / native, "≤ 2",
             lambda r: r <= 2.0),
            (".wasm + .js gzipped / 300 KB", "%.1f KB" % (package / 1000), package / 300000, "≤ 1",
             lambda r: r <= 1.0),
        ]
    if throughput:
        targets += throughput_targets(throughput)
    # The filter in ffmpeg is another process: its frame is timed by the CPU
    # time of all its threads, as drawing alone is (rasteriser included).
    filter_frame = process_cpu.get("BM_FilterFrameInFfmpeg/iterations:1/manual_time")
    drawing = c.get("BM_DrawingAlone/process_time/real_time")
    if filter_frame and drawing:
        targets.append(("720p frame of the frei0r filter in ffmpeg / drawing alone (CPU, all threads)",
                        "%.2f ms / %.2f ms" % (filter_frame, drawing), filter_frame / drawing, "≤ 1.3",
                        lambda r: r <= 1.3))
    if browser:
        best = browser[0]
        targets.append(("slider updates per second while dragging, 640 x 800, in the browser (best of %d runs)"
                        % len(browser),
                        "%d pictures in %.1f s" % (best["updates"], best["seconds"]), best["updatesPerSecond"],
                        "≥ 20", lambda r: r >= 20))

    out = []
    out.append("# Benchmarks")
    out.append("")
    out.append("Written by `./bench.sh` on %s." % datetime.now(timezone.utc).strftime("%Y-%m-%d %H:%M UTC"))
    out.append("")
    out.append("Machine: %s, %d CPUs (%s), %s; %s. Drawing: Mesa's software rasteriser (llvmpipe) "
               "through EGL, headless. Each time is the fastest of the repetitions (each a mean over many "
               "iterations); CPU marks the time of the benchmark's own thread, clock the wall-clock time."
               % (cpu_name(), context.get("num_cpus", 0), platform.machine(), platform.platform(), compiler()))
    load = os.getloadavg()[1]
    if load > context.get("num_cpus", 1):
        out.append("")
        out.append("The machine was busy with other work (load average %.1f over the last five minutes on %d CPUs): "
                   "clock times are inflated, CPU times less so." % (load, context.get("num_cpus", 0)))
    out.append("")
    load = os.getloadavg()
    out.append("Load average as the runs ended: %.1f over a minute, %.1f over fifteen (%d CPUs). Where it is "
               "above the number of CPUs, other work shared the machine and the times by the clock are longer "
               "than the machine's own." % (load[0], load[2], os.cpu_count() or 0))
    out.append("")
    out.append("## Targets")
    out.append("")
    out.append("| Comparison | Measured | Ratio (MB for memory) | Target | Met |")
    out.append("|---|---|---|---|---|")
    for name, measured, ratio, target, met in targets:
        out.append("| %s | %s | %.3f | %s | %s |" % (name, measured, ratio, target, "yes" if met(ratio) else "**no**"))
    out.append("")
    out.append("## Every figure")
    out.append("")
    out.append("| Benchmark | Clock (ms) | CPU (ms) |")
    out.append("|---|---|---|")
    for name in sorted(t):
        cpu_figure = process_cpu.get(name, c[name])
        out.append("| `%s` | %.4f | %.4f |" % (name, t[name], cpu_figure))
    out.append("")
    out.append("The large model for loading has 400 meshes of 400 points (16 MB); the one for updating 120 meshes of "
               "200 points (24,000 points), 24 parameters, rotation deformers three deep with grid deformers under "
               "the deepest (`bench/LargeModel.h`). Frames are 1920 x 1080 through the plug-in in the substitute "
               "host; the conversions are the host's flip, un-premultiply, copy and alpha multiply of one demo "
               "frame (`bench/bench_effect_frame.cpp`). The OBS source's frame is the render thread's work for one "
               "frame of a 30 frames/s stream: the demo puppet with its idle motion, blinking, hair physics and a "
               "listening lip sync played on, drawn at 0.6 of its size and read back premultiplied "
               "(`bench/bench_obs_frame.cpp`); the target at 1280 x 720 leaves half of a frame's 33 ms to the "
               "encoder on two cores. "
               "The frei0r filter draws the demo puppet at 100% (its "
               "canvas as wide as the frame) with the example wave over ffmpeg's 1280 x 720 test clip; a frame's "
               "time is that of a 120-frame run less a 20-frame one, over the 100 frames between, so that "
               "starting ffmpeg, OpenGL and the model does not count; `BM_ClipFrameInFfmpeg` is the same run "
               "without the filter, and drawing alone is the same puppet advanced, evaluated and drawn on a "
               "stage (`bench/bench_frei0r.cpp`). Their CPU figures are those of every thread of the process "
               "(ffmpeg's and the rasteriser's), which the clock of a run of two processes on a busy machine "
               "does not show.")
    out.append("")
    if web:
        out.append("## The web package")
        out.append("")
        out.append("Headless Chromium (%s), WebGL on SwiftShader, the same machine and run. The demo puppet at "
                   "640 x 800 playing the wave in a loop with blinking and hairs: **%.1f frames per second** in "
                   "the draw loop (at most the display's 60), %.1f ms to draw and finish one frame (best of 30; "
                   "software rasterising, as natively, is most of it). A model update takes %.4f ms in "
                   "WebAssembly (the clock's best of 5 runs of 5000 updates) against %.4f ms natively "
                   "(`BM_UpdateDemoModel`, the same loop, CPU time of its thread)."
                   % (web["userAgent"].split("HeadlessChrome/")[-1].split(" ")[0], web["fps"], web["drawMs"],
                      web["updateMs"], c["BM_UpdateDemoModel"]))
        out.append("")
        out.append("| File | Bytes | Gzipped |")
        out.append("|---|---|---|")
        for name, size in web["sizes"].items():
            out.append("| `web/%s` | %d | %d |" % (name, size["bytes"], size["gzipped"]))
        out.append("")
    if throughput:
        out += throughput_section(throughput)
        out.append("")
    if browser and "BM_ViewerUpdate/real_time" in t:
        best = browser[0]
        out.append("## The viewer: one slider update, and how a frame travels")
        out.append("")
        out.append("`bench/viewer_updates.py` opens `tavrix view` on the demo puppet (640 x 800) in headless "
                   "Chromium, moves `PARAM_ANGLE_X` sixty times a second for five seconds and counts the "
                   "pictures the page puts on screen (one request in flight, the newest state sent when it "
                   "returns); the best of its runs is above, every run here: %s updates/s. On the server an "
                   "update (`BM_ViewerUpdate`: the state read, the sliders set, the frame rendered through the "
                   "plug-in, the message made) takes %.1f ms by the clock; the page's median was %.1f ms."
                   % (", ".join("%.1f" % run["updatesPerSecond"] for run in browser),
                      t["BM_ViewerUpdate/real_time"], best["medianRenderMs"]))
        out.append("")
        out.append("| A 640 x 800 frame as | made on the server (ms) | bytes | put on the page's canvas (ms) |")
        out.append("|---|---|---|---|")
        out.append("| raw RGBA (what is sent) | %.2f | %d | %.1f |" % (t["BM_FrameAsRawMessage"], best["rawBytes"],
                                                                  best["rawShowMs"]))
        out.append("| PNG | %.1f | %d | %.1f (decoded first) |" % (t["BM_FrameAsPng"], best["pngBytes"],
                                                                   best["pngShowMs"]))
        if "BM_FrameAsJpeg" in t:
            out.append("| JPEG, quality 90, no alpha | %.1f | %d | %.1f (decoded first) |"
                       % (t["BM_FrameAsJpeg"], best["jpegBytes"], best["jpegShowMs"]))
        out.append("")
        out.append("Raw pixels cost nothing to make and the least to show, and over the loopback their size "
                   "costs little; a PNG takes longer to encode than the update it would carry (%.0f ms against "
                   "%.0f ms); a JPEG is smaller but costs %.0f ms to make and decode and loses the alpha the page "
                   "shows over its checkerboard. So frames go as raw RGBA."
                   % (t["BM_FrameAsPng"], t["BM_ViewerUpdate/real_time"],
                      t.get("BM_FrameAsJpeg", 0) + best["jpegShowMs"]))
        out.append("")
    out.append("## Where the time goes (perf)")
    out.append("")
    out.append("- Update: the blend of keyed points runs at about the plain loop's speed. An update also maps every "
               "one of the 24,000 points through its grid deformer (a cell lookup and one triangle's linear map a "
               "point, about two thirds of the update), interpolates the lattices, rotation keys, opacities and "
               "draw orders, and finds the pivots; the plain loop does none of that, so the first ratio stays "
               "well above 1.5. With no parameter moved since a full update that printed nothing, an update "
               "keeps its results.")
    out.append("- Load: a load reads the file into memory as the plain read does (about a quarter of the load), "
               "then copies its 16 MB of big-endian values into the model's arrays in host order, seeing in the "
               "same vectorised pass whether every float is finite (another quarter); the rest is narrowing the "
               "16-bit indices, the table of loaded objects, allocating some 4,000 arrays, checking draw orders, "
               "indices and table lengths, and building the objects. Both copies are bound by the machine's "
               "memory bandwidth, so a load cannot come closer than about half the read's speed, and the "
               "checks the model needs before it is used keep it further off.")
    out.append("- Frame: the demo frame is mostly the software rasteriser drawing about 2.5 million textured, "
               "blended fragments; the empty frame is the clear, the read-back of the output's rows and columns, "
               "and the host's conversions, of which the alpha multiply (a call of the effect's function per "
               "pixel) is the largest.")
    if throughput:
        out.append("- Jobs: a dry run is the drawing alone: Mesa's shaders and rasteriser (about two thirds of its CPU "
                   "time), the host's conversions and the effect. Decoding the demo textures with lodepng (the "
                   "only lodepng use on the way, once a run) takes about 28 ms, a few per cent of a dry run, and "
                   "was left alone. Each output adds its encoder's CPU time on worker threads, per 640 x 800 "
                   "frame about (perf): PNG 3 ms (lodepng's own deflate with its five-filter search per row took "
                   "54 ms, on the drawing thread: three quarters of a PNG render), H.264 8 ms with the veryfast "
                   "preset, diamond search and the quickest sub-pixel refinement (medium, 25 ms), VP9 15-17 ms in "
                   "the real-time mode (the good mode, 47 ms), ProRes 15-17 ms at the finest quantiser (68 ms with "
                   "the encoder's search for each slice's quantiser, which chose the finest anyway), and for the "
                   "clips 0.3 ms of conversion to the encoder's colours (integer AVX2 of our own, on the workers; "
                   "libswscale took 1.7-2.3 ms alone and 2.5-4 ms beside the drawing, a render to .mp4 6-8 % "
                   "longer). The demo "
                   "project's backdrop is an opaque solid, so its .webm and .mov carry no alpha plane: VP9 and "
                   "ProRes then encode about a seventh less. Freed frame-sized blocks stay in the tool's heap; "
                   "given back to the system, they cost the drawing thread fresh zeroed pages every frame (an "
                   "HD render to PNG took 4.1-4.5 s against 3.4-3.5 s kept, its dry run 3.1-3.4 s). The dry run "
                   "of the render keeps about 1.5 of the 2 cores busy, that of the play (800 x 1000) nearly both: "
                   "an output's CPU time then adds to the wall time instead of hiding beside the drawing, by at "
                   "least half of it, so the video outputs of the play stay well above their targets here.")
        out.append("- PNG compression, chosen on the demo frames (encoding time a frame, bytes against lodepng's "
                   "defaults): lodepng with its own deflate and filter search 54 ms, 1.00; lodepng with libdeflate "
                   "at level 6, same search, 38 ms, 0.98; libdeflate level 2 with every row filtered \"up\", "
                   "15.5 ms, 1.05; libpng level 6 48 ms, 1.10, level 1 with the sub filter 11 ms but 1.76; "
                   "libspng 58 ms, 1.10; libdeflate level 1 with \"up\" and RGB or RGBA decided by one pass over "
                   "the alpha, written around its stream, 7 ms, 1.07. The choice: ISA-L's igzip (libisal) at "
                   "level 1, same filter and colour type, 2.7 ms (1.2 ms the compression; libdeflate level 1 took "
                   "5.7 ms of the same frames' 7), 1.16; at 800 x 1000 (the play's frames, mostly transparent) "
                   "2 ms of compression against libdeflate's 11.5, 1.14. igzip's levels 0 and 2 were as fast (1.0 "
                   "and 1.2 ms, sizes 1.34 and 1.16), level 3 slower than libdeflate; zlib level 1 7 ms. The "
                   "pixels decode the same in every case.")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
