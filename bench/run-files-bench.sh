#!/bin/bash
# run-files-bench.sh [BUILD_DIR]: MatchFiles on two identical 1 GB files against GNU cmp, and
# sector reading of a 700 MB file in 64-sector requests against dd bs=128k. The DLL and the tool
# run alternately, 5 rounds each from a warm page cache, and each side's best round counts, so a
# change in the machine's load touches both. Needs the windows preset built; the Wine part runs
# inside tests/wine-session.sh (or in the session this script is already running in). The big
# files are deleted afterwards.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/windows}" && pwd)
[ -x "$BUILD/bin/files_bench.exe" ] || { echo "build the windows preset first (files_bench.exe)"; exit 2; }

if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  exec "$ROOT/tests/wine-session.sh" "$BUILD" "$0" "$BUILD"
fi

WORK=$BUILD/bench-files
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
A=$WORK/first.bin B=$WORK/second.bin S=$WORK/track.iso
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$A"
cp "$A" "$B"
head -c $((700 * 1024 * 1024)) /dev/urandom > "$S"
cat "$A" "$B" "$S" > /dev/null  # warm the page cache

winpath() { echo "Z:$1" | tr / '\\'; }
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'; }
# The DLL side reports its own MB/s for one round (the call alone, without Wine's process start).
dll() { (cd "$BUILD/bin" && wine files_bench.exe "$@" 1 </dev/null | tr -d '\r' | sed -n 's/.* \([0-9]*\) MB\/s$/\1/p'); }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }

MB_A=$(awk -v n="$(stat -c %s "$A")" 'BEGIN { print n / 1e6 }')
MB_S=$(awk -v n="$(stat -c %s "$S")" 'BEGIN { print n / 1e6 }')
cmp_best=0 match_best=0 dd_best=0 sectors_best=0
for _ in 1 2 3 4 5; do
  cmp_best=$(max "$cmp_best" "$(awk -v mb="$MB_A" -v t="$(seconds cmp "$A" "$B")" 'BEGIN { print mb / t }')")
  match_best=$(max "$match_best" "$(dll match "$(winpath "$A")" "$(winpath "$B")")")
  dd_best=$(max "$dd_best" "$(awk -v mb="$MB_S" -v t="$(seconds dd if="$S" of=/dev/null bs=128k)" 'BEGIN { print mb / t }')")
  sectors_best=$(max "$sectors_best" "$(dll sectors "$(winpath "$S")" 64)")
done
awk -v mb="$MB_A" -v a="$match_best" -v b="$cmp_best" \
  'BEGIN { printf "MatchFiles, two identical %.0f MB files: %.0f MB/s; GNU cmp %.0f MB/s; ratio %.2fx (goal >= 0.8)\n", mb, a, b, a / b }'
awk -v mb="$MB_S" -v a="$sectors_best" -v b="$dd_best" \
  'BEGIN { printf "ReadFileInSectors, %.0f MB in 64-sector requests: %.0f MB/s; dd bs=128k %.0f MB/s; ratio %.2fx (goal >= 0.8)\n", mb, a, b, a / b }'
