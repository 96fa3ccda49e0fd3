#!/usr/bin/env bash
# Runs the whole end-to-end suite N times in a row (default 20), of the 64-bit build and of the
# 32-bit release build (E2E_PRESETS="win64" for one of them), and prints how many runs failed.
# The ctest output and artifacts of every failed run are kept in build/e2e-repeat/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
presets=${E2E_PRESETS:-win64 win32}
scripts/setup.sh
for preset in $presets; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset >/dev/null
done
keep=build/e2e-repeat
rm -rf "$keep"
mkdir -p "$keep"
failed=0
for run in $(seq 1 "$runs"); do
  start=$SECONDS
  if (for preset in $presets; do ctest --preset "$preset" || exit 1; done) >"$keep/run-$run.txt" 2>&1; then
    echo "run $run: passed in $((SECONDS - start)) s"
    rm "$keep/run-$run.txt"
  else
    failed=$((failed + 1))
    for preset in $presets; do
      cp -r "build/$preset/e2e/artifacts" "$keep/run-$run-$preset-artifacts" 2>/dev/null || true
    done
    echo "run $run: FAILED in $((SECONDS - start)) s; kept $keep/run-$run.txt and its artifacts"
  fi
done
echo "$failed of $runs runs failed"
[ "$failed" -eq 0 ]
