#!/usr/bin/env bash
# Makes docs/obs-source.png, the README's picture of the OBS source: two
# "Tavrix Puppet" sources side by side (one at rest, one with its
# PARAM_ANGLE_X and PARAM_ARM_R sliders moved) as OBS's output shows them,
# taken by the OBS test in a real libobs. Needs a build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target test_obs_source tavrix_obs >/dev/null
TAVRIX_OBS_PICTURE="$PWD/docs/obs-source.png" xvfb-run -a build/tests/test_obs_source \
  --gtest_filter='ObsSourceTest.TwoPuppets*' >/dev/null
echo "wrote docs/obs-source.png"
