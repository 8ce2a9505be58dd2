#!/bin/bash
# run-files-bench.sh [BUILD_DIR]: MatchFiles on two identical 1 GB files against GNU cmp, and
# sector reading of a 700 MB file in 64-sector requests against dd bs=128k, in the same run and
# from a warm page cache (each measured as the best of 3). Needs the windows preset built; runs its
# Wine part inside tests/wine-session.sh. The big files are deleted afterwards.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/windows}" && pwd)
BIN=$BUILD/bin
[ -x "$BIN/duvad_files_bench.exe" ] || { echo "build the windows preset first (duvad_files_bench.exe)"; exit 2; }

WORK=$BUILD/bench-files
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
A=$WORK/first.bin B=$WORK/second.bin S=$WORK/track.iso
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$A"
cp "$A" "$B"
head -c $((700 * 1024 * 1024)) /dev/urandom > "$S"

best() {  # best wall time of 3 runs of "$@", in seconds
  local best=999999 t0 t1
  for _ in 1 2 3; do
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v m="$best" 'BEGIN { t = b - a; print (t < m ? t : m) }')
  done
  echo "$best"
}
winpath() { echo "Z:$1" | tr / '\\'; }

cat "$A" "$B" "$S" > /dev/null  # warm the page cache
CMP=$(best cmp "$A" "$B")
DD=$(best dd if="$S" of=/dev/null bs=128k)
calc() { awk "BEGIN { print ($1) }"; }
MB_A=$(calc "$(stat -c %s "$A") / 1000000")
MB_S=$(calc "$(stat -c %s "$S") / 1000000")
printf 'GNU cmp %.0f MB: best of 3 %.3f s, %.0f MB/s\n' "$MB_A" "$CMP" "$(calc "$MB_A / $CMP")"
printf 'dd bs=128k %.0f MB: best of 3 %.3f s, %.0f MB/s\n' "$MB_S" "$DD" "$(calc "$MB_S / $DD")"

run() {
  cd "$BIN"
  wine duvad_files_bench.exe match "$(winpath "$A")" "$(winpath "$B")" 3 </dev/null
  wine duvad_files_bench.exe sectors "$(winpath "$S")" 64 3 </dev/null
}
if [ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ]; then
  OUT=$(run | tr -d "\r")
else
  export -f run winpath; export A B S BIN
  OUT=$("$ROOT/tests/wine-session.sh" "$BUILD" bash -c run | tr -d "\r")
fi
echo "$OUT"
MF=$(echo "$OUT" | sed -n 's/^MatchFiles.* \([0-9]*\) MB\/s$/\1/p')
RS=$(echo "$OUT" | sed -n 's/^ReadFileInSectors.* \([0-9]*\) MB\/s$/\1/p')
printf 'MatchFiles / cmp throughput: %.2fx (goal >= 0.8)\n' "$(calc "$MF / ($MB_A / $CMP)")"
printf 'ReadFileInSectors / dd throughput: %.2fx (goal >= 0.8)\n' "$(calc "$RS / ($MB_S / $DD)")"
