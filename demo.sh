#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo puppet and shows what the
# runtime makes of it: the model's facts at rest and posed.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tavrix tavrix-make-demo-model

mkdir -p build/demo
./build/tools/tavrix-make-demo-model build/demo/demo.moc
echo
echo "== tavrix inspect build/demo/demo.moc"
./build/host/tavrix inspect build/demo/demo.moc
echo
echo "== posed: head turned, body leaning, left eye closed (JSON in build/demo/posed.json)"
./build/host/tavrix inspect build/demo/demo.moc --set PARAM_ANGLE_X=20 --set PARAM_BODY_X=-5 \
  --set PARAM_EYE_L_OPEN=0 --json > build/demo/posed.json
./build/host/tavrix inspect build/demo/demo.moc --set PARAM_ANGLE_X=20 --set PARAM_BODY_X=-5 \
  --set PARAM_EYE_L_OPEN=0 | sed -n '/^meshes/,$p'
echo
echo "== tavrix draw: build/demo/rest.png and build/demo/posed.png"
./build/host/tavrix draw build/demo/demo.json --background '#f0f0f0' -o build/demo/rest.png
./build/host/tavrix draw build/demo/demo.json --set PARAM_ANGLE_X=20 --set PARAM_BODY_X=-5 \
  --set PARAM_EYE_L_OPEN=0 --background '#f0f0f0' -o build/demo/posed.png
