#!/bin/bash
# duvad_script.sh BINDIR WORKDIR: scripts/duvad, the way a Linux user runs the host tool. Linux
# paths reach the tool as Wine itself maps them (winepath -w), Windows paths as they are, make's
# OUTDIR too when it does not exist yet; the tool's exit status comes back; Wine's noise stays off
# the output; the tool and the prefix's wineserver run on one CPU. Runs inside
# tests/wine-session.sh (its server for the prefix is the one checked). Exit 77: no ffmpeg.
set -u
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
duvad=$here/../../scripts/duvad
export DUVAD_BIN=$bin
command -v ffmpeg >/dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
"$here/../../tests/data/make_streams.sh" "$bin/vcd-streams" || { echo "cannot make the test streams"; exit 1; }
s=$bin/vcd-streams
rm -rf "$work" && mkdir -p "$work/with space"
# scripts/duvad moves the session's server onto its CPU; the other tests of the session get it
# back as it was.
server=""
for p in $(pgrep -u "$(id -u)" '^wineserver'); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$p
done
[ -n "$server" ] || { echo "no wineserver for $WINEPREFIX: run inside tests/wine-session.sh"; exit 1; }
was=$(taskset -p "$server" | sed 's/.*: //')
trap 'taskset -a -p "$was" "$server" >/dev/null 2>&1' EXIT

failures=0
check() { # check DESCRIPTION COMMAND...: counts and reports a failed check
  if "${@:2}"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi
}
has() { grep -qF -- "$2" <<<"$1" || { echo "  missing: $2"; echo "$1" | sed 's/^/  | /'; return 1; }; }
hasnt() { ! grep -qE -- "$2" <<<"$1" || { echo "  unwanted: $(grep -E -- "$2" <<<"$1" | head -3)"; return 1; }; }

# Paths: absolute, relative, with a space, inside the prefix's C: drive, and a Windows one. The
# tool prints each name as it received it.
cp "$s/ntsc.mpg" "$work/with space/a b.mpg"
mkdir -p "$WINEPREFIX/drive_c/duvad-test" && cp "$s/pal.mpg" "$WINEPREFIX/drive_c/duvad-test/c.mpg"
wpal=$(winepath -w "$s/pal.mpg" 2>/dev/null)
out=$(cd "$work" && "$duvad" analyze "$s/ntsc.mpg" "with space/a b.mpg" \
  "$WINEPREFIX/drive_c/duvad-test/c.mpg" "$wpal" 2>&1)
rc=$?
check "analyze of four sources succeeds" test $rc -eq 0
for p in "$s/ntsc.mpg" "$work/with space/a b.mpg" "$WINEPREFIX/drive_c/duvad-test/c.mpg" "$s/pal.mpg"; do
  w=$(winepath -w "$p" 2>/dev/null)
  check "the tool gets $p as $w" has "$out" "$w: 352x2"
done
rm -rf "$WINEPREFIX/drive_c/duvad-test"

# make into a Linux folder that does not exist yet, from a relative source.
out=$(cd "$s" && "$duvad" make "$work/new disc" ntsc.mpg 2>&1)
rc=$?
check "make into a new Linux folder succeeds" test $rc -eq 0
check "the disc lands in that folder" test -s "$work/new disc/videocd.bin" -a -s "$work/new disc/AVSEQ01.DAT"

# The tool's exit status: 2 for a wrong command, 1 for a missing file, 0 above.
"$duvad" nonsense >/dev/null 2>&1
check "a wrong command gives the tool's 2" test $? -eq 2
"$duvad" analyze "$work/none.mpg" >/dev/null 2>&1
check "a missing file gives the tool's 1" test $? -eq 1

# Wine's noise: with its debug channels on and no sound card, plain wine writes fixme/err lines
# and ALSA's complaints (else this check could not fail); scripts/duvad writes none of them.
noise='^(ALSA lib |[0-9a-f]{4}:(fixme|err|warn|trace):)|cannot find card'
raw=$(WINEDEBUG=fixme+all,err+all wine "$bin/duvad.exe" info 2>&1 </dev/null)
check "plain wine is noisy here" grep -qE "$noise" <<<"$raw"
out=$(WINEDEBUG=fixme+all,err+all "$duvad" info 2>&1 </dev/null)
check "info succeeds" test $? -eq 0
check "scripts/duvad keeps Wine's noise off the output" hasnt "$out" "$noise"
check "scripts/duvad keeps the tool's output" has "$out" "$(wine "$bin/duvad.exe" info 2>/dev/null </dev/null | head -1 | tr -d '\r')"

# One CPU: the prefix's server (this session's) and the tool's main thread, which runs the DLL's
# pump, looked at while it makes a disc of a 31 MB stream (about a second; the look is taken as
# soon as the tool runs). The raw image's thread may run elsewhere.
check "the session's wineserver runs on CPU 0" grep -q "^Cpus_allowed_list:[[:space:]]*0$" /proc/$server/status
for _ in $(seq 40); do cat "$s/ntsc.mpg"; done >"$work/long.mpg"
"$duvad" make "$work/held-disc" "$work/long.mpg" >/dev/null 2>&1 &
runner=$!
cpus=""
while kill -0 $runner 2>/dev/null && [ -z "$cpus" ]; do
  for p in $(pgrep -u "$(id -u)" -f 'held-disc'); do
    [ "$(cat /proc/$p/comm 2>/dev/null)" = duvad.exe ] &&
      cpus=$(sed -n 's/^Cpus_allowed_list:[[:space:]]*//p' /proc/$p/task/$p/status 2>/dev/null)
  done
  sleep 0.02
done
wait $runner
check "make of the long stream succeeds" test $? -eq 0
check "the tool's main thread, which pumps, runs on CPU 0 (saw: $cpus)" test "$cpus" = 0
rm -rf "$work/held-disc" "$work/long.mpg"

echo "$failures checks failed"
[ $failures -eq 0 ]
