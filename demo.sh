#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo puppet (model, textures
# and model JSON) into out/demo/ and shows what the runtime makes of it: the
# model's facts at rest and posed, a still image, and the example motion played.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tavrix tavrix-make-demo-model

out=out/demo
./build/tools/tavrix-make-demo-model "$out"
echo
echo "== tavrix inspect $out/demo.moc"
./build/host/tavrix inspect "$out/demo.moc"
echo
echo "== posed: head turned, body leaning, left eye closed (JSON in $out/posed.json)"
pose=(--set PARAM_ANGLE_X=20 --set PARAM_BODY_ANGLE_X=-5 --set PARAM_EYE_L_OPEN=0)
./build/host/tavrix inspect "$out/demo.moc" "${pose[@]}" --json > "$out/posed.json"
./build/host/tavrix inspect "$out/demo.moc" "${pose[@]}" | sed -n '/^meshes/,$p'
echo
echo "== tavrix draw: $out/rest.png and $out/posed.png"
./build/host/tavrix draw "$out/demo.json" --background '#f0f0f0' -o "$out/rest.png"
./build/host/tavrix draw "$out/demo.json" "${pose[@]}" --background '#f0f0f0' -o "$out/posed.png"
echo
echo "== tavrix play: the example motion with blinking and swinging hair, $out/wave/frame_####.png"
./build/host/tavrix play "$out/demo.json" --motion examples/motions/demo_wave.mtn --blink 7 \
  --physics examples/motions/demo_hair.json --size 400x500 -o "$out/wave/frame_####.png" -q
