#!/bin/bash
# make_refusals.sh BINDIR WORKDIR: "duvad make" refuses bad input with one clear line and a
# non-zero exit, and leaves nothing half-written that could pass for a finished disc. Runs inside
# tests/wine-session.sh.
set -u
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
command -v ffmpeg >/dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
mkdir -p "$work"
"$here/../../tests/data/make_streams.sh" "$bin/vcd-streams" || { echo "cannot make the test streams"; exit 1; }
s=$bin/vcd-streams  # shared with the DLL's Video CD tests
failures=0
win() { winepath -w "$1" 2>/dev/null; }

# refuses DESCRIPTION EXPECTED-TEXT FILE...: make exits non-zero with one line holding the text,
# and writes no disc.
refuses() {
  local what=$1 want=$2; shift 2
  local out=$work/refused
  rm -rf "$out"
  local err rc
  err=$(wine "$bin/duvad.exe" make "$(win "$out")" "$@" 2>&1 >/dev/null); rc=$?
  local lines=$(printf '%s\n' "$err" | grep -c .)
  if [ $rc -ne 0 ] && [ "$lines" = 1 ] && grep -qF -- "$want" <<<"$err" && [ ! -e "$out/videocd.cue" ] \
     && [ ! -e "$out/videocd.bin" ] && [ ! -e "$out/videocd.toc" ]; then
    echo "ok    $what: $err"
  else
    echo "FAIL  $what (exit $rc): $err"; failures=$((failures + 1))
  fi
}

printf 'just some text\r\n' > "$work/notes.txt"
refuses "missing file" "cannot be opened" "$(win "$work/no such file.mpg")"
refuses "text file" "not an MPEG-1 system stream or RIFF CDXA file" "$(win "$work/notes.txt")"
refuses "MPEG-2 program stream" "an MPEG-2 stream" "$(win "$s/mpeg2.mpg")"
refuses "video elementary stream" "not an MPEG-1 system stream" "$(win "$s/sequence.m1v")"
# A source so short (five packs, a 90-sector track file) that it cannot be padded to four seconds
# within the gap before a following track; the message says the minimum.
head -c $((2324 * 5)) "$s/ntsc.mpg" > "$work/five.mpg"
refuses "short source before another" "too short to be followed by another track (90 sectors; a track file needs 150" \
  "$(win "$work/five.mpg")" "$(win "$s/ntsc.mpg")"
one=$(win "$s/ntsc.mpg"); many=(); for i in $(seq 33); do many+=("$one"); done
refuses "33 files" "too many files (33)" "${many[@]}"
# 360000 sectors of stream (sparse past its real packs): longer than an 80-minute disc.
cp "$s/ntsc.mpg" "$work/huge.mpg" && truncate -s $((2324 * 360000)) "$work/huge.mpg"
refuses "disc over capacity" "do not fit an 80-minute disc" "$(win "$work/huge.mpg")"
rm -f "$work/huge.mpg"
: > "$work/afile"
err=$(wine "$bin/duvad.exe" make "$(win "$work/afile")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null)
if [ $? -ne 0 ] && grep -qF "is not a folder" <<<"$err"; then echo "ok    output is a file: $err"
else echo "FAIL  output is a file: $err"; failures=$((failures + 1)); fi

# A write that fails inside PrepareVcdFiles (file size limit; the signal ignored, so the write
# itself fails): its code is reported, and neither track files nor a disc are left.
out=$work/limited
rm -rf "$out"
err=$( (trap '' XFSZ; ulimit -f 500; wine "$bin/duvad.exe" make "$(win "$out")" "$(win "$s/ntsc.mpg")") 2>&1 >/dev/null)
rc=$?
if [ $rc -ne 0 ] && grep -qF "(-301); nothing was kept" <<<"$err" && [ -z "$(ls -A "$out")" ]; then
  echo "ok    track write fails: $err"
else
  echo "FAIL  track write fails (exit $rc): $err; left: $(ls "$out")"; failures=$((failures + 1))
fi
# Failing while the raw image is written: no cue sheet or TOC, no file named like the disc.
rm -rf "$out"
err=$( (trap '' XFSZ; ulimit -f 1500; wine "$bin/duvad.exe" make "$(win "$out")" "$(win "$s/ntsc.mpg")") 2>&1 >/dev/null)
rc=$?
if [ $rc -ne 0 ] && grep -qF "cannot write" <<<"$err" && [ ! -e "$out/videocd.bin" ] && [ ! -e "$out/videocd.bin.part" ] \
   && [ ! -e "$out/videocd.cue" ] && [ ! -e "$out/videocd.toc" ]; then
  echo "ok    raw image write fails: $err"
else
  echo "FAIL  raw image write fails (exit $rc): $err; left: $(ls "$out")"; failures=$((failures + 1))
fi

echo "$failures checks failed"
[ $failures -eq 0 ]
