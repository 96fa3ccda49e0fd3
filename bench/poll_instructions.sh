#!/usr/bin/env bash
# Instructions of one button-poll pass that finds nothing pressed, per recognised drive, with 1
# and with 27 drives, counted by callgrind; the library's call itself is left out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVAN_SANITIZE=OFF >/dev/null
cmake --build build/bench --target poll_bench >/dev/null
passes=1000
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Inclusive instructions of every call of the named function over the whole run.
inclusive() {
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --toggle-collect="$1" \
    build/bench/poll_bench --passes "$passes" "$2" >/dev/null 2>&1
  callgrind_annotate "$out/cg" | sed -n 's/^ *\([0-9,]*\) .*PROGRAM TOTALS.*/\1/p' | tr -d ,
}
for drives in 1 27; do
  pass=$(inclusive 'zolvan::MainDialog::OnTimer*' "$drives")
  library=$(inclusive 'BenchATACBExecute' "$drives")
  echo "$drives drive(s): $(( (pass - library) / (passes * drives) )) instructions per drive per pass" \
       "($(( (pass - library) / passes )) per pass, library call left out)"
done
