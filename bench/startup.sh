#!/usr/bin/env bash
# Start-up time to the tray icon and memory of the 32-bit release build against a minimal dialog
# program with a tray icon, under Wine (bench/startup_bench.py).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null
ZOLVAN_BUILD=build/win32 exec xvfb-run -a -s "-screen 0 1024x768x24" python3 bench/startup_bench.py
