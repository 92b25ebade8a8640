#!/usr/bin/env bash
# Builds the benchmarks (Release), runs the ones with speed targets and
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
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

./scripts/install-deps.sh --test
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTAVRIX_BUILD_BENCH=ON -DTAVRIX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target bench_model bench_effect_frame bench_viewer tavrix \
  tavrix-make-demo-model

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
run bench_model 'Large'
run bench_effect_frame '.'
run bench_viewer '.'
for i in 1 2 3; do
  echo "bench.sh: dragging a slider in the browser, run $i" >&2
  /usr/bin/python3 bench/viewer_updates.py build-bench/tool/tavrix build-bench/tools/tavrix-make-demo-model \
    examples "$results/viewer_updates_$i.json" 5 >/dev/null
done

python3 scripts/bench_report.py "$results/bench_model.json" "$results/bench_effect_frame.json" \
  "$results/bench_viewer.json" "$results"/viewer_updates_*.json \
  >docs/benchmarks.md.tmp
mv docs/benchmarks.md.tmp docs/benchmarks.md
echo "bench.sh: wrote docs/benchmarks.md" >&2
cat docs/benchmarks.md
