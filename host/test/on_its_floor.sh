#!/bin/bash
# on_its_floor.sh BINDIR WORKDIR: DuVad.dll and duvad.exe as the oldest processors they promise run
# them. Copies of both, with every instruction newer than the binary's floor (the 80386 for the
# DLL, the Pentium for the tool) made an invalid opcode by tools/cpu_check.py --poison, as such a
# processor would fault on it, must do duvad info, analyze and make under Wine as the originals
# do. Runs inside tests/wine-session.sh. Exit 77: ffmpeg is not installed.
set -u
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
command -v ffmpeg >/dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
"$root/tests/data/make_streams.sh" "$bin/vcd-streams" || { echo "cannot make the test streams"; exit 1; }
s=$bin/vcd-streams
copy=$work/floor
rm -rf "$work" && mkdir -p "$copy"
trap 'rm -rf "$work"' EXIT

failures=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi
}
win() { winepath -w "$1" 2>/dev/null; }
for f in DuVad.dll duvad.exe; do
  python3 "$root/tools/cpu_check.py" --poison "$copy/$f" "$bin/$f" | sed 's/^/  | /'
done

# run NAME ARGS...: the poisoned tool's exit status in $rc, its output in $work/NAME.out (info's
# chime goes to ALSA's null device).
run() {
  local name=$1; shift
  ALSA_CONFIG_PATH=$root/tests/alsa-null.conf wine "$copy/duvad.exe" "$@" </dev/null >"$work/$name.out" 2>&1; rc=$?
  sed 's/^/  | /' "$work/$name.out" | head -5
}
no_fault() { ! grep -qi "illegal instruction\|unhandled" "$work/$1.out"; }

run info info
check "info: exits 0 without a fault" eval '[ $rc -eq 0 ] && no_fault info'
check "info: lists the 48 exports and reads the sounds" \
  eval 'grep -q "^exports (48):" "$work/info.out" && grep -q "1012  MS ADPCM" "$work/info.out"'

run analyze analyze "$(win "$s/ntsc.mpg")"
check "analyze: exits 0 without a fault" eval '[ $rc -eq 0 ] && no_fault analyze'
check "analyze: reads the stream's picture (352x240)" grep -q "352x240" "$work/analyze.out"

run make make "$(win "$work/disc")" "$(win "$s/ntsc.mpg")"
check "make: exits 0 without a fault" eval '[ $rc -eq 0 ] && no_fault make'
# The track file: 30 empty sectors, one sector per 2324-byte pack, 55 empty sectors.
packs=$(( $(stat -c %s "$s/ntsc.mpg") / 2324 ))
check "make: the track file holds 30 + $packs + 55 sectors" \
  test "$(stat -c %s "$work/disc/AVSEQ01.DAT" 2>/dev/null)" = $(( (30 + packs + 55) * 2336 ))
check "make: the raw image and its cue sheet are there" test -s "$work/disc/videocd.bin" -a -s "$work/disc/videocd.cue"

[ $failures -eq 0 ] && echo "on its floor: all checks pass" || echo "on its floor: $failures checks failed"
[ $failures -eq 0 ]
