#!/usr/bin/env bash
# Start-up time to the tray icon and memory of the 32-bit release build against a minimal dialog
# program with a tray icon, under Wine (bench/startup_bench.py).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in win64 win32; do  # the 64-bit build brings the probe
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset >/dev/null
done
ZOLVAN_BUILD=build/win32 ZOLVAN_PROBE=$PWD/build/win64/sim/zprobe.exe \
  exec xvfb-run -a -s "-screen 0 1024x768x24" python3 bench/startup_bench.py
