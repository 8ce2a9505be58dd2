#!/bin/bash
# The main job on its embedded default: builds DuVad.dll and the host tool, and makes a Video CD
# under Wine from a short sample stream (made by ffmpeg on first run: 10 s of ffmpeg's test
# picture and a 440 Hz tone, NTSC Video CD format). Extra arguments go to the host tool instead,
# through scripts/duvad (Linux or Windows paths):
#   scripts/main.sh info | analyze FILE... | make OUTDIR FILE...
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target duvad DuVad
echo "DuVad.dll: $PWD/build/windows/bin/DuVad.dll"
if [ $# -gt 0 ]; then exec scripts/duvad "$@"; fi

sample=$PWD/build/sample/sample.mpg disc=$PWD/build/videocd
if [ ! -s "$sample" ]; then
  mkdir -p "$(dirname "$sample")"
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 \
    -f lavfi -i sine=frequency=440:sample_rate=44100 -t 10 -target ntsc-vcd -aspect 4:3 "$sample.tmp.mpg"
  mv "$sample.tmp.mpg" "$sample"
fi
echo "sample: $sample"
# build/videocd is the build's own folder: a disc left there by an earlier build (one made before
# the tool kept its record of what it wrote) is replaced too.
scripts/duvad make --replace "$disc" "$sample"
WINEPREFIX=$PWD/build/windows/wineprefix wineserver -w  # Wine's server ends before we do
echo
echo "The disc is in $disc (videocd.bin + videocd.cue, or videocd.toc)."
echo "Check it: vcd-info --cue-file $disc/videocd.cue"
echo "Play it:  ffplay $disc/AVSEQ01.DAT"
