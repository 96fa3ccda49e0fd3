#!/usr/bin/env bash
# Start-up time to the tray icon and memory of the 32-bit release build (the 64-bit build where
# this machine runs 32-bit programs only through emulation, or not at all) against a minimal dialog
# program with a tray icon, under Wine (bench/startup_bench.py). Emulated figures would time qemu
# and count its memory, not the program's: they are never taken.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
  preset=win64 loader=/usr/lib/wine/wine64
  echo "32-bit programs run here only through emulation: measuring the 64-bit build natively instead of the 32-bit release."
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=win32 loader=/usr/lib/wine/wine
else
  preset=win64 loader=/usr/lib/wine/wine64
  echo "32-bit programs cannot run on this machine: measuring the 64-bit build instead of the 32-bit release."
fi
echo "start-up bench of the $preset build"
cmake --preset $preset >/dev/null
cmake --build --preset $preset >/dev/null
ZOLVAN_BUILD=build/$preset ZOLVAN_WINE=$loader exec xvfb-run -a -s "-screen 0 1024x768x24" python3 bench/startup_bench.py
