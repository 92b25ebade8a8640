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

./scripts/install-deps.sh --test
jobs=$(nproc)

build_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
}

build_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIX_BUILD_BENCH=ON
(cd build && ctest --output-on-failure -j "$jobs")
if [ "$quick" -eq 0 ]; then
  build_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTAVRIX_SANITIZE=ON -DTAVRIX_BUILD_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
  if [ "${CI:-}" = "true" ]; then
    # On CI the tests that start the tool or the plug-in and draw run twice,
    # so a fault that shows only now and then fails the run.
    (cd build-sanitize && ctest --output-on-failure -j "$jobs" -LE repeat &&
      ctest --output-on-failure -j "$jobs" -L repeat --repeat until-fail:2)
  else
    (cd build-sanitize && ctest --output-on-failure -j "$jobs")
  fi
fi
