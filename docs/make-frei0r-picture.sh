#!/usr/bin/env bash
# Makes docs/frei0r-over-clip.png, the README's picture of the frei0r filter:
# ffmpeg draws the demo puppet, waving with blinking eyes and swinging hair,
# over a clip of moving colours (made opaque: the filter keeps the frame's
# alpha), and one frame of the result is kept.
#   docs/make-frei0r-picture.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/tavrix-make-demo-model" "$work/demo" > /dev/null
motions=$PWD/examples/motions
params="$work/demo/demo.json|0.001|0.78|0.5|0.11|$motions/demo_wave.mtn|7|$motions/demo_hair.json|||n|0.025"
FREI0R_PATH=$PWD/$build/frei0r-1 ffmpeg -v error -f lavfi -i "gradients=size=640x360:rate=25:duration=1.6:seed=3" \
  -vf "format=rgb24,frei0r=filter_name=tavrix_puppet:filter_params='$params'" -pix_fmt rgba "$work/frame_%02d.png"
cp "$work/frame_36.png" docs/frei0r-over-clip.png
echo "wrote docs/frei0r-over-clip.png"
