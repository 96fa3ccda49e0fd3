#!/usr/bin/env bash
# Instructions per recognised bridge drive, counted by callgrind, of
#   bench/instructions.sh poll        one button-poll pass that finds nothing pressed
#   bench/instructions.sh discovery   one discovery pass, as a device arrival runs it
# with 1 and with 27 drives, on the do-nothing platform; the library's calls are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:?usage: bench/instructions.sh poll|discovery}
case "$what" in
  poll) handler='zolvan::MainDialog::OnTimer*' passes=1000 ;;
  discovery) handler='zolvan::MainDialog::OnDeviceChange*' passes=100 ;;
  *) echo "usage: bench/instructions.sh poll|discovery" >&2; exit 2 ;;
esac
scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVAN_SANITIZE=OFF >/dev/null
cmake --build build/bench --target core_bench >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Instructions of every call of the named functions, and what they call, over the whole run.
inclusive() {
  local drives=$1
  shift
  local collect=()
  for f in "$@"; do collect+=(--toggle-collect="$f"); done
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" "${collect[@]}" \
    build/bench/core_bench "$what" "$passes" "$drives" >/dev/null 2>&1
  callgrind_annotate "$out/cg" | sed -n 's/^ *\([0-9,]*\) .*PROGRAM TOTALS.*/\1/p' | tr -d ,
}
for drives in 1 27; do
  pass=$(inclusive "$drives" "$handler")
  library=$(inclusive "$drives" 'Bench*')
  echo "$what, $drives drive(s): $(( (pass - library) / (passes * drives) )) instructions per drive per pass" \
       "($(( (pass - library) / passes )) per pass, library calls left out)"
done
