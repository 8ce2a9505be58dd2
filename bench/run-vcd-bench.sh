#!/bin/bash
# run-vcd-bench.sh [REPS]: the Video CD benchmarks, printed as a table. Needs the windows preset
# built (vcd_bench.exe beside DuVad.dll). Runs under Wine in tests/wine-session.sh:
#   - PrepareVcdFiles on a ~200 MB ffmpeg stream against a plain Win32 sector loop (read 2324,
#     write 2336) without and with one GoEvents(0) per sector, and cp of the same bytes (native);
#   - the longest gap between two pump passes during that conversion;
#   - AnalyzeMpeg on a 10 MB file and on a 2 GB sparse file, against ffprobe for the same facts.
set -eu
cd "$(dirname "$0")/.."
reps=${1:-3}
B=$(pwd)/build/windows
data=$B/bench-vcd
mkdir -p "$data"
sh tests/data/make_streams.sh "$data/streams"
big=$data/big.mpg ten=$data/ten.mpg sparse=$data/sparse.mpg
if [ ! -f "$big" ]; then  # 257 copies of a 4.5 s stream: whole 2324-byte packs, 200 MB
  for i in $(seq 257); do cat "$data/streams/ntsc.mpg"; done > "$big.part" && mv "$big.part" "$big"
fi
[ -f "$ten" ] || head -c $((2324 * 4512)) "$big" > "$ten"
if [ ! -f "$sparse" ]; then  # 2 GB: the 10 MB head, a hole, the stream's last 7008 bytes
  cp "$ten" "$sparse.part"
  truncate -s $((2147483648 + 2324 * 1000)) "$sparse.part"
  tail -c 7008 "$data/streams/ntsc.mpg" | dd of="$sparse.part" bs=1 seek=$((2147483648 + 2324 * 1000 - 7008)) conv=notrunc status=none
  mv "$sparse.part" "$sparse"
fi
win() { echo "Z:$1" | tr / '\\'; }
out=$data/wine.txt
tests/wine-session.sh "$B" sh -c "cd '$B/bin' &&
  wine vcd_bench.exe convert '$(win "$big")' '$(win "$data")' $reps &&
  wine vcd_bench.exe gap '$(win "$big")' '$(win "$data")' &&
  wine vcd_bench.exe analyze '$(win "$ten")' 200 &&
  wine vcd_bench.exe analyze '$(win "$sparse")' 200" </dev/null > "$out" 2>&1 || { cat "$out"; exit 1; }
calc() { awk "BEGIN { print $* }"; }  # floating-point arithmetic without bc
get() { tr -d "\r" < "$out" | awk -v k="$1" '$1 == k { print $2 }' | sed -n "${2:-1}p"; }

# cp of the same bytes, median of REPS; ffprobe for the same facts, mean of 20 runs.
cps=""
for i in $(seq "$reps"); do
  rm -f "$data/cp.bin"
  s=$(date +%s.%N); cp "$big" "$data/cp.bin"; e=$(date +%s.%N)
  cps="$cps $(calc "$e - $s")"
done
rm -f "$data/cp.bin" "$data/bench_track.bin" "$data/bench_track2.bin" "$data/bench_loop.bin" "$data/bench_image.bin"
cp_s=$(echo $cps | tr ' ' '\n' | sort -n | sed -n "$(( (reps + 1) / 2 ))p")
s=$(date +%s.%N)
for i in $(seq 20); do
  ffprobe -v error -select_streams v:0 -show_entries \
    stream=width,height,sample_aspect_ratio,r_frame_rate,bit_rate:format=duration "$ten" >/dev/null
done
e=$(date +%s.%N)
ffprobe_us=$(calc "($e - $s) / 20 * 1000000")

dll=$(get convert_dll) plain=$(get loop_nopump) pumped=$(get loop_pump)
a10=$(get analyze_us 1) a2g=$(get analyze_us 2)
mb=$(calc "$(stat -c %s "$big") / 1048576")
printf '\nVideo CD benchmarks (%s, %.0f MB stream, median of %s runs)\n\n' "$(date -u +%F)" "$mb" "$reps"
printf '| measure | value | against |\n|---|---|---|\n'
printf '| PrepareVcdFiles, one track | %.3f s (%.0f MB/s) | %.2fx the loop with pump (goal <= 1.1x) |\n' "$dll" "$(calc "$mb / $dll")" "$(calc "$dll / $pumped")"
printf '| sector loop, GoEvents(0) per sector | %.3f s | %.2fx the loop without |\n' "$pumped" "$(calc "$pumped / $plain")"
printf '| sector loop, no pump | %.3f s | |\n' "$plain"
printf '| cp of the same bytes (native) | %.3f s | PrepareVcdFiles is %.1fx cp |\n' "$cp_s" "$(calc "$dll / $cp_s")"
for w in convert loop; do
  label="PrepareVcdFiles, two tracks"; [ $w = loop ] && label="sector loop with GoEvents(0), for comparison"
  printf '| gaps between pump passes, %s: max; median / 99th / 99.9th pct | %.1f ms; %.3f / %.3f / %.2f ms | %s of %s gaps over 5 ms (goal: max <= 5 ms); longest before pass %s; call to first pass %.1f ms |\n' \
    "$label" "$(get ${w}_max_gap_ms)" "$(get ${w}_median_gap_ms)" "$(get ${w}_p99_gap_ms)" "$(get ${w}_p999_gap_ms)" \
    "$(get ${w}_gaps_over_5ms)" "$(get ${w}_pump_passes)" "$(get ${w}_worst_gap_before_pass)" "$(get ${w}_first_pass_ms)"
done
printf '| AnalyzeMpeg, 10 MB file | %.0f us | |\n' "$a10"
printf '| AnalyzeMpeg, 2 GB sparse file | %.0f us | %.2fx the 10 MB file |\n' "$a2g" "$(calc "$a2g / $a10")"
printf '| ffprobe, same facts, 10 MB file | %.0f us | AnalyzeMpeg is %.0fx faster (goal >= 20x) |\n' "$ffprobe_us" "$(calc "$ffprobe_us / $a10")"
echo
grep analyze_answer "$out"
