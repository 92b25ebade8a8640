#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping what is
# already installed. Safe to run repeatedly. --fuzz adds clang and its
# libFuzzer runtime, which only ./fuzz.sh needs.
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  libgtest-dev libbenchmark-dev
  libjsoncpp-dev liblodepng-dev libglm-dev
  libegl-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri
  duktape-dev libcli11-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libswresample-dev
  espeak-ng
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
