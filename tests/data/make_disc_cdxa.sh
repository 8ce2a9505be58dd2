#!/bin/sh
# make_disc_cdxa.sh STREAM OUT: the RIFF CDXA file that copying a Video CD's track file
# (MPEGAV/AVSEQ01.DAT) off a disc gives, for a disc that vcdimager makes from STREAM: the raw
# 2352-byte sectors of the file's extent (front margin, the stream's sectors, rear margin) behind
# the 44-byte RIFF header. Written to a scratch name and moved onto OUT whole.
set -eu
stream=$1 out=$2
tmp=$(mktemp -d "${TMPDIR:-/tmp}/duvad-disc.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
cp "$stream" "$tmp/a.mpg"
(cd "$tmp" && vcdimager -t vcd2 -c disc.cue -b disc.bin a.mpg >/dev/null)
python3 - "$tmp/disc.bin" "$tmp/out.cdxa" <<'PY'
import struct, sys
raw = open(sys.argv[1], "rb").read()
def user(lba):  # the 2048 bytes of a Mode 2 Form 1 sector
    return raw[lba * 2352 + 24: lba * 2352 + 24 + 2048]
def records(lba, size):  # ISO 9660 directory records: name -> (extent, length)
    data = b"".join(user(lba + k) for k in range((size + 2047) // 2048))
    found, at = {}, 0
    while at < len(data):
        n = data[at]
        if n == 0:
            at = (at // 2048 + 1) * 2048
            continue
        extent, length = struct.unpack_from("<I", data, at + 2)[0], struct.unpack_from("<I", data, at + 10)[0]
        name = data[at + 33: at + 33 + data[at + 32]].decode("latin-1").split(";")[0]
        found[name] = (extent, length)
        at += n
    return found
pvd = user(16)
assert pvd[1:6] == b"CD001"
root = records(struct.unpack_from("<I", pvd, 156 + 2)[0], struct.unpack_from("<I", pvd, 156 + 10)[0])
mpegav = records(*root["MPEGAV"])
extent, length = mpegav["AVSEQ01.DAT"]
sectors = length // 2048  # a Form 2 file's length counts 2048 bytes per sector
body = raw[extent * 2352:(extent + sectors) * 2352]
assert len(body) == sectors * 2352
fmt = struct.pack("<HHHBB8s", 0, 0, 0x1555, ord("X"), ord("A"), b"\x01" + b"\x00" * 7)
riff = b"RIFF" + struct.pack("<I", 36 + len(body)) + b"CDXA" + b"fmt " + struct.pack("<I", 16) + fmt \
       + b"data" + struct.pack("<I", len(body))
open(sys.argv[2], "wb").write(riff + body)
PY
mv -f "$tmp/out.cdxa" "$out"
