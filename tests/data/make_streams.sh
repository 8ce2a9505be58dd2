#!/bin/sh
# make_streams.sh OUTDIR: the MPEG-1 test streams of the Video CD tests, made by ffmpeg from
# lavfi's testsrc and sine (a few seconds each), plus variants derived from them. Idempotent and
# safe to run from two test programs at once: the set is made in a scratch folder and moved into
# place whole; an existing OUTDIR is kept.
#
#   ntsc.mpg       -target ntsc-vcd -aspect 4:3    352x240, code 12, 29.97 Hz  (conforming)
#   pal.mpg        -target pal-vcd  -aspect 4:3    352x288, code 8, 25 Hz      (conforming)
#   film.mpg       -target film-vcd -aspect 4:3    352x240, code 12, 23.976 Hz (conforming)
#   square.mpg     -target ntsc-vcd, no -aspect    pel aspect code 1           (not conforming)
#   wide.mpg       -target ntsc-vcd -s 360x240                                 (not conforming)
#   rate2880.mpg   ntsc.mpg, first sequence header's bit rate field set to 2880 (1152000 bit/s)
#   mpeg2.mpg      -target ntsc-dvd: an MPEG-2 program stream (pack byte 4 = 0x44)
#   sequence.m1v   an MPEG-1 video elementary stream: begins with a sequence header
#   cut.mpg        ntsc.mpg cut to 40 packs and 100 bytes
#   tiny.mpg       the first 7007 bytes of ntsc.mpg
#   ntsc.cdxa      ntsc.mpg as a RIFF CDXA file: 44-byte header, one raw 2352-byte sector per pack
#                  (sync, header with the sector's address, subheader, pack, zero EDC)
#   ragged.cdxa    ntsc.cdxa with 1000 more bytes (an incomplete last raw sector)
#   image300.bin   a host's prepared first-track image of 300 sectors (make_image.py)
#   disc.cdxa      ntsc.mpg's track file as copied off a Video CD that vcdimager made of it, a RIFF
#                  CDXA file: 30 empty sectors, the stream, 45 empty sectors (make_disc_cdxa.sh;
#                  made apart from the rest, so that a folder made before it gets it too)
#   p2048.mpg      -target ntsc-vcd -aspect 4:3 -packetsize 2048: packs of 2048 bytes, not one
#                  per 2324 (made apart as well)
set -eu
out=$1
disc() {
  [ -f "$out/disc.cdxa" ] || sh "$(dirname "$0")/make_disc_cdxa.sh" "$out/ntsc.mpg" "$out/disc.cdxa"
  [ -f "$out/p2048.mpg" ] || {
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 \
      -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -target ntsc-vcd -aspect 4:3 -packetsize 2048 \
      "$out/p2048.tmp.$$.mpg" && mv -f "$out/p2048.tmp.$$.mpg" "$out/p2048.mpg"
  }
}
[ -f "$out/ntsc.mpg" ] && { disc; exit 0; }
mkdir -p "$(dirname "$out")"
tmp=$(mktemp -d "$out.tmp.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

ff() { ffmpeg -nostdin -v error -y "$@"; }
src() { # src SIZE RATE SECONDS
  echo -f lavfi -i "testsrc=size=$1:rate=$2" -f lavfi -i "sine=frequency=440:sample_rate=44100" -t "$3"
}
ff $(src 352x240 30000/1001 4.5) -target ntsc-vcd -aspect 4:3 "$tmp/ntsc.mpg"
ff $(src 352x288 25 4.5) -target pal-vcd -aspect 4:3 "$tmp/pal.mpg"
ff $(src 352x240 24000/1001 4.5) -target film-vcd -aspect 4:3 "$tmp/film.mpg"
ff $(src 352x240 30000/1001 2.5) -target ntsc-vcd "$tmp/square.mpg"
ff $(src 360x240 30000/1001 2.5) -target ntsc-vcd -s 360x240 -aspect 4:3 "$tmp/wide.mpg"
ff -f lavfi -i testsrc=size=352x240:rate=30000/1001 -f lavfi -i sine=sample_rate=48000 -t 1.5 \
   -target ntsc-dvd -s 352x240 -b:v 1M "$tmp/mpeg2.mpg"
ff -f lavfi -i testsrc=size=352x240:rate=30000/1001 -t 1.5 -c:v mpeg1video -b:v 1150k \
   -f mpeg1video "$tmp/sequence.m1v"
head -c $((2324 * 40 + 100)) "$tmp/ntsc.mpg" > "$tmp/cut.mpg"
head -c 7007 "$tmp/ntsc.mpg" > "$tmp/tiny.mpg"

python3 - "$tmp" <<'PY'
import struct, sys
d = sys.argv[1]
data = open(f"{d}/ntsc.mpg", "rb").read()

# Bit rate field (18 bits: byte 8, byte 9, top two bits of byte 10) of the first sequence header.
b = bytearray(data)
p = b.find(b"\x00\x00\x01\xb3")
field = 2880
b[p + 8] = field >> 10 & 0xFF
b[p + 9] = field >> 2 & 0xFF
b[p + 10] = (b[p + 10] & 0x3F) | (field & 3) << 6
open(f"{d}/rate2880.mpg", "wb").write(b)

def bcd(v): return (v // 10) << 4 | v % 10
sectors = []
for n in range(len(data) // 2324):
    pack = data[2324 * n: 2324 * (n + 1)]
    a = n + 150
    head = bytes([bcd(a // 4500), bcd(a // 75 % 60), bcd(a % 75), 2])
    audio = pack[12:16] == b"\x00\x00\x01\xc0"
    sub = bytes([1, 1, 0x64, 0x7F] if audio else [1, 1, 0x62, 0x0F]) * 2
    sectors.append(b"\x00" + b"\xff" * 10 + b"\x00" + head + sub + pack + b"\x00" * 4)
body = b"".join(sectors)
fmt = struct.pack("<HHHBB8s", 0, 0, 0x1555, ord("X"), ord("A"), b"\x01" + b"\x00" * 7)
riff = b"RIFF" + struct.pack("<I", 36 + len(body)) + b"CDXA" + b"fmt " + struct.pack("<I", 16) + fmt \
       + b"data" + struct.pack("<I", len(body))
assert len(riff) == 44
open(f"{d}/ntsc.cdxa", "wb").write(riff + body)
open(f"{d}/ragged.cdxa", "wb").write(riff + body + bytes(range(256)) * 3 + bytes(232))
PY

python3 "$(dirname "$0")/make_image.py" "$tmp/image300.bin"

# Moved into place whole; a run that lost the race leaves the winner's set alone.
mv -T "$tmp" "$out" 2>/dev/null || true
[ -f "$out/ntsc.mpg" ] && disc
