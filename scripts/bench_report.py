#!/usr/bin/env python3
"""Turns Google Benchmark JSON results into docs/benchmarks.md: the medians,
the ratios the speed targets are stated in, and whether each is met."""
import json
import platform
import subprocess
import sys
from datetime import datetime, timezone


def medians(paths):
    """Median real time in milliseconds of every benchmark in the files."""
    times = {}
    context = None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data["context"]
        for b in data["benchmarks"]:
            if b.get("aggregate_name", "median") != "median":
                continue
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            times[b["run_name"]] = b["real_time"] * scale
    return times, context


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


def main(paths):
    t, context = medians(paths)
    conversions = (t["BM_ConversionFlip"] + t["BM_ConversionUnpremultiply/translucent:0"]
                   + t["BM_ConversionCopy/translucent:0"] + t["BM_ConversionAlphaMultiply/translucent:0"])
    frame = t["BM_FrameThroughPlugin/model:1"]
    empty = t["BM_FrameThroughPlugin/model:0"]
    targets = [
        ("update, every parameter changing / plain blend loop",
         "%.3f ms / %.3f ms" % (t["BM_UpdateLargeModel/changing:1"], t["BM_BlendFloorLargeModel"]),
         t["BM_UpdateLargeModel/changing:1"] / t["BM_BlendFloorLargeModel"], "≤ 1.5", lambda r: r <= 1.5),
        ("update, no parameter changing / every parameter changing",
         "%.5f ms / %.3f ms" % (t["BM_UpdateLargeModel/changing:0"], t["BM_UpdateLargeModel/changing:1"]),
         t["BM_UpdateLargeModel/changing:0"] / t["BM_UpdateLargeModel/changing:1"], "< 0.10", lambda r: r < 0.10),
        ("load speed / speed of reading the file",
         "%.2f ms / %.2f ms for the same file" % (t["BM_LoadLargeModel"], t["BM_ReadLargeModelFile"]),
         t["BM_ReadLargeModelFile"] / t["BM_LoadLargeModel"], "≥ 0.25", lambda r: r >= 0.25),
        ("conversions outside OpenGL / 1080p demo frame",
         "%.2f ms / %.2f ms" % (conversions, frame), conversions / frame, "< 0.25", lambda r: r < 0.25),
        ("1080p demo frame / empty frame",
         "%.2f ms / %.2f ms" % (frame, empty), frame / empty, "≤ 2", lambda r: r <= 2.0),
    ]

    out = []
    out.append("# Benchmarks")
    out.append("")
    out.append("Written by `./bench.sh` on %s." % datetime.now(timezone.utc).strftime("%Y-%m-%d %H:%M UTC"))
    out.append("")
    out.append("Machine: %s, %d CPUs (%s), %s; %s. Drawing: Mesa's software rasteriser (llvmpipe) "
               "through EGL, headless. Times are medians of the repetitions' wall-clock means."
               % (cpu_name(), context.get("num_cpus", 0), platform.machine(), platform.platform(), compiler()))
    out.append("")
    out.append("## Targets")
    out.append("")
    out.append("| Ratio | Measured | Ratio | Target | Met |")
    out.append("|---|---|---|---|---|")
    for name, measured, ratio, target, met in targets:
        out.append("| %s | %s | %.3f | %s | %s |" % (name, measured, ratio, target, "yes" if met(ratio) else "**no**"))
    out.append("")
    out.append("## Every figure")
    out.append("")
    out.append("| Benchmark | Time (ms) |")
    out.append("|---|---|")
    for name in sorted(t):
        out.append("| `%s` | %.4f |" % (name, t[name]))
    out.append("")
    out.append("The large model for loading has 400 meshes of 400 points (16 MB); the one for updating 120 meshes of "
               "200 points (24,000 points), 24 parameters, rotation deformers three deep with grid deformers under "
               "the deepest (`bench/LargeModel.h`). Frames are 1920 x 1080 through the plug-in in the substitute "
               "host; the conversions are the host's flip, un-premultiply, copy and alpha multiply of one demo "
               "frame (`bench/bench_effect_frame.cpp`).")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
