#!/usr/bin/env bash
# Builds one fuzz target with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs it on one core at the lowest
# priority, growing fuzz/corpus/TARGET (kept locally, not in git) from the
# generated seeds and the regression inputs.
#   ./fuzz.sh                    list the targets
#   ./fuzz.sh TARGET [SECONDS]   fuzz TARGET for SECONDS (default 600)
# An input that fails is written to build-fuzz/crashes/TARGET/; once its
# cause is mended, copy it into fuzz/regressions/TARGET/ so the test suite
# replays it from then on. Extra libFuzzer options may follow SECONDS.
set -euo pipefail
cd "$(dirname "$0")"

targets=$(sed -n 's/^set(TAVRIX_FUZZ_TARGETS \(.*\))$/\1/p' fuzz/CMakeLists.txt)
if [ $# -eq 0 ] || [ "$1" = "-h" ] || [ "$1" = "--help" ]; then
  sed -n '2,10p' "$0"
  echo "Targets: $targets"
  exit 0
fi
target=$1
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))
if ! [[ " $targets " == *" $target "* ]]; then
  echo "fuzz.sh: unknown target '$target' (targets: $targets)" >&2
  exit 2
fi

./scripts/install-deps.sh --fuzz
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTAVRIX_FUZZ=ON -DTAVRIX_BUILD_TESTS=OFF -DTAVRIX_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j 2 --target "fuzz_$target" tavrix-fuzz-seeds

seeds=build-fuzz/seeds
rm -rf "$seeds"
build-fuzz/fuzz/tavrix-fuzz-seeds "$seeds"
corpus=fuzz/corpus/$target
crashes=build-fuzz/crashes/$target
mkdir -p "$corpus" "$crashes" "fuzz/regressions/$target"

# One process, in the foreground (no -jobs, which would log to files in the
# current folder). Leaks are checked after every input that allocated more than it
# freed; -close_fd_mask=1 silences the runtime's diagnostics on stdout.
# The memory limit leaves room for the sanitizer's own bookkeeping, which
# grows by about a kilobyte a run over millions of runs (the targets' live
# heap stays at a few megabytes, and the same runs without the sanitizer
# stay flat); a run that needs more than that is still stopped.
# New inputs go to the corpus; the seeds and regressions only start it.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
nice -n 19 "build-fuzz/fuzz/fuzz_$target" "$corpus" "$seeds/$target" "fuzz/regressions/$target" \
  -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 \
  -close_fd_mask=1 -artifact_prefix="$crashes/" -print_final_stats=1 "$@"
