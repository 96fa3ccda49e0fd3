#!/usr/bin/env bash
# Every test: native unit tests, and the Wine end-to-end tests of the 64-bit build and of the
# 32-bit release build (its Windows Installer package among them), which is then packaged.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
mkdir -p build

# Each suite's output is kept for the closing count.
run_ctest() {
  ctest --preset "$1" 2>&1 | tee "build/ctest-$1.txt"
}

echo "== native: portable core, unit tests (AddressSanitizer, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native
run_ctest native

echo "== win64: ZolvanBackup.exe and the simulator under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64
run_ctest win64

echo "== win32: the release build under Wine's 32-bit side"
cmake --preset win32 >/dev/null
cmake --build --preset win32
run_ctest win32

echo "== the release packages: the zip and, beside it, the Windows Installer package"
(cd build/win32 && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
python3 scripts/check_package.py "build/win32/ZolvanBackup-$version-x86.zip" "build/win32/ZolvanBackup-$version-x86.msi" "$version"

# Configuring the build asked Wine's 32-bit loader whether it can start here.
if [ -f build/win32/e2e-skipped.txt ]; then
  echo "32-bit programs cannot run on this machine: the 32-bit release was built and packaged; its Wine tests were skipped."
  echo "($(cat build/win32/e2e-skipped.txt))"
elif [ -f build/win32/e2e-emulated.txt ]; then
  echo "32-bit programs run here through emulation: $(cat build/win32/e2e-emulated.txt)."
fi
total=0 skipped=0
for preset in native win64 win32; do
  total=$((total + $(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "build/ctest-$preset.txt")))
  skipped=$((skipped + $(grep -c '(Skipped)$' "build/ctest-$preset.txt" || true)))
done
echo "all suites: $((total - skipped)) passed, 0 failed, $skipped skipped"
