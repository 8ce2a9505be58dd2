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
prefix_server() {
  local p found=""
  for p in $(pgrep -u "$(id -u)" '^wineserver'); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && found=$p
  done
  echo "$found"
}
server=$(prefix_server)
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
check "output lines end in LF alone (ASCII names)" hasnt "$out" $'\r'
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

# What a bash user runs: Linux paths in the advice and the burn line, never Z:\.
full_s=$(realpath "$s")
out=$("$duvad" analyze "$s/p2048.mpg" 2>&1)
check "the remux advice names Linux paths" has "$out" \
  "remux it:  ffmpeg -f mpeg -i \"$full_s/p2048.mpg\" -c copy -target ntsc-vcd \"$full_s/p2048-vcd.mpg\""
check "the remux advice shows no Windows path" hasnt "$(grep remux <<<"$out")" 'Z:\\'
out=$("$duvad" analyze "$s/square.mpg" 2>&1)
check "the picture's fix names Linux paths" has "$out" \
  "fix: make it again within the rules:  ffmpeg -i \"$full_s/square.mpg\" -target ntsc-vcd -aspect 4:3 \"$full_s/square-vcd.mpg\""
out=$("$duvad" make "$work/new disc" "$s/film.mpg" 2>&1)
check "the burn line names the Linux folder" has "$out" "burn: cd to that folder (cd \"$(realpath "$work")/new disc\"), then"
check "make names the Linux folder it writes to" has "$out" "writing the track files and videocd.bin to $(realpath "$work")/new disc"
check "make says the disc's length before it writes" grep -q "^disc: [0-9]* sectors, 0:" <<<"$out"
check "the burn line and the folder line show no Windows path" hasnt "$(grep -A1 '^Video CD 2.0' <<<"$out")$(grep burn: <<<"$out")" 'Z:\\'
# --replace comes before OUTDIR, which is still taken as the folder (a Linux path made Windows').
cp "$s/ntsc.mpg" "$work/new disc/AVSEQ01.DAT"  # no longer the file make recorded
out=$("$duvad" make --replace "$work/new disc" "$s/film.mpg" 2>&1)
check "make --replace through scripts/duvad replaces a file it did not make" test $? -eq 0
check "make --replace writes to the Linux folder given" has "$out" "writing the track files and videocd.bin to $(realpath "$work")/new disc"

# Linux names that Wine would change or miss reach the tool through links with plain names in a
# private folder, and the output names them as given: a trailing dot (beside the file without it,
# another stream), a folder name ending in a space, a backslash, a leading "c:", a double quote,
# a device name, characters code page 1252 cannot hold. Names that are not there are refused
# when Wine would take another name for them.
export LC_ALL=C.UTF-8
lx=$work/linux
mkdir -p "$lx/dir " "$work/tmp" "$lx/dé \"x\""
cp "$s/ntsc.mpg" "$lx/clip." && cp "$s/pal.mpg" "$lx/clip"
odd=('clip.' 'dir /x.mpg' 'a\b.mpg' 'c:x.mpg' 'q"t.mpg' 'aux.mpg' '日本.mpg')
for n in "${odd[@]:1}" clé.mpg; do cp "$s/ntsc.mpg" "$lx/$n"; done
out=$(cd "$lx" && TMPDIR=$work/tmp timeout 120 "$duvad" analyze "${odd[@]}" 2>&1)  # aux.mpg: bounded
check "analyze of names Wine would change succeeds" test $? -eq 0
for n in "${odd[@]}"; do check "analyze reads $n as itself" has "$out" "$n: 352x240  aspect 12 (1.0950)"; done
check "no link is left behind" test -z "$(ls -A "$work/tmp" | grep duvad-)"
out=$(cd "$lx" && TMPDIR=$work/tmp "$duvad" make "dé \"x\"" 'c:x.mpg' 2>&1)
check "make into a folder Wine cannot name succeeds" test $? -eq 0
check "the disc lands in that folder" test -s "$lx/dé \"x\"/videocd.bin"
check "the burn line names the folder as given, quoted for the shell" has "$out" "(cd 'dé \"x\"'), then"
check "no link is left behind by make" test -z "$(ls -A "$work/tmp" | grep duvad-)"
for a in "make $lx/out. $s/ntsc.mpg" "make $lx/ou\"t $s/ntsc.mpg" "analyze $lx/none."; do
  read -r cmd path src <<<"$a"
  err=$("$duvad" $cmd "$path" ${src:+"$src"} 2>&1 >/dev/null)
  rc=$?
  check "$cmd refuses $path, which Wine would change (exit 2)" test $rc -eq 2
  check "the refusal says why" has "$err" "duvad: $path: "
done
# A device name that is not a file here reaches the tool, which refuses it at once.
out=$(cd "$work" && timeout 60 "$duvad" analyze aux.mpg 2>&1)
check "analyze aux.mpg (no such file) is refused as a device name (exit 1)" test $? -eq 1
check "the refusal names the device" has "$out" "aux.mpg: a device name (AUX, CON, NUL, PRN"
check "the refused folders were not made" test ! -e "$lx/out" -a ! -e "$lx/out." -a ! -e "$lx/ou\"t"

# The output: LF line ends, and the characters of names in the terminal's character set (UTF-8),
# from the tool's output and its error messages.
out=$("$duvad" analyze "$lx/clé.mpg" 2>&1)
check "output lines end in LF alone" hasnt "$out" $'\r'
check "é comes out in UTF-8" has "$out" "\\linux\\clé.mpg: 352x240"
err=$("$duvad" make "$work/none" "$lx/née.mpg" 2>&1 >/dev/null)
check "error lines end in LF alone" hasnt "$err" $'\r'
check "é comes out in UTF-8 in an error" has "$err" "née.mpg: cannot be opened"

# A prefix without a Z: drive (only C:): an existing source outside every drive still reaches the
# tool (through a link inside C:), an output folder outside them is refused. A prefix of its own
# (links to this one's C: drive and copies of its registry), with a server of its own, stopped.
noz=$work/noz
rm -rf "$noz" && mkdir -p "$noz/dosdevices"
cp -p "$WINEPREFIX"/*.reg "$WINEPREFIX/.update-timestamp" "$noz/"
ln -s "$WINEPREFIX/drive_c" "$noz/drive_c" && ln -s "$WINEPREFIX/drive_c" "$noz/dosdevices/c:"
out=$(WINEPREFIX=$noz TMPDIR=$work/tmp "$duvad" analyze "$s/ntsc.mpg" 2>&1)
check "no Z: drive: a source outside every drive is analysed" has "$out" "$s/ntsc.mpg: 352x240  aspect 12 (1.0950)"
err=$(WINEPREFIX=$noz "$duvad" make "$work/noz-disc" "$s/ntsc.mpg" 2>&1 >/dev/null)
check "no Z: drive: an output folder outside every drive is refused" has "$err" "no drive of the Wine prefix $noz maps it"
check "no Z: drive: nothing made" test ! -e "$work/noz-disc"
check "no Z: drive: no link is left behind" test -z "$(ls -A "$WINEPREFIX/drive_c" | grep duvad-names)"
WINEPREFIX=$noz wineserver -k 2>/dev/null; WINEPREFIX=$noz wineserver -w 2>/dev/null
rm -rf "$noz"
unset LC_ALL

# The first run in a new prefix says what it does while Wine makes the prefix (Wine stood in for
# by a program that does nothing, so that no prefix is made).
mkdir -p "$work/fake"
printf '#!/bin/sh\nexit 0\n' >"$work/fake/wine" && cp "$work/fake/wine" "$work/fake/wineserver"
chmod +x "$work/fake/wine" "$work/fake/wineserver"
err=$(PATH=$work/fake:$PATH WINEPREFIX=$work/fresh "$duvad" info 2>&1 >/dev/null)
check "the first run says it makes the prefix" has "$err" "duvad: first run in $work/fresh: making the Wine prefix"
rm -rf "$work/fake" "$work/fresh"

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
# Looked up again: the prefix's server may have been started anew since (scripts/duvad pins the one
# that serves the prefix when it runs).
now_server=$(prefix_server)
check "the session's wineserver runs on CPU 0" grep -q "^Cpus_allowed_list:[[:space:]]*0$" "/proc/${now_server:-0}/status"
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
