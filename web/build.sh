#!/usr/bin/env bash
# Builds the web package's module (tavrix-core.js and .wasm, with Debian's
# emscripten, in build-web/) and writes the demo puppet, its motion, hair
# set-up and a spoken line beside the example page (web/example/demo/),
# with the native build's demo generator (in build/).
#   web/build.sh              then: python3 -m http.server -d web 8000
#   web/build.sh --no-deps    without installing missing packages first
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  --no-deps) ;;
  "") ./scripts/install-deps.sh --web ;;
  *) sed -n '2,8p' "$0"; exit 2 ;;
esac
jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# emcc runs its JavaScript tools with the machine's node; Debian's acorn lies here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build build-web -j "$jobs"

if [ ! -x build/tools/tavrix-make-demo-model ]; then
  cmake -S . -B build "${launcher[@]}" >/dev/null
  cmake --build build -j "$jobs" --target tavrix-make-demo-model
fi
demo=web/example/demo
mkdir -p "$demo"
build/tools/tavrix-make-demo-model "$demo" >/dev/null
cp examples/motions/demo_wave.mtn examples/motions/demo_hair.json "$demo"/
if [ ! -s "$demo/voice.wav" ]; then
  espeak-ng -w "$demo/voice.wav" "Hello! I am a puppet on a web page." 2>/dev/null
fi
echo "web/: tavrix.js, tavrix-core.js, tavrix-core.wasm; example puppet in $demo"
