#!/bin/bash
# run-make-bench.sh [ROUNDS]: `duvad make` as a user meets it, against the DLL's conversion of the
# same stream alone and against vcdimager, on a ~190 MB ffmpeg stream (the one of run-vcd-bench.sh).
# The three run alternately, their order rotating from round to round, ROUNDS (>= 3) times inside
# one Wine session; prints the medians, the cost of one GoEvents(0) pass in each round, both
# ratios and the machine's load. Needs the windows preset built. Not a test: nothing fails on a
# slow machine.
#   duvad make      scripts/duvad make OUT big.mpg (Linux paths), wall time with Wine's process
#                   start; the tool and the session's wineserver on CPU 0, as scripts/duvad runs them
#   DLL alone       PrepareVcdFiles timed inside vcd_bench.exe (the call only), also on CPU 0
#   vcdimager       vcdimager -t vcd2 --cue-file=v.cue --bin-file=v.bin big.mpg (where the kernel puts it)
#   bare start      scripts/duvad usage: Wine's start and exit of the same program, which every
#                   Windows program pays under Wine; make less this is what the tool adds
# DUVAD_BIN (default build/windows/bin) names the folder of duvad.exe and DuVad.dll to measure;
# DUVAD_BIN_B another build's folder, whose make then runs in each round too ("make B").
# The session's server and the DLL alone run on CPU 0, as scripts/duvad runs the tool.
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-3}
[ "$rounds" -ge 3 ] || { echo "at least 3 rounds"; exit 2; }
B=$(pwd)/build/windows
bin=${DUVAD_BIN:-$B/bin} binb=${DUVAD_BIN_B:-}
data=$B/bench-vcd
mkdir -p "$data"
sh tests/data/make_streams.sh "$data/streams"
big=$data/big.mpg
if [ ! -f "$big" ]; then  # 257 copies of a 4.5 s stream: whole 2324-byte packs, 200 MB
  for i in $(seq 257); do cat "$data/streams/ntsc.mpg"; done > "$big.part" && mv "$big.part" "$big"
fi
command -v vcdimager >/dev/null || { echo "vcdimager is not installed"; exit 2; }
[ -f "$bin/vcd_bench.exe" ] || cp "$B/bin/vcd_bench.exe" "$bin/"
win() { echo "Z:$1" | tr / '\\'; }
load_before=$(uptime | sed 's/.*load average: //')
out=$data/make-bench.txt
tests/wine-session.sh "$B" bash -c '
  set -u
  bin=$1 big=$2 data=$3 rounds=$4 wbig=$5 wdata=$6 binb=$7
  n=3; [ -n "$binb" ] && n=4
  t() { local s=$(date +%s.%N); "$@" >/dev/null 2>&1 || [ "$2" = usage ] || echo "failed: $*" >&2; echo "$s $(date +%s.%N)" | awk "{ print \$2 - \$1 }"; }
  export DUVAD_BIN=$bin
  # The first Wine start of a session is slower; scripts/duvad also moves the server onto CPU 0.
  scripts/duvad analyze "$big" >/dev/null 2>&1
  for r in $(seq "$rounds"); do
    sync
    echo "start $(t scripts/duvad usage)"  # a bare start and exit of the same program
    for k in $(seq 0 $((n - 1))); do
      sync  # the last run'"'"'s 200 MB reach the disk before the next starts, not while it runs
      case $(( (r + k) % n )) in
        0) rm -rf "$data/make"; echo "make $(t scripts/duvad make "$data/make" "$big")" ;;
        1) taskset -c 0 wine "$bin/vcd_bench.exe" prepare "$wbig" "$wdata" 2>&1 | tr -d "\r"
           rm -f "$data/bench_track.bin" "$data/bench_image.bin" ;;
        2) rm -f "$data/v.bin" "$data/v.cue"
           echo "vcdimager $(t vcdimager -t vcd2 --cue-file="$data/v.cue" --bin-file="$data/v.bin" "$big")" ;;
        3) rm -rf "$data/make"; echo "make_b $(DUVAD_BIN=$binb t scripts/duvad make "$data/make" "$big")" ;;
      esac
    done
  done' _ "$bin" "$big" "$data" "$rounds" "$(win "$big")" "$(win "$data")" "$binb" </dev/null > "$out" 2>&1 || { cat "$out"; exit 1; }
load_after=$(uptime | sed 's/.*load average: //')
rm -rf "$data/make" "$data/v.bin" "$data/v.cue"
grep -q failed "$out" && { cat "$out"; exit 1; }
med() { awk -v k="$1" '$1 == k { print $2 }' "$out" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
all() { awk -v k="$1" '$1 == k { printf "%s ", $2 }' "$out"; }
calc() { awk "BEGIN { print $* }"; }
make_s=$(med make) dll_s=$(med convert_dll) vcdi_s=$(med vcdimager) pump=$(med pump_us) start_s=$(med start)
mb=$(calc "$(stat -c %s "$big") / 1048576")
printf '\nduvad make against the DLL alone and vcdimager (%s, %.0f MB stream, medians of %s rounds)\n' "$(date -u +%F)" "$mb" "$rounds"
printf 'load average before: %s; after: %s; %s cores\n\n' "$load_before" "$load_after" "$(nproc)"
printf '| measure | median | rounds |\n|---|---|---|\n'
printf '| scripts/duvad make OUT big.mpg (wall, with Wine start) | %.3f s | %s|\n' "$make_s" "$(all make)"
[ -n "$binb" ] && printf '| make B (%s) | %.3f s | %s|\n' "$binb" "$(med make_b)" "$(all make_b)"
printf '| PrepareVcdFiles alone (vcd_bench, CPU 0) | %.3f s | %s|\n' "$dll_s" "$(all convert_dll)"
printf '| vcdimager -t vcd2 | %.3f s | %s|\n' "$vcdi_s" "$(all vcdimager)"
printf '| one GoEvents(0) pass | %.1f us | %s|\n' "$pump" "$(all pump_us)"
printf '| bare start and exit: scripts/duvad usage | %.3f s | %s|\n' "$start_s" "$(all start)"
printf '\nduvad make / DLL alone: %.2fx (goal <= 1.1x)\n' "$(calc "$make_s / $dll_s")"
printf 'duvad make / vcdimager: %.2fx (goal <= 1.0x on a quiet machine)\n' "$(calc "$make_s / $vcdi_s")"
printf 'duvad make less the bare start / DLL alone: %.2fx\n' "$(calc "($make_s - $start_s) / $dll_s")"
# The same ratios round by round (the machine's pace changes between rounds more than within one).
per_round() { awk -v a="$1" -v b="$2" -v s="$3" '$1 == "start" { r++ } $1 == a { x[r] = $2 } $1 == b { y[r] = $2 }
  $1 == "start" { st[r] = $2 } END { for (i = 1; i <= r; i++) print (x[i] - s * st[i]) / y[i] }' "$out" |
  sort -n | awk '{ v[NR] = $1; l = l sprintf("%.2f ", $1) } END { printf "%.2fx (rounds: %s)", v[int((NR + 1) / 2)], l }'; }
[ -n "$binb" ] && printf 'make B / vcdimager: %.2fx; round by round, median: make B / make %s\n' \
  "$(calc "$(med make_b) / $vcdi_s")" "$(per_round make_b make 0)"
printf 'round by round, median: make / DLL %s; make / vcdimager %s; make less start / DLL %s\n' \
  "$(per_round make convert_dll 0)" "$(per_round make vcdimager 0)" "$(per_round make convert_dll 1)"
