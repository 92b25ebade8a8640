#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the ordinary
# build, then the AddressSanitizer/UndefinedBehaviorSanitizer build.
#   ./test.sh           both builds
#   ./test.sh --quick   the ordinary build only
set -euo pipefail
cd "$(dirname "$0")"

quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
    *) echo "test.sh: unknown option '$arg'" >&2; exit 2 ;;
  esac
done

./scripts/install-deps.sh
jobs=$(nproc)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIX_BUILD_BENCH=ON
if [ "$quick" -eq 0 ]; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTAVRIX_SANITIZE=ON -DTAVRIX_BUILD_BENCH=OFF
fi
