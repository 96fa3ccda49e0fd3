#!/usr/bin/env bash
# The demo: builds the 64-bit program and the simulated enclosure and plays, under Wine, the story
# a user lives with them. On a display of your own it runs there, visibly; without one, on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
if [ -n "${DISPLAY:-}" ]; then
  number=${DISPLAY#*:}
  number=${number%%.*}
  if [ -n "${DISPLAY%%:*}" ] || [ -S "/tmp/.X11-unix/X$number" ]; then
    exec python3 scripts/demo.py
  fi
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" python3 scripts/demo.py
