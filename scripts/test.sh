#!/usr/bin/env bash
# Every test: native unit tests, and the Wine end-to-end tests of the 64-bit build and of the
# 32-bit release build, which is then packaged.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== native: portable core, unit tests (AddressSanitizer, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== win64: ZolvanBackup.exe and the simulator under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64

echo "== win32: the release build under Wine's 32-bit side"
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32

echo "== the release package"
(cd build/win32 && cpack -G ZIP >/dev/null)
python3 scripts/check_package.py build/win32/ZolvanBackup-1.10-x86.zip 1.10

# Configuring the build asked Wine's 32-bit loader whether it can start here.
if [ -f build/win32/e2e-skipped.txt ]; then
  echo "32-bit programs cannot run on this machine: the 32-bit release was built and packaged; its Wine tests were skipped."
  echo "($(cat build/win32/e2e-skipped.txt))"
fi
