#!/usr/bin/env bash
# The demo: builds the 64-bit program and the simulated enclosure and runs them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64
exec xvfb-run -a -s "-screen 0 1024x768x24" python3 scripts/demo.py
