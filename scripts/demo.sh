#!/usr/bin/env bash
# The demo: builds the 64-bit program, its Windows Installer package and the simulated enclosure,
# installs the package under Wine and plays the story a user lives with the program it started.
# On a display of your own it runs there, visibly; without one, on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "The demo could not start. $1" >&2; exit 1; }
scripts/setup.sh || fail "Installing what it needs failed (apt-get's messages are above): run scripts/setup.sh again once the package sources answer."
cmake --preset win64 >/dev/null || fail "Configuring the 64-bit build failed (CMake's messages are above)."
cmake --build --preset win64 >/dev/null || fail "Building the 64-bit program and its package failed: run cmake --build --preset win64 to see why."
if [ -n "${DISPLAY:-}" ]; then
  number=${DISPLAY#*:}
  number=${number%%.*}
  if [ -n "${DISPLAY%%:*}" ] || [ -S "/tmp/.X11-unix/X$number" ]; then
    exec python3 scripts/demo.py
  fi
fi
command -v xvfb-run >/dev/null || fail "xvfb-run is missing: run scripts/setup.sh, which installs xvfb."
exec xvfb-run -a -s "-screen 0 1024x768x24" python3 scripts/demo.py
