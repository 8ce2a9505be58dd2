#!/bin/sh
# make_vcd_seeds.sh: (re)makes the small seed files of the Video CD fuzz targets in
# fuzz/corpus/ from the ffmpeg test streams (tests/data/make_streams.sh).
set -eu
cd "$(dirname "$0")"
streams=$(mktemp -d)/s
trap 'rm -rf "$(dirname "$streams")"' EXIT
sh ../tests/data/make_streams.sh "$streams"
a=corpus/vcd_analysis_fuzz; l=corpus/vcd_lists_fuzz
mkdir -p "$a" "$l"
head -c 16268 "$streams/ntsc.mpg" > "$a/ntsc_7_packs"        # 7 packs
head -c 16508 "$streams/ntsc.cdxa" > "$a/cdxa_7_sectors"     # header and 7 raw sectors
cp "$streams/tiny.mpg" "$a/tiny_7007"
head -c 4096 "$streams/sequence.m1v" > "$a/sequence_first"
head -c 4096 "$streams/mpeg2.mpg" > "$a/mpeg2_pack"
printf 'C:\\v\\a.mpg\r\nC:\\v\\b.dat\r\n\0C:\\o\\image.bin\r\nC:\\o\\t1.bin\r\nC:\\o\\t2.bin\r\n\0\001\244\000\007\006\026\016\005\011\000\355\377\304\000\001\000\002\003\004\005\006\007\010\011' > "$l/two_tracks"
printf '\0img\r\n\0' > "$l/no_tracks"
