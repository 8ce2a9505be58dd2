#!/bin/bash
# fuzz.sh [SECONDS]: runs every libFuzzer target for SECONDS each (default 600), seeded from
# fuzz/corpus/<target>/ when present. Needs the fuzz preset built.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
for exe in build/fuzz/*_fuzz; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  work=build/fuzz/corpus-$name; mkdir -p "$work"
  seeds=""; [ -d "fuzz/corpus/$name" ] && seeds="fuzz/corpus/$name"
  echo "fuzzing $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -print_final_stats=0 "$work" $seeds 2>&1 | tail -n 3
done
