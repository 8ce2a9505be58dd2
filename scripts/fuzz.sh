#!/bin/bash
# fuzz.sh [SECONDS [TARGET...]]: runs the libFuzzer targets named (default: every one) for SECONDS
# each (default 600), one after another, seeded from fuzz/corpus/<target>/ when present. Needs the
# fuzz preset built. Each target grows its own corpus in build/fuzz/corpus/<target>/ across runs;
# a finding (crash, leak, sanitizer report, timeout) is kept in build/fuzz/findings/ and fails the
# run once every target has had its turn.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(build/fuzz/*_fuzz)
mkdir -p build/fuzz/corpus build/fuzz/findings build/fuzz/logs
failed=""
for target in "${targets[@]}"; do
  exe=build/fuzz/$(basename "$target")
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  name=$(basename "$exe")
  work=build/fuzz/corpus/$name; mkdir -p "$work"
  seeds=""; [ -d "fuzz/corpus/$name" ] && seeds="fuzz/corpus/$name"
  log=build/fuzz/logs/$name.log
  echo "fuzzing $name for ${seconds}s"
  rc=0
  "$exe" -max_total_time="$seconds" -print_final_stats=0 -artifact_prefix="build/fuzz/findings/$name-" \
    "$work" $seeds >"$log" 2>&1 || rc=$?
  if [ "$rc" -eq 0 ]; then
    tail -n 3 "$log"
  else
    # The whole report: the sanitizer's or libFuzzer's account of the finding and its input.
    echo "$name FAILED (exit $rc); its log, $log:"
    grep -v '^#[0-9]' "$log" | tail -n 60
    failed="$failed $name"
  fi
done
if [ -n "$failed" ]; then
  echo "fuzzing found faults in:$failed (inputs in build/fuzz/findings/)"
  exit 1
fi
