#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo puppet (model, textures
# and model JSON) into out/demo/ when it is missing or older than its
# generator, renders three seconds of the example project through the effect
# plug-in with `tavrix render` (the effect loads the puppet through its
# dialog; PNG frames and out/demo/demo.webm), tiles a few frames into
# out/demo/contact-sheet.png, draws a few still poses with `tavrix draw`,
# plays the example motion with `tavrix play`, and makes the puppet say a
# line spoken by espeak-ng (out/demo/talking.webm, with the sound).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tavrix tavrix-make-demo-model tavrix-contact-sheet

out=out/demo
tavrix=./build/tool/tavrix
generator=./build/tools/tavrix-make-demo-model
if [ ! -f "$out/demo.json" ] || [ "$generator" -nt "$out/demo.json" ]; then
  "$generator" "$out"
fi
echo
echo "== $out/demo.moc as the runtime reads it (all of it: $tavrix inspect $out/demo.moc)"
"$tavrix" inspect "$out/demo.moc" | sed '/^parts/,$d'

echo
echo "== tavrix render examples/demo-project.json: the effect loads the puppet through its dialog"
rm -rf "$out/frames"
"$tavrix" render examples/demo-project.json -o "$out/frames/frame_####.png"
# The same frames as one clip, VP9, for players and compositors (no alpha
# plane: the project's backdrop is opaque).
"$tavrix" render examples/demo-project.json -o "$out/demo.webm"
frames=()
for frame in 0000 0014 0028 0035 0049 0063; do frames+=("$out/frames/frame_$frame.png"); done
./build/tools/tavrix-contact-sheet "${frames[@]}" --columns "${#frames[@]}" --tile-width 160 \
  --background '#ffffff' -o "$out/contact-sheet.png"

# name, then the parameters that differ from the rest pose
poses=(
  "rest"
  "turn PARAM_ANGLE_X=25 PARAM_EYE_BALL_X=0.6 PARAM_MOUTH_FORM=1 PARAM_BODY_ANGLE_X=4 PARAM_HAIR_FRONT=-0.6"
  "wave PARAM_ARM_R=10 PARAM_ANGLE_Z=-14 PARAM_ANGLE_X=-10 PARAM_MOUTH_OPEN_Y=0.8 PARAM_MOUTH_FORM=1 PARAM_EYE_L_OPEN=0 PARAM_HAIR_BACK=0.8"
  "look-up PARAM_ANGLE_Y=28 PARAM_ANGLE_X=-18 PARAM_EYE_BALL_Y=1 PARAM_EYE_BALL_X=-0.5 PARAM_BODY_ANGLE_X=-6 PARAM_ARM_L=-10 PARAM_BREATH=1"
  "sleepy PARAM_EYE_L_OPEN=0 PARAM_EYE_R_OPEN=0 PARAM_ANGLE_Z=18 PARAM_ANGLE_Y=-20 PARAM_MOUTH_FORM=-0.4 PARAM_BODY_ANGLE_X=5 PARAM_HAIR_FRONT=0.8 PARAM_HAIR_BACK=0.6"
)
echo
echo "== tavrix draw: the puppet in ${#poses[@]} poses"
stills=()
for pose in "${poses[@]}"; do
  read -r name settings <<< "$pose"
  sets=()
  for setting in $settings; do sets+=(--set "$setting"); done
  "$tavrix" draw "$out/demo.json" "${sets[@]}" --size 400x500 --background '#eef2f7' -o "$out/$name.png"
  stills+=("$out/$name.png")
done
./build/tools/tavrix-contact-sheet "${stills[@]}" --columns "${#stills[@]}" --tile-width 200 \
  --background '#ffffff' -o "$out/poses-sheet.png"

echo
echo "Frames: $out/frames/frame_0000.png ... frame_0071.png (3 s at 24 frames/s)"
echo "Contact sheet of frames 0, 14, 28, 35, 49 and 63: $out/contact-sheet.png"
echo "Clip of the frames (VP9, opaque: no alpha plane): $out/demo.webm"
echo "Stills: ${stills[*]}; tiled: $out/poses-sheet.png"
echo
echo "== tavrix play: the example motion with blinking and swinging hair"
"$tavrix" play "$out/demo.json" --motion examples/motions/demo_wave.mtn --blink 7 \
  --physics examples/motions/demo_hair.json --size 400x500 -o "$out/wave/frame_####.png" -q
echo "Frames: $out/wave/frame_0000.png ... frame_0090.png"

echo
echo "== tavrix play --lipsync: the puppet says a line spoken by espeak-ng"
espeak-ng -w "$out/voice.wav" "Hello! I am the Tavrix puppet. Listen: now I can talk, and you can hear me."
rm -rf "$out/talking"
talk=("$tavrix" play "$out/demo.json" --lipsync "$out/voice.wav" --motion examples/motions/demo_wave.mtn
      --blink 7 --physics examples/motions/demo_hair.json --size 400x500 -q)
"${talk[@]}" -o "$out/talking/frame_####.png"
"${talk[@]}" -o "$out/talking.webm"
last=$(ls "$out/talking" | tail -n 1)
echo "Frames: $out/talking/frame_0000.png ... $last"
echo "Clip (VP9 with alpha, the line in Opus): $out/talking.webm"
