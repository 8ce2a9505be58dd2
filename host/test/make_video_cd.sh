#!/bin/bash
# make_video_cd.sh BINDIR WORKDIR: "duvad make" end to end under Wine, checked by independent
# readers: vcd-info and the ripper vcdxrip (vcdimager), cd-info and iso-info (libcdio-utils),
# isoinfo (genisoimage), cdrdao show-toc and read-test, toc2cue, ffprobe; the MPEG streams read back from the
# raw disc image must equal their sources byte for byte, and vcdxrip must rip them as it rips them
# from vcdimager's disc of the same sources. Runs inside tests/wine-session.sh. Exit 77: a reader
# is not installed.
set -u
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in vcd-info vcdxrip vcdimager cd-info iso-info isoinfo cdrdao toc2cue ffprobe ffmpeg python3; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
mkdir -p "$work"
"$here/../../tests/data/make_streams.sh" "$bin/vcd-streams" || { echo "cannot make the test streams"; exit 1; }
s=$bin/vcd-streams out=$work/disc
rm -rf "$out"

failures=0
check() { # check DESCRIPTION COMMAND...: counts and reports a failed check
  if "${@:2}"; then echo "ok    $1"; else echo "FAIL  $1"; failures=$((failures + 1)); fi
}
# burnable DIR FILE: cdrdao's own check of a cue sheet or TOC, as a burn runs it, without --force:
# no warning (a track under four seconds is one), and every sector read.
burnable() {
  local r rc; r=$(cd "$1" && cdrdao read-test "$2" 2>&1); rc=$?
  [ $rc -eq 0 ] && ! grep -q "WARNING\|ERROR" <<<"$r" && grep -q "^Read [0-9]* blocks" <<<"$r" \
    || { grep "WARNING\|ERROR" <<<"$r" | sed 's/^/  | /'; return 1; }
}
has() { grep -qF -- "$2" <<<"$1" || { echo "  missing: $2"; return 1; }; }
# rips_as_vcdimager NAME DIR SOURCE...: vcdxrip follows each track file's Form 2 sectors from the
# directory's extent and stops at any other sector. It must rip every track of the disc in DIR,
# through the cue sheet and through the TOC, into the streams it rips from the disc vcdimager
# makes of the same sources (for a RIFF CDXA source, the MPEG stream whose packs it carries).
rips_as_vcdimager() {
  local name=$1 dir=$2; shift 2
  local rip=$work/rip-$name mpegs=() f k r log
  for f in "$@"; do [ "${f##*.}" = cdxa ] && mpegs+=("$s/ntsc.mpg") || mpegs+=("$f"); done
  rm -rf "$rip" && mkdir -p "$rip/vcdimager" "$rip/cue" "$rip/toc"
  (cd "$rip/vcdimager" && vcdimager -t vcd2 -c v.cue -b v.bin "${mpegs[@]}" >/dev/null 2>&1 &&
    vcdxrip -q -c v.cue --nofiles >/dev/null 2>&1) || { check "$name: vcdimager's disc rips" false; return; }
  log=$(cd "$rip/cue" && vcdxrip -q -c "$dir/videocd.cue" --nofiles 2>&1)
  # The TOC as cdrdao reads it (vcdxrip's own TOC reader misreads raw tracks): cdrdao's toc2cue
  # turns it into a cue sheet of the same image, which must be ours and rip the same.
  (cd "$dir" && toc2cue videocd.toc "$rip/toc/videocd.cue" >/dev/null 2>&1) && ln -s "$dir/videocd.bin" "$rip/toc/"
  check "$name: cdrdao reads the TOC as the cue sheet" cmp -s "$rip/toc/videocd.cue" "$dir/videocd.cue"
  log+=$(cd "$rip/toc" && vcdxrip -q -c videocd.cue --nofiles 2>&1)
  grep -q "non-form2" <<<"$log" && echo "$log" | sort | uniq -c | sed 's/^/  | /'
  check "$name: vcdxrip meets no sector of another form" eval '! grep -q "non-form2" <<<"$log"'
  for k in $(seq $#); do
    f=$(printf 'avseq%02d.mpg' $k)
    for r in cue toc; do
      check "$name: vcdxrip rips track $((k + 1)) through the $r as from vcdimager's disc" \
        eval "test -s '$rip/$r/$f' && cmp -s '$rip/$r/$f' '$rip/vcdimager/$f'"
    done
  done
  rm -rf "$rip"
}
win() { winepath -w "$1" 2>/dev/null; }

# analyze: one line per file as AnalyzeMpeg sees it, and the disc they would make.
an=$(wine "$bin/duvad.exe" analyze $(for f in ntsc.mpg pal.mpg film.mpg square.mpg ntsc.cdxa; do win "$s/$f"; done) 2>&1)
rc=$?
echo "$an" | sed 's/^/  | /'
check "analyze succeeds" test $rc -eq 0
check "analyze: NTSC" has "$an" "ntsc.mpg: 352x240  aspect 12 (1.0950)  rate 4 (29.97 Hz)  1150000 bit/s  0:04  $(( $(stat -c %s "$s/ntsc.mpg") / 2324 + 85 )) sectors  Video CD picture rules: met"
check "analyze: PAL" has "$an" "pal.mpg: 352x288  aspect 8 (0.9157)  rate 3 (25 Hz)  1150000 bit/s"
check "analyze: film" has "$an" "film.mpg: 352x240  aspect 12 (1.0950)  rate 1 (23.976 Hz)"
check "analyze: square pels are not Video CD" has "$an" "square.mpg: 352x240  aspect 1 (1.0000)"
check "analyze: square pels are not Video CD" grep -q "square.mpg: .*Video CD picture rules: not met" <<<"$an"
check "analyze: RIFF CDXA" grep -q "ntsc.cdxa: 352x240 .* Video CD picture rules: met" <<<"$an"
check "analyze: the disc's total" grep -q "^5 tracks: [0-9]* sectors, 0:[0-9][0-9] min; 74-min disc: 1% full; 80-min disc: 1% full" <<<"$an"
dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$s/ntsc.mpg")
check "analyze: playing time agrees with ffprobe ($dur s)" has "$an" "bit/s  0:0${dur%%.*}  "
wine "$bin/duvad.exe" analyze "$(win "$work/none.mpg")" >/dev/null 2>&1
check "analyze: a missing file fails" test $? -ne 0

# analyze says what make will do: files with a WAVE header, bytes in front of the first pack, or an
# empty sector in front are refused by make, and analyze says so (and fails); a ragged end is
# dropped, and analyze says how many bytes.
python3 - "$s/ntsc.mpg" "$work" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
w = sys.argv[2]
# A 44-byte WAVE header (RIFF head, fmt chunk, data chunk head) in front of the stream.
open(f"{w}/wave.mpg", "wb").write(b"RIFF" + struct.pack("<I", len(data) + 36) + b"WAVEfmt " + struct.pack("<I", 16) + bytes(16) + b"data" +
                                  struct.pack("<I", len(data)) + data)
open(f"{w}/garbage.mpg", "wb").write(b"junk!" + data)
open(f"{w}/zerofront.mpg", "wb").write(bytes(2324) + data)
open(f"{w}/ragged.mpg", "wb").write(data + data[:1972])
# The bit rate field all ones (0x3FFFF): a variable bit rate.
b = bytearray(data)
p = b.find(b"\x00\x00\x01\xb3")
b[p + 8], b[p + 9], b[p + 10] = 0xFF, 0xFF, b[p + 10] | 0xC0
open(f"{w}/vbr.mpg", "wb").write(b)
PY
for f in wave:44 garbage:5 zerofront:2324; do
  an=$(wine "$bin/duvad.exe" analyze "$(win "$work/${f%:*}.mpg")" 2>&1)
  check "analyze: ${f%:*}.mpg fails" test $? -ne 0
  check "analyze: make refuses ${f%:*}.mpg, with the remedy" has "$an" "make: refuses it: not an MPEG-1 system stream or RIFF CDXA file: its first pack header is at byte ${f#*:}, not 0; remux it:  ffmpeg -f mpeg -i \"$(win "$work/${f%:*}.mpg")\" -c copy -target ntsc-vcd \"$(win "$work/${f%:*}")-vcd.mpg\""
  # The remedy, run on the Linux side, gives a stream that make takes.
  ffmpeg -nostdin -v error -y -f mpeg -i "$work/${f%:*}.mpg" -c copy -target ntsc-vcd "$work/${f%:*}-vcd.mpg"
  check "analyze: the remedy's stream of ${f%:*}.mpg is taken" \
    has "$(wine "$bin/duvad.exe" analyze "$(win "$work/${f%:*}-vcd.mpg")" 2>&1)" "make: takes it as track 2"
done
an=$(wine "$bin/duvad.exe" analyze "$(win "$work/ragged.mpg")" "$(win "$work/vbr.mpg")" 2>&1)
check "analyze: a ragged end is taken" test $? -eq 0
check "analyze: the ragged end's 1972 bytes are dropped" has "$an" "note: the last 1972 bytes are not a whole sector and are left out of the track"
check "analyze: a variable bit rate is shown as such" grep -q "vbr.mpg: 352x240 .* variable bit rate " <<<"$an"

# The audio a Video CD player expects: MPEG-1 Layer II at 44100 Hz, one stream.
check "analyze: audio facts" has "$(wine "$bin/duvad.exe" analyze "$(win "$s/ntsc.mpg")" 2>&1)" \
  "audio: MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo; 1 audio stream"
vcdff() { ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 "$@"; }
vcdff -f lavfi -i sine=sample_rate=48000 -t 1 -target ntsc-vcd -ar 48000 "$work/a48k.mpg"
vcdff -t 1 -target ntsc-vcd "$work/silent.mpg"
vcdff -f lavfi -i sine=sample_rate=44100 -f lavfi -i sine=sample_rate=44100:frequency=880 -t 1 -map 0 -map 1 -map 2 \
  -target ntsc-vcd "$work/twoaudio.mpg"
vcdff -f lavfi -i sine=sample_rate=44100 -t 1 -target ntsc-vcd -c:a libmp3lame "$work/layer3.mpg"
an=$(wine "$bin/duvad.exe" analyze $(for f in a48k silent twoaudio layer3; do win "$work/$f.mpg"; done) 2>&1)
echo "$an" | sed 's/^/  | /'
check "analyze: 48 kHz audio" has "$an" "warning: 48000 Hz audio: a Video CD player expects 44100 Hz"
check "analyze: no audio" has "$an" "warning: no audio stream: the disc plays without sound"
check "analyze: two audio streams" has "$an" "warning: 2 audio streams: a Video CD player plays one"
check "analyze: Layer III audio" has "$an" "warning: Layer III audio: a Video CD player expects Layer II"

# Four tracks: NTSC, PAL, film rate, and a RIFF CDXA file.
sources=("$s/ntsc.mpg" "$s/pal.mpg" "$s/film.mpg" "$s/ntsc.cdxa")
log=$(wine "$bin/duvad.exe" make "$(win "$out")" $(for f in "${sources[@]}"; do win "$f"; done) 2>&1)
rc=$?
echo "$log" | sed 's/^/  | /'
check "make succeeds" test $rc -eq 0
check "progress names every track" has "$log" "track  4/4  AVSEQ04.DAT"
for f in videocd.bin videocd.cue videocd.toc TRACK01.IMG AVSEQ01.DAT AVSEQ04.DAT; do
  check "$f written" test -s "$out/$f"
done
[ $rc -eq 0 ] || { echo "$failures checks failed"; exit 1; }

# Expected layout: the first track of 300 sectors, each track file after 150 sectors.
starts=() lengths=() start=450
for k in 1 2 3 4; do
  n=$(( $(stat -c %s "$out/AVSEQ0$k.DAT") / 2336 ))
  starts+=($start) lengths+=($n)
  start=$((start + n + 150))
done
total=$(( $(stat -c %s "$out/videocd.bin") / 2352 ))
check "raw image holds the first track, the gaps and the track files" \
  test $total -eq $((starts[3] + lengths[3])) -a $(( $(stat -c %s "$out/videocd.bin") % 2352 )) -eq 0

cd "$out" || exit 1
vcd=$(vcd-info --no-banner --cue-file videocd.cue 2>&1)
check "vcd-info: Video CD 2.0 detected" has "$vcd" "VCD 2.0 detected"
check "vcd-info: four entries" has "$vcd" " entries: 4"
for k in 1 2 3 4; do
  i=$((k - 1)) lsn=$(printf '%6d' ${starts[$i]})
  a=$((starts[i] + 150)) msf=$(printf '%02d:%02d:%02d' $((a / 4500)) $((a / 75 % 60)) $((a % 75)))
  check "vcd-info: entry $k at LSN ${starts[$i]} ($msf)" \
    has "$vcd" "ENTRY[0$i]: track# $(printf '%2d' $k) (SEQUENCE[$i]), LSN $lsn (MSF $msf)"
  check "vcd-info: AVSEQ0$k.DAT of $(( (lengths[$i] - 10) * 2048 )) bytes at LSN ${starts[$i]}" \
    has "$vcd" "[fn 0$k] [LSN $lsn]$(printf ' %9d (%9d)' $(( (lengths[$i] - 10) * 2048 * 2324 / 2048 )) $(( (lengths[$i] - 10) * 2048 )))  AVSEQ0$k.DAT;1"
done
check "vcd-info: PAL flag of track 2 only" has "$vcd" "pal flags: 01000000 00000000"

cdi=$(cd-info --no-header --no-device-info --cue-file videocd.cue 2>&1)
check "cd-info: Video CD" has "$cdi" "Video CD"
check "cd-info: CD-RTOS CD-BRIDGE" has "$cdi" "System     : CD-RTOS CD-BRIDGE"
for k in 1 2 3 4; do
  a=$((starts[k - 1] + 150)) msf=$(printf '%02d:%02d:%02d' $((a / 4500)) $((a / 75 % 60)) $((a % 75)))
  check "cd-info: track $((k + 1)) at LSN ${starts[$((k - 1))]}" \
    has "$cdi" "$(printf '%2d' $((k + 1))): $msf  $(printf '%06d' ${starts[$((k - 1))]}) XA"
done

# The first track's file system from the 2048-byte user data of its Form 1 sectors.
python3 -c "
import sys
raw = open('videocd.bin', 'rb').read()
open('track1.iso', 'wb').write(b''.join(raw[s * 2352 + 24: s * 2352 + 24 + 2048] for s in range(300)))"
iso=$(isoinfo -l -i track1.iso 2>&1)
check "isoinfo: the Video CD folders" has "$iso" "Directory listing of /SEGMENT/"
check "isoinfo: ENTRIES.VCD at 151" has "$iso" "[    151 00]  ENTRIES.VCD;1"
check "isoinfo: INFO.VCD at 150" has "$iso" "[    150 00]  INFO.VCD;1"
for k in 1 2 3 4; do
  check "isoinfo: AVSEQ0$k.DAT" has "$iso" "$(printf '%8d' $(( (lengths[k-1] - 10) * 2048 )))"
done
xa=$(iso-info --no-header -l -i track1.iso 2>&1)
check "iso-info: track files are XA Form 2 with their file numbers" has "$xa" "--i2--r-r-r 0 0 [fn 04] [LSN $(printf '%6d' ${starts[3]})]"

check "cdrdao read-test accepts videocd.cue" burnable . videocd.cue
check "cdrdao read-test accepts videocd.toc" burnable . videocd.toc
toc=$(cdrdao show-toc videocd.toc 2>&1)
check "cdrdao: CD-ROM XA table of contents" has "$toc" "TOC TYPE: CD_ROM_XA"
rips_as_vcdimager four "$out" "${sources[@]}"
for k in 1 2 3 4; do
  check "cdrdao: track $((k + 1)) starts at ${starts[$((k - 1))]}" has "$toc" "($(printf '%6d' ${starts[$((k - 1))]}))"
done

# The streams read back from the raw image: the 2324-byte payloads of each track's data sectors.
python3 - "${starts[*]}" "${lengths[*]}" "${sources[@]}" <<'PY'
import sys
starts = [int(x) for x in sys.argv[1].split()]
lengths = [int(x) for x in sys.argv[2].split()]
raw = open("videocd.bin", "rb").read()
for k, (start, n, src) in enumerate(zip(starts, lengths, sys.argv[3:]), 1):
    data = b"".join(raw[s * 2352 + 24: s * 2352 + 24 + 2324] for s in range(start + 30, start + n - 55))
    source = open(src, "rb").read()
    if source[:4] == b"RIFF":  # the packs of the CDXA file's raw sectors
        source = b"".join(source[44 + i * 2352 + 24: 44 + i * 2352 + 24 + 2324] for i in range((len(source) - 44) // 2352))
    else:
        source = source[: len(source) // 2324 * 2324]
    open(f"readback{k}.mpg", "wb").write(data)
    print(f"readback{k}.mpg", "identical" if data == source else "DIFFERS", len(data), len(source))
PY
for k in 1 2 3 4; do
  src=${sources[$((k - 1))]}
  [ "${src##*.}" = cdxa ] && ref=$s/ntsc.mpg || ref=$src
  want=$(head -c $(( $(stat -c %s "$ref") / 2324 * 2324 )) "$ref" | md5sum)
  check "track $k reads back byte-identical" test "$(md5sum < readback$k.mpg)" = "$want"
  probe=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 readback$k.mpg)
  [ $k = 2 ] && size=352,288 || size=352,240
  check "ffprobe reads track $k as $size" test "$probe" = "$size"
done

# Sources under four seconds: a five-pack cut and a 2-second stream alone (padded behind their
# track files), and the 2-second stream between two others (padded out of the next track's gap,
# whose start stays where the image says). Each disc must pass cdrdao's check, be read by vcd-info
# and give back its streams; its raw image holds the padding.
head -c $((2324 * 5)) "$s/ntsc.mpg" > "$work/five.mpg"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 \
  -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -target ntsc-vcd -aspect 4:3 "$work/two.mpg"
short_disc() { # short_disc NAME SOURCE...
  local name=$1 dir=$work/$1; shift
  rm -rf "$dir"
  local log; log=$(wine "$bin/duvad.exe" make "$(win "$dir")" $(for f in "$@"; do win "$f"; done) 2>&1)
  check "$name: make succeeds" test $? -eq 0 || { echo "$log" | sed 's/^/  | /'; return; }
  local starts=() lengths=() start=450 k=1 pad=0 f padded=0
  for f in "$@"; do
    local n=$(( $(stat -c %s "$dir/AVSEQ0$k.DAT") / 2336 ))
    starts+=($start) lengths+=($n)
    pad=$(( n < 300 ? 300 - n : 0 ))
    padded=$((padded + (pad > 0)))
    [ $pad -gt 0 ] && check "$name: says track $((k + 1)) is padded with $pad sectors" \
      has "$log" "note: track $((k + 1)) ($(basename "$f"), $n sectors) is under four seconds: padded with $pad empty sectors"
    start=$((start + n + 150)) k=$((k + 1))
  done
  check "$name: one padding note per padded track ($padded)" \
    test "$(grep -c "is under four seconds: padded with" <<<"$log")" -eq $padded
  check "$name: raw image ends with the last track's padding" \
    test $(stat -c %s "$dir/videocd.bin") -eq $(( (start - 150 + pad) * 2352 ))
  check "$name: cdrdao read-test accepts videocd.cue" burnable "$dir" videocd.cue
  check "$name: cdrdao read-test accepts videocd.toc" burnable "$dir" videocd.toc
  local vcd; vcd=$(cd "$dir" && vcd-info --no-banner --cue-file videocd.cue 2>&1)
  check "$name: vcd-info reads a Video CD 2.0" has "$vcd" "VCD 2.0 detected"
  check "$name: vcd-info finds $# entries" has "$vcd" " entries: $#"
  rips_as_vcdimager "$name" "$dir" "$@"
  local toc; toc=$(cd "$dir" && cdrdao show-toc videocd.toc 2>&1)
  for k in $(seq $#); do
    check "$name: track $((k + 1)) starts at ${starts[$((k - 1))]} (TOC)" has "$toc" "START  $(
      a=${starts[$((k - 1))]}; printf '%02d:%02d:%02d(%6d)' $((a / 4500)) $((a / 75 % 60)) $((a % 75)) ${starts[$((k - 1))]})"
  done
  check "$name: every stream reads back from the raw image" python3 - "$dir/videocd.bin" "${starts[*]}" "${lengths[*]}" "$@" <<'PY'
import sys
raw = open(sys.argv[1], "rb").read()
starts = [int(x) for x in sys.argv[2].split()]
ok = True
for k, (n, src) in enumerate(zip(map(int, sys.argv[3].split()), sys.argv[4:])):
    start = starts[k]
    data = b"".join(raw[s * 2352 + 24: s * 2352 + 24 + 2324] for s in range(start + 30, start + n - 55))
    source = open(src, "rb").read()
    ok &= data == source[: len(source) // 2324 * 2324]
    # Padding and gap up to the next track or the end: empty Form 2 sectors (subheader 0 0 0x20 0,
    # twice).
    following = starts[k + 1] if k + 1 < len(starts) else len(raw) // 2352
    for s in range(start + n, following):
        ok &= raw[s * 2352 + 16: s * 2352 + 24] == bytes([0, 0, 0x20, 0, 0, 0, 0x20, 0])
sys.exit(0 if ok else 1)
PY
}
short_disc five "$work/five.mpg"
short_disc two "$work/two.mpg"
short_disc between "$s/ntsc.mpg" "$work/two.mpg" "$s/film.mpg"

echo "$failures checks failed"
[ $failures -eq 0 ]
