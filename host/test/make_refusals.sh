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
# and leaves no folder behind (there was none).
refuses() {
  local what=$1 want=$2; shift 2
  local out=$work/refused
  rm -rf "$out"
  local err rc
  # Bounded: a device's read may never return.
  err=$(timeout 120 wine "$bin/duvad.exe" make "$(win "$out")" "$@" 2>&1 >/dev/null); rc=$?
  local lines=$(printf '%s\n' "$err" | grep -c .)
  if [ $rc -ne 0 ] && [ "$lines" = 1 ] && grep -qF -- "$want" <<<"$err" && [ ! -e "$out" ]; then
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
# Two such sources: no order helps (only the last track may be that short), so no "put it last".
err=$(wine "$bin/duvad.exe" make "$(win "$work/refused")" "$(win "$work/five.mpg")" "$(win "$s/ntsc.mpg")" \
  "$(win "$work/five.mpg")" 2>&1 >/dev/null)
if [ $? -ne 0 ] && grep -qF "2 files are that short and only the last track may be" <<<"$err" && ! grep -q "put it last" <<<"$err"; then
  echo "ok    two short sources: $err"
else
  echo "FAIL  two short sources: $err"; failures=$((failures + 1))
fi
# One short source and one of exactly 150 sectors (65 packs), which can be followed: put it last.
head -c $((2324 * 65)) "$s/ntsc.mpg" > "$work/p65.mpg"
refuses "one short source and one of 150 sectors" "five.mpg: too short to be followed by another track (90 sectors; a track file needs 150 to be padded to four seconds within the gap); put it last" \
  "$(win "$work/five.mpg")" "$(win "$s/ntsc.mpg")" "$(win "$work/p65.mpg")"
# Device names: Windows opens the device in any folder (AUX: a serial port whose read never returns;
# NUL: read as empty), so they are refused before anything is opened, at once; a link to a Linux
# device is refused once opened, as not a file on a disk.
dev=$(for f in aux.mpg NUL.mpg "Com1 .dat" lpt9 'conout$.x' 'clock$..'; do printf '%s\n' "$(win "$work")\\$f"; done)
mapfile -t devices <<<"$dev"
an=$(timeout 60 wine "$bin/duvad.exe" analyze "${devices[@]}" 2>&1); rc=$?
if [ $rc -eq 1 ] && [ "$(grep -c ": a device name (AUX, CON, NUL, PRN, COM1 to COM9" <<<"$an")" = 6 ]; then
  echo "ok    analyze refuses device names at once"
else
  echo "FAIL  analyze of device names (exit $rc): $an"; failures=$((failures + 1))
fi
refuses "a device name" "aux.mpg: a device name" "$(win "$work")\aux.mpg"
ln -sfn /dev/zero "$work/zero.mpg"
refuses "a link to a device" "zero.mpg: not a file on a disk (a device or a pipe)" "$(win "$work/zero.mpg")"
rm -f "$work/zero.mpg"
# A full path of 256 characters is one too many for the DLL's 256-byte name areas: refused by its
# length; one of 255 is taken.
base=$(win "$work")\\
for n in 255 256; do
  name=$(printf 'n%.0s' $(seq $((n - ${#base} - 4)))).mpg
  cp "$s/ntsc.mpg" "$work/$name"
  an=$(wine "$bin/duvad.exe" analyze "$base$name" 2>&1)
  want=$([ $n = 255 ] && echo "make: takes it as track 2" || echo "$base$name: name too long (255 characters at most)")
  if [ ${#base} -lt 200 ] && [ $((${#base} + ${#name})) = $n ] && grep -qF -- "$want" <<<"$an"; then echo "ok    a path of $n characters"
  else echo "FAIL  a path of $n characters: $an"; failures=$((failures + 1)); fi
  [ $n = 256 ] && refuses "a path of 256 characters" "name too long (255 characters at most)" "$base$name"
  rm -f "$work/$name"
done
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
# itself fails): its code and cause are reported, and the folder that make made is gone again.
out=$work/limited
rm -rf "$out"
err=$( (trap '' XFSZ; ulimit -f 500; wine "$bin/duvad.exe" make "$(win "$out")" "$(win "$s/ntsc.mpg")") 2>&1 >/dev/null)
rc=$?
if [ $rc -ne 0 ] && grep -qF "could not be written: a write came out short (no room left on the disk, or a file size limit) (-301); nothing was kept" <<<"$err" \
   && [ ! -e "$out" ]; then
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

# snap DIR: every file's name and contents, and every folder's name.
snap() { (cd "$1" && find . -type f -exec md5sum {} + | sort && find . -type d | sort); }
same() { # same DESCRIPTION DIR SNAPSHOT: the folder is as it was
  local now; now=$(snap "$2")
  if [ "$now" = "$3" ]; then echo "ok    $1"; else echo "FAIL  $1"; diff <(echo "$3") <(echo "$now") | sed 's/^/  | /'; failures=$((failures + 1)); fi
}
# refused_in DESCRIPTION DIR EXPECTED-TEXT... -- FILE...: make into DIR fails with one line holding
# every text, and DIR is as it was.
refused_in() {
  local what=$1 dir=$2; shift 2
  local wants=(); while [ "$1" != -- ]; do wants+=("$1"); shift; done; shift
  local before err rc ok=1 w; before=$(snap "$dir")
  err=$(wine "$bin/duvad.exe" make "$(win "$dir")" "$@" 2>&1 >/dev/null); rc=$?
  for w in "${wants[@]}"; do grep -qF -- "$w" <<<"$err" || ok=0; done
  [ $rc -ne 0 ] && [ "$(printf '%s\n' "$err" | grep -c .)" = 1 ] || ok=0
  if [ $ok = 1 ]; then echo "ok    $what: $err"; else echo "FAIL  $what (exit $rc): $err"; failures=$((failures + 1)); fi
  same "$what: the folder is as it was" "$dir" "$before"
}

# Sources inside OUTDIR under the names of the disc's files: the track files copied off a Video CD
# (RIFF CDXA, as Windows reads them) and a stream named like the raw image. make refuses before it
# touches anything, naming the source and the file of the disc.
d=$work/remake
rm -rf "$d" && mkdir -p "$d"
cp "$s/ntsc.cdxa" "$d/AVSEQ01.DAT" && cp "$s/pal.mpg" "$d/AVSEQ02.DAT"
refused_in "track files of OUTDIR as sources" "$d" "$(win "$d/AVSEQ01.DAT") is $(win "$d")\AVSEQ01.DAT, a file of the disc" \
  -- "$(win "$d/AVSEQ01.DAT")" "$(win "$d/AVSEQ02.DAT")"
cp "$s/ntsc.mpg" "$d/videocd.bin"
# The same file under another case and through a detour: the same file all the same.
refused_in "a source that is the raw image" "$d" "videocd.bin, a file of the disc" \
  -- "$(win "$s/film.mpg")" "$(win "$d")\\..\\remake\\VIDEOCD.BIN"
mkdir "$d/videocd.cue"
refused_in "a folder named like the cue sheet" "$d" "videocd.cue: a folder of that name is in the way" \
  -- "$(win "$s/film.mpg")"
rmdir "$d/videocd.cue"

# An earlier good disc in OUTDIR survives a failed make whole; a make that succeeds replaces it and
# leaves no staging folder.
rm -rf "$d" && mkdir -p "$d"
wine "$bin/duvad.exe" make "$(win "$d")" "$(win "$s/ntsc.mpg")" >/dev/null 2>&1
first=$(snap "$d")
before=$(cat "$d/videocd.cue" "$d/AVSEQ01.DAT" | md5sum)
err=$( (trap '' XFSZ; ulimit -f 1500; wine "$bin/duvad.exe" make "$(win "$d")" "$(win "$s/pal.mpg")") 2>&1 >/dev/null)
if [ $? -ne 0 ] && grep -qF "a write came out short" <<<"$err"; then echo "ok    failed remake: $err"
else echo "FAIL  failed remake: $err"; failures=$((failures + 1)); fi
same "failed remake: the earlier disc is whole" "$d" "$first"
wine "$bin/duvad.exe" make "$(win "$d")" "$(win "$s/pal.mpg")" >/dev/null 2>&1
rc=$?
if [ $rc -eq 0 ] && [ "$(cat "$d/videocd.cue" "$d/AVSEQ01.DAT" | md5sum)" != "$before" ] \
   && [ "$(ls "$d" | LC_ALL=C sort | tr '\n' ' ')" = "AVSEQ01.DAT TRACK01.IMG duvad.lst videocd.bin videocd.cue videocd.toc " ]; then
  echo "ok    remake replaces the earlier disc"
else
  echo "FAIL  remake replaces the earlier disc (exit $rc): $(ls "$d")"; failures=$((failures + 1))
fi
# A file of the earlier disc that cannot be replaced (immutable, so its rename fails): the files
# already moved go back, and the folder holds the earlier disc whole.
trap 'chattr -i "$d/videocd.toc" 2>/dev/null' EXIT  # an interrupted run leaves nothing immutable
if chattr +i "$d/videocd.toc" 2>/dev/null; then
  earlier=$(snap "$d")
  err=$(wine "$bin/duvad.exe" make "$(win "$d")" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null); rc=$?
  chattr -i "$d/videocd.toc"
  if [ $rc -ne 0 ] && grep -qF "cannot replace $(win "$d")\\videocd.toc: access denied; the folder is as it was" <<<"$err"; then
    echo "ok    a file that cannot be replaced: $err"
  else
    echo "FAIL  a file that cannot be replaced (exit $rc): $err"; failures=$((failures + 1))
  fi
  same "a file that cannot be replaced: the earlier disc is whole" "$d" "$earlier"
else
  echo "skip  a file that cannot be replaced: chattr +i is not permitted here"
fi
# A read-only file of the earlier disc is replaced all the same, and nothing of it stays behind.
chmod a-w "$d/videocd.cue"
wine "$bin/duvad.exe" make "$(win "$d")" "$(win "$s/film.mpg")" >/dev/null 2>&1
rc=$?
if [ $rc -eq 0 ] && [ "$(ls "$d" | LC_ALL=C sort | tr '\n' ' ')" = "AVSEQ01.DAT TRACK01.IMG duvad.lst videocd.bin videocd.cue videocd.toc " ]; then
  echo "ok    a read-only file of the earlier disc is replaced"
else
  echo "FAIL  a read-only file of the earlier disc (exit $rc): $(ls -a "$d")"; failures=$((failures + 1))
fi

# Packs not one per 2324 bytes (ffmpeg's -packetsize 2048): analyze and make refuse the stream and
# name the command that remuxes it; that command's stream is taken.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 -f lavfi -i sine=sample_rate=44100 \
  -t 2 -target ntsc-vcd -packetsize 2048 "$work/p2048.mpg"
refuses "packs of 2048 bytes" "its packs are not one per 2324 bytes" "$(win "$work/p2048.mpg")"
an=$(wine "$bin/duvad.exe" analyze "$(win "$work/p2048.mpg")" 2>&1)
rc=$?
fix="ffmpeg -f mpeg -i \"$(win "$work/p2048.mpg")\" -c copy -target ntsc-vcd"
if [ $rc -ne 0 ] && grep -qF "make: refuses it: its packs are not one per 2324 bytes" <<<"$an" && grep -qF -- "$fix" <<<"$an"; then
  echo "ok    analyze: packs of 2048 bytes refused, with the remedy"
else
  echo "FAIL  analyze: packs of 2048 bytes (exit $rc): $an"; failures=$((failures + 1))
fi
# Their audio is found all the same, as ffprobe finds it (ffmpeg -f vcd -packetsize 2048 too).
ffmpeg -nostdin -v error -y -i "$work/p2048.mpg" -c copy -f vcd -packetsize 2048 "$work/fvcd.mpg"
for f in p2048 fvcd; do
  probe=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,bit_rate,channels -of csv=p=0 "$work/$f.mpg")
  an=$(wine "$bin/duvad.exe" analyze "$(win "$work/$f.mpg")" 2>&1)
  if [ "$probe" = "mp2,44100,2,224000" ] && grep -qF "audio: MPEG-1 Layer II, 44100 Hz, 224 kbit/s, stereo; 1 audio stream" <<<"$an" \
     && ! grep -q "no audio" <<<"$an"; then
    echo "ok    analyze: the audio of $f.mpg as ffprobe finds it ($probe)"
  else
    echo "FAIL  analyze: the audio of $f.mpg (ffprobe: $probe): $an"; failures=$((failures + 1))
  fi
done
# The picture outside the rules: which field, its value, what the rules need, and a command that
# makes a stream within them (run here: its stream meets them).
an=$(wine "$bin/duvad.exe" analyze "$(win "$s/square.mpg")" "$(win "$s/rate2880.mpg")" "$(win "$s/wide.mpg")" 2>&1)
fix=$(sed -n 's/^    fix: make it again within the rules:  //p' <<<"$an" | head -1 | tr -d '\r')
if grep -qF "    aspect 1 (1.0000): the rules need 12 (1.0950) for 352x240" <<<"$an" \
   && grep -qF "    bit rate 1152000 bit/s: the rules need a constant rate below 1151929 bit/s" <<<"$an" \
   && grep -qF "    picture size 360x240: the rules need 352x240" <<<"$an" \
   && [ "$fix" = "ffmpeg -i \"$(win "$s/square.mpg")\" -target ntsc-vcd -aspect 4:3 \"$(win "$s/square")-vcd.mpg\"" ]; then
  echo "ok    analyze: what breaks the picture rules, and the fix"
else
  echo "FAIL  analyze: the picture rules' breaks: $an"; failures=$((failures + 1))
fi
ffmpeg -nostdin -v error -y -i "$s/square.mpg" -target ntsc-vcd -aspect 4:3 "$work/square-vcd.mpg"
an=$(wine "$bin/duvad.exe" analyze "$(win "$work/square-vcd.mpg")" 2>&1)
if grep -q "square-vcd.mpg: 352x240  aspect 12 .*Video CD picture rules: met" <<<"$an" && ! grep -q "not within the Video CD rules" <<<"$an"; then
  echo "ok    the fix's stream meets the picture rules"
else
  echo "FAIL  the fix's stream: $an"; failures=$((failures + 1))
fi
ffmpeg -nostdin -v error -y -f mpeg -i "$work/p2048.mpg" -c copy -target ntsc-vcd "$work/p2048-vcd.mpg"
an=$(wine "$bin/duvad.exe" analyze "$(win "$work/p2048-vcd.mpg")" 2>&1)
if [ $? -eq 0 ] && grep -qF "make: takes it as track 2" <<<"$an"; then echo "ok    the remedy's stream is taken"
else echo "FAIL  the remedy's stream: $an"; failures=$((failures + 1)); fi

# Devices are no files: the null device by its reserved name, a character device and a FIFO made
# from Linux and reached through a drive are refused as devices before anything is read (a FIFO
# or a port would hold the tool: a read waits for a writer).
rm -f "$work/fifo.mpg" && mkfifo "$work/fifo.mpg"
for name in "nul.mpg" 'Z:\dev\zero' "$(win "$work/fifo.mpg")"; do
  an=$(cd "$work" && timeout 60 wine "$bin/duvad.exe" analyze "$name" 2>&1)
  rc=$?
  if [ $rc -ne 0 ] && [ $rc -ne 124 ] && grep -qE "a device name \(AUX|not a file on a disk \(a device or a pipe\)" <<<"$an"; then
    echo "ok    analyze $name: refused as a device"
  else
    echo "FAIL  analyze $name (exit $rc): $an"; failures=$((failures + 1))
  fi
done
refuses "a FIFO as a source" "not a file on a disk (a device or a pipe)" "$(win "$work/fifo.mpg")"
rm -f "$work/fifo.mpg"

# The tool loads DuVad.dll only from its own folder: a DuVad.dll in the current folder is not
# loaded when none is beside duvad.exe, and the message says where it looked.
rm -rf "$work/alone" "$work/planted" && mkdir -p "$work/alone" "$work/planted"
cp "$bin/duvad.exe" "$work/alone/" && cp "$bin/DuVad.dll" "$work/planted/"
err=$(cd "$work/planted" && wine "$work/alone/duvad.exe" info 2>&1 >/dev/null)
rc=$?
if [ $rc -ne 0 ] && grep -qF "$(win "$work/alone")\DuVad.dll is missing" <<<"$err"; then echo "ok    planted DuVad.dll not loaded: $err"
else echo "FAIL  planted DuVad.dll (exit $rc): $err"; failures=$((failures + 1)); fi

# An empty output folder name is said to be one (it gave "cannot create the folder : no such folder").
err=$(wine "$bin/duvad.exe" make "" "$(win "$s/ntsc.mpg")" 2>&1 >/dev/null); rc=$?
if [ $rc -ne 0 ] && grep -qF "duvad: the output folder's name (OUTDIR) is empty" <<<"$err"; then echo "ok    empty OUTDIR: $err"
else echo "FAIL  empty OUTDIR (exit $rc): $err"; failures=$((failures + 1)); fi

echo "$failures checks failed"
[ $failures -eq 0 ]
