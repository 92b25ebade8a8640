#!/usr/bin/env python3
"""Times whole jobs of the tavrix tool as a user runs them and writes the
figures as JSON for bench_report.py: the demo project through `render` and
the demo wave through `play`, each as a dry run, PNG frames, .webm, .mov and
.mp4; the fastest of the repetitions (run in turns, so that a busy moment of
the machine falls on every kind alike) and the median over the rounds of
each output's time over the dry run of its round, the peak memory of each, the sizes
written, the PSNR of each clip against the PNG frames of the same job, and
the peak memory of a 1,000-frame PNG render beside a 10-frame one.

    bench_throughput.py BUILD_DIR REPETITIONS OUT.json
"""
import copy
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

KINDS = [("dry run", None), ("PNG", "png/f_####.png"), (".webm", "clip.webm"), (".mov", "clip.mov"),
         (".mp4", "clip.mp4")]
LONG_RENDER_FRAMES = 1000
SHORT_RENDER_FRAMES = 10


def run(command):
    """Runs command; its wall-clock seconds and peak resident memory (MB)."""
    started = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - started
    errors = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    if status != 0:
        sys.exit("bench_throughput.py: %s failed:\n%s" % (" ".join(command), errors))
    return seconds, usage.ru_maxrss / 1024.0


def size_of(path):
    if os.path.isdir(path):
        return sum(os.path.getsize(os.path.join(path, name)) for name in os.listdir(path))
    return os.path.getsize(path)


def measure_job(name, base_command, frames, work, repetitions, clip_psnr):
    """Every kind of output of one job, best wall time and peak memory."""
    best = {kind: None for kind, _ in KINDS}
    rounds = {kind: [] for kind, _ in KINDS}
    memory = {kind: 0.0 for kind, _ in KINDS}
    for _ in range(repetitions):
        for kind, output in KINDS:
            shutil.rmtree(work, ignore_errors=True)
            os.makedirs(work)
            extra = ["--dry-run"] if output is None else ["-o", os.path.join(work, output)]
            seconds, peak = run(base_command + extra + ["-q"])
            best[kind] = seconds if best[kind] is None else min(best[kind], seconds)
            rounds[kind].append(seconds)
            memory[kind] = max(memory[kind], peak)
            if output is not None:
                keep = os.path.join(work + "-kept", kind.strip("."))
                shutil.rmtree(keep, ignore_errors=True)
                os.makedirs(os.path.dirname(keep), exist_ok=True)
                shutil.move(os.path.join(work, os.path.dirname(output) or output), keep)
    rows = []
    png_frames = sorted(os.path.join(work + "-kept", "PNG", f) for f in os.listdir(os.path.join(work + "-kept", "PNG")))
    for kind, output in KINDS:
        row = {"kind": kind, "seconds": best[kind], "fps": frames / best[kind], "peakMB": memory[kind],
               "ratio": best[kind] / best["dry run"],
               "roundRatio": statistics.median(t / d for t, d in zip(rounds[kind], rounds["dry run"]))}
        if output is not None:
            kept = os.path.join(work + "-kept", kind.strip("."))
            row["bytes"] = size_of(kept)
            if kind != "PNG" and clip_psnr:
                quality = subprocess.run([clip_psnr, kept] + png_frames, capture_output=True, text=True)
                if quality.returncode == 0:
                    row.update(json.loads(quality.stdout))
        rows.append(row)
    shutil.rmtree(work + "-kept", ignore_errors=True)
    return {"job": name, "frames": frames, "rows": rows}


def long_render_memory(tool, project_path, work):
    """Peak memory of the demo project stretched to LONG_RENDER_FRAMES frames
    and of its first SHORT_RENDER_FRAMES, both to PNG files."""
    with open(project_path) as f:
        project = json.load(f)
    project_dir = os.path.dirname(os.path.abspath(project_path))
    stretched = copy.deepcopy(project)
    stretched["composition"]["frameCount"] = LONG_RENDER_FRAMES
    # The dialog's file choices count from the project's folder: make them absolute.
    for layer in stretched["layers"]:
        for action in layer.get("effect", {}).get("load", []):
            for key in ("chooseJson", "chooseModel"):
                if key in action and not os.path.isabs(action[key]):
                    action[key] = os.path.normpath(os.path.join(project_dir, action[key]))
    os.makedirs(work, exist_ok=True)
    long_project = os.path.join(work, "long-project.json")
    with open(long_project, "w") as f:
        json.dump(stretched, f)
    peaks = {}
    for frames in (SHORT_RENDER_FRAMES, LONG_RENDER_FRAMES):
        out = os.path.join(work, "frames-%d" % frames)
        seconds, peak = run([tool, "render", long_project, "-e", str(frames - 1), "-o",
                             os.path.join(out, "f_####.png"), "-q"])
        peaks[frames] = {"seconds": seconds, "peakMB": peak}
        shutil.rmtree(out, ignore_errors=True)
    return {"shortFrames": SHORT_RENDER_FRAMES, "longFrames": LONG_RENDER_FRAMES,
            "short": peaks[SHORT_RENDER_FRAMES], "long": peaks[LONG_RENDER_FRAMES]}


def main(build, repetitions, out_path):
    tool = os.path.join(build, "tool", "tavrix")
    clip_psnr = os.path.join(build, "bench", "clip_psnr")
    if not os.path.exists(clip_psnr):
        clip_psnr = None
    # The demo project loads ../out/demo/demo.json from examples/.
    subprocess.run([os.path.join(build, "tools", "tavrix-make-demo-model"), "out/demo"], check=True,
                   stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="tavrix-throughput-")
    try:
        jobs = [
            measure_job("render examples/demo-project.json (72 frames, 640 x 800)",
                        [tool, "render", "examples/demo-project.json"], 72, os.path.join(work, "render"),
                        repetitions, clip_psnr),
            measure_job("play of the demo wave (91 frames, 800 x 1000)",
                        [tool, "play", "out/demo/demo.json", "--motion", "examples/motions/demo_wave.mtn", "--blink",
                         "7", "--physics", "examples/motions/demo_hair.json"], 91, os.path.join(work, "play"),
                        repetitions, clip_psnr),
        ]
        memory = long_render_memory(tool, "examples/demo-project.json", os.path.join(work, "long"))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    with open(out_path, "w") as f:
        json.dump({"jobs": jobs, "longRender": memory, "loadAverage": os.getloadavg()}, f, indent=1)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3])
