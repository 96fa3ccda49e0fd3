#!/usr/bin/env bash
# Benchmarks of the backup engine:
#  - its own work per backup, natively with Google Benchmark (no sanitizers);
#  - real backups under Wine against one bare shell copy of the same tree, and the check
#    against the copy, as ratios (bench/backup_bench.py).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVAN_SANITIZE=OFF >/dev/null
cmake --build build/bench --target engine_bench
build/bench/engine_bench
cmake --preset win64 >/dev/null
cmake --build --preset win64
exec xvfb-run -a -s "-screen 0 1024x768x24" python3 bench/backup_bench.py
