#!/usr/bin/env bash
# Runs the whole end-to-end suite N times in a row (default 20) and prints how many runs failed.
# The ctest output and artifacts of every failed run are kept in build/win64/e2e-repeat/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
keep=build/win64/e2e-repeat
rm -rf "$keep"
mkdir -p "$keep"
failed=0
for run in $(seq 1 "$runs"); do
  start=$SECONDS
  if ctest --preset win64 >"$keep/run-$run.txt" 2>&1; then
    echo "run $run: passed in $((SECONDS - start)) s"
    rm "$keep/run-$run.txt"
  else
    failed=$((failed + 1))
    cp -r build/win64/e2e/artifacts "$keep/run-$run-artifacts"
    echo "run $run: FAILED in $((SECONDS - start)) s; kept $keep/run-$run.txt and run-$run-artifacts/"
  fi
done
echo "$failed of $runs runs failed"
[ "$failed" -eq 0 ]
