#!/bin/bash
# compare-raw-image.sh BASE_COMMIT BASE_BIN [SOURCE...]: shows that `duvad make` of this tree writes
# the same raw image as the duvad.exe/DuVad.dll in BASE_BIN (built from BASE_COMMIT) for the same
# sources (default: the ~190 MB stream of run-make-bench.sh). The first track holds the time of the
# run, so it cannot be compared between two runs: each run's first-track raw sectors are instead
# made again from its own TRACK01.IMG by BASE_COMMIT's raw sector code (built natively here), which
# must reproduce both runs' first track. Everything behind it (gaps, track files, padding) must be
# byte-identical between the runs, as must the track files.
set -eu
cd "$(dirname "$0")/.."
base=$1 base_bin=$(cd "$2" && pwd); shift 2
B=$(pwd)/build/windows
sources=("$@")
[ ${#sources[@]} -gt 0 ] || sources=("$B/bench-vcd/big.mpg")
work=$B/compare-raw
rm -rf "$work" && mkdir -p "$work/ref"
git archive "$base" host/core vcd/core | tar -x -C "$work/ref"
cat > "$work/ref/first_track_raw.cpp" <<'CPP'
// first_track_raw IMAGE N: the raw sectors of the first N sectors of IMAGE (2336-byte sectors), to stdout.
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "host/core/raw_disc.h"
int main(int, char** argv) {
    FILE* in = std::fopen(argv[1], "rb");
    const int n = std::atoi(argv[2]);
    std::vector<unsigned char> s(2336), raw(2352);
    for (int lba = 0; lba < n && in && std::fread(s.data(), 1, s.size(), in) == s.size(); ++lba) {
        duvad::host::makeRawSector(s.data(), uint32_t(lba), raw.data());
        std::fwrite(raw.data(), 1, raw.size(), stdout);
    }
    return 0;
}
CPP
g++ -std=c++17 -O2 -I "$work/ref" -o "$work/first_track_raw" "$work/ref/first_track_raw.cpp" "$work/ref/host/core/raw_disc.cpp"
win() { echo "Z:$1" | tr / '\\'; }
wsources=$(for f in "${sources[@]}"; do printf '%q ' "$(win "$f")"; done)
tests/wine-session.sh "$B" bash -c "
  wine '$base_bin/duvad.exe' make '$(win "$work/base")' $wsources >/dev/null &&
  wine '$B/bin/duvad.exe' make '$(win "$work/new")' $wsources >/dev/null" </dev/null
first=$(( $(stat -c %s "$work/new/TRACK01.IMG") / 2336 ))
skip=$((first * 2352)) failures=0
same() { if cmp "${@:2}"; then echo "same  $1"; else echo "DIFFERS  $1"; failures=$((failures + 1)); fi; }
for t in "$work"/base/AVSEQ*.DAT; do same "$(basename "$t")" "$t" "$work/new/$(basename "$t")"; done
same "videocd.bin behind the first track ($(( $(stat -c %s "$work/new/videocd.bin") - skip )) bytes)" \
  -i "$skip" "$work/base/videocd.bin" "$work/new/videocd.bin"
same "videocd.bin sizes" <(stat -c %s "$work/base/videocd.bin") <(stat -c %s "$work/new/videocd.bin")
for run in base new; do
  "$work/first_track_raw" "$work/$run/TRACK01.IMG" "$first" > "$work/$run-first.raw"
  same "$run: first track = $base's raw sectors of its TRACK01.IMG" "$work/$run-first.raw" <(head -c "$skip" "$work/$run/videocd.bin")
done
same "videocd.cue" "$work/base/videocd.cue" "$work/new/videocd.cue"
same "videocd.toc" "$work/base/videocd.toc" "$work/new/videocd.toc"
rm -rf "$work"
[ $failures -eq 0 ] && echo "raw images identical" || { echo "$failures differences"; exit 1; }
