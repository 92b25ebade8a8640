#!/usr/bin/env bash
# Builds the benchmarks (Release), runs the ones with speed targets, times
# whole render and play jobs of the tool (scripts/bench_throughput.py) and
# writes docs/benchmarks.md: each figure, its ratio and the target beside it,
# with the machine and the date.
#   ./bench.sh                 five repetitions of each, the fastest reported
# The viewer's updates per second are measured in headless Chromium (three
# runs of five seconds, the best reported).
#   ./bench.sh --repetitions N
set -euo pipefail
cd "$(dirname "$0")"

repetitions=5
while [ $# -gt 0 ]; do
  case "$1" in
    --repetitions) repetitions=$2; shift 2 ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

# --test: libobs-dev, for the OBS source's render-thread benchmark.
./scripts/install-deps.sh --test
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTAVRIX_BUILD_BENCH=ON -DTAVRIX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target bench_model bench_effect_frame bench_obs_frame \
  bench_viewer tavrix tavrix_effect tavrix-make-demo-model clip_psnr
# The frei0r filter in ffmpeg, where the plug-ins are built (frei0r.h found)
# and ffmpeg is there (./scripts/install-deps.sh --test installs both).
frei0r=0
build_targets=$(cmake --build build-bench --target help)
if grep -q bench_frei0r <<<"$build_targets" && command -v ffmpeg >/dev/null; then
  cmake --build build-bench -j "$(nproc)" --target bench_frei0r
  frei0r=1
else
  echo "bench.sh: no frei0r plug-ins or no ffmpeg: the filter's benchmark is left out" >&2
fi

results=build-bench/results
mkdir -p "$results"
run() {
  local program=$1 filter=$2
  echo "bench.sh: running $program" >&2
  # The runtime's start-up line goes to standard output; the figures to JSON.
  "build-bench/bench/$program" --benchmark_filter="$filter" --benchmark_repetitions="$repetitions" \
    --benchmark_out="$results/$program.json" \
    --benchmark_out_format=json >/dev/null
}
run bench_model 'Large|UpdateDemoModel'
run bench_effect_frame '.'
run bench_obs_frame '.'

# The web package, where its tools are here (scripts/install-deps.sh --test).
web=()
if command -v emcc >/dev/null && [ -x /usr/bin/chromium ] && /usr/bin/python3 -c 'import selenium' 2>/dev/null; then
  echo "bench.sh: building and measuring the web package" >&2
  ./web/build.sh --no-deps >/dev/null
  /usr/bin/python3 scripts/web_bench.py build-bench/tools/tavrix-make-demo-model examples/motions >"$results/web.json"
  web=(--web "$results/web.json")
else
  echo "bench.sh: no emscripten or Chromium here: the web package is not measured" >&2
fi

echo "bench.sh: timing render and play jobs" >&2
python3 scripts/bench_throughput.py build-bench "$repetitions" "$results/throughput.json"

files=("$results/bench_model.json" "$results/bench_effect_frame.json" "$results/bench_obs_frame.json")
if [ "$frei0r" -eq 1 ]; then
  run bench_frei0r '.'
  files+=("$results/bench_frei0r.json")
fi

run bench_viewer '.'
files+=("$results/bench_viewer.json")
for i in 1 2 3; do
  echo "bench.sh: dragging a slider in the browser, run $i" >&2
  /usr/bin/python3 bench/viewer_updates.py build-bench/tool/tavrix build-bench/tools/tavrix-make-demo-model \
    examples "$results/viewer_updates_$i.json" 5 >/dev/null
  files+=("$results/viewer_updates_$i.json")
done

python3 scripts/bench_report.py "${web[@]}" --throughput "$results/throughput.json" "${files[@]}" >docs/benchmarks.md.tmp
mv docs/benchmarks.md.tmp docs/benchmarks.md
echo "bench.sh: wrote docs/benchmarks.md" >&2
cat docs/benchmarks.md
