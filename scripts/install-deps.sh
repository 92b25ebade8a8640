#!/usr/bin/env bash
# Installs the Debian packages the build needs, skipping what is already
# installed. Safe to run repeatedly.
#   --test   also what only the tests use: a Slurm cluster (slurmctld,
#            slurmd, slurm-client, munge) and ffmpeg for the render-farm
#            test; OBS Studio with libobs-dev (the OBS module is built and
#            loaded into a real libobs) and Xvfb for a display; what --web
#            adds, and Chromium with its driver and selenium, for the web
#            package's browser test and the viewer's (with libnss-myhostname:
#            the driver reaches the browser by the name localhost, which a
#            bare root without /etc/hosts cannot resolve otherwise, and
#            libgles2: Chromium's WebGL on Mesa through OpenGL ES); the
#            frei0r header and the video hosts the frei0r plug-ins are tested
#            in (ffmpeg, melt, gst-launch-1.0 with GStreamer's frei0r elements)
#   --web    also what building the web package takes (web/build.sh):
#            emscripten and stb
#   --fuzz   also clang and its libFuzzer runtime, which only ./fuzz.sh needs
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libjsoncpp-dev liblodepng-dev libisal-dev libglm-dev
  libegl-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri
  duktape-dev libcli11-dev libutfcpp-dev libcivetweb-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libswresample-dev
  espeak-ng
)
for arg in "$@"; do
  case "$arg" in
    --test) packages+=(slurmctld slurmd slurm-client munge ffmpeg libobs-dev obs-studio xvfb xauth libx11-dev
                       emscripten libstb-dev chromium chromium-driver python3-selenium libnss-myhostname libgles2
                       frei0r-plugins-dev melt gstreamer1.0-tools gstreamer1.0-plugins-bad) ;;
    --web) packages+=(emscripten libstb-dev) ;;
    --fuzz) packages+=(clang libclang-rt-dev) ;;
    *) echo "install-deps.sh: unknown option '$arg'" >&2; exit 2 ;;
  esac
done

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

# Another installation (the system's own updater, minutes after boot) may
# hold apt's locks. Wait for it, up to TAVRIX_APT_WAIT seconds, and say so.
wait_seconds=${TAVRIX_APT_WAIT:-600}
deadline=$((SECONDS + wait_seconds))
apt_locks=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock)

# The first of apt's lock files that some process holds (from /proc/locks,
# which names locked files by device and inode), or nothing.
held_lock() {
  local f dev ino
  for f in "${apt_locks[@]}"; do
    [ -e "$f" ] || continue
    read -r dev ino < <(stat -c '%D %i' "$f") || continue
    dev=$((16#$dev))
    if grep -q " $(printf '%02x:%02x:%s' $(((dev >> 8) & 0xfff)) $(((dev & 0xff) | ((dev >> 12) & 0xfff00))) "$ino") " \
      /proc/locks 2>/dev/null; then
      echo "$f"
      return 0
    fi
  done
  return 1
}

wait_for_locks() {
  local lock said=0
  while lock=$(held_lock); do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "install-deps.sh: another package installation still holds $lock after waiting $wait_seconds s;" \
        "run this again when it has finished" >&2
      exit 1
    fi
    if [ "$said" -eq 0 ]; then
      echo "Waiting for another package installation to finish (it holds $lock; up to $wait_seconds s)..."
      said=1
    fi
    sleep 3
  done
}

# apt-get with the locks waited for; a lock taken between the check and
# apt's own start is waited for again.
apt_get() {
  local log status
  log=$(mktemp)
  while :; do
    wait_for_locks
    status=0
    "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout="$((deadline > SECONDS ? deadline - SECONDS : 1))" "$@" 2>&1 \
      | tee "$log" || status=$?
    if [ "$status" -ne 0 ] && grep -q "Could not get lock" "$log" && [ "$SECONDS" -lt "$deadline" ]; then
      continue
    fi
    rm -f "$log"
    return "$status"
  done
}

apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"
