#!/usr/bin/env python3
"""make_image.py OUT: the host's prepared image of a Video CD's first track, 300 sectors of 2336
bytes (Mode 2 Form 1: 8-byte subheader, 2048 bytes of user data, 280 bytes left zero), for the
image completion tests. An ISO 9660 volume in CD-ROM XA form: the Primary Volume Descriptor in
sector 16 (the fields the completion writes hold the host's placeholders), the terminator in 17,
the path tables in 18 and 19, the root directory in 20, the MPEGAV directory in 21 with its own
two 48-byte records and 32 prepared 60-byte records AVSEQnn.DAT;1, and the entry table
(ENTRYVCD) in sector 151 with 32 prepared entries. Every byte outside these is a pattern, so a
change anywhere else shows.

Independent on purpose: it writes the layout from its own field offsets and shares nothing with
vcd/core/iso9660.h or the host tool's image builder, so a wrong offset there cannot also be wrong
here and pass the tests."""
import struct, sys

SECTORS, SECTOR, UD = 300, 2336, 8

def both16(v): return struct.pack("<H", v) + struct.pack(">H", v)
def both32(v): return struct.pack("<I", v) + struct.pack(">I", v)
DATE7 = bytes([99, 12, 31, 23, 59, 58, 0])

def dirrec(ident, extent, size, flags, xa_attr=None, file_no=0):
    body = both32(extent) + both32(size) + DATE7 + bytes([flags, 0, 0]) + both16(1) + bytes([len(ident)]) + ident
    if len(body) % 2 == 1:  # the record length (1 + 1 + body) must be even
        body += b"\x00"
    xa = b"" if xa_attr is None else struct.pack(">HHH", 0, 0, xa_attr) + b"XA" + bytes([file_no]) + b"\x00" * 5
    rec = bytes([0]) + body + xa
    return bytes([len(rec) + 1]) + rec

img = bytearray((i * 7 + 3) & 0xFF for i in range(SECTORS * SECTOR))
for s in range(SECTORS):
    o = s * SECTOR
    img[o:o + 8] = bytes([0, 0, 0x08, 0, 0, 0, 0x08, 0])
    img[o + UD + 2048:o + SECTOR] = bytes(SECTOR - UD - 2048)

def user(s, data):
    assert len(data) <= 2048
    o = s * SECTOR + UD
    img[o:o + 2048] = data + bytes(2048 - len(data))

root = dirrec(b"\x00", 20, 2048, 2)
pvd = bytearray(2048)
pvd[0:8] = b"\x01CD001\x01\x00"
pvd[8:40] = b"HOST SYSTEM ID".ljust(32)
pvd[40:72] = b"HOST VOLUME".ljust(32)
pvd[80:88] = both32(0)
pvd[120:124] = both16(1)
pvd[124:128] = both16(1)
pvd[128:132] = both16(2048)
pvd[132:140] = both32(22)
pvd[140:144] = struct.pack("<I", 18)
pvd[148:152] = struct.pack(">I", 19)
pvd[156:156 + 34] = root
pvd[190:318] = b"HOST SET".ljust(128)
pvd[318:813] = b" " * 495
for i in range(4):
    pvd[813 + 17 * i:830 + 17 * i] = b"0000000000000000\x00"
pvd[881] = 1
pvd[883 + 141:883 + 149] = b"CD-XA001"
user(16, bytes(pvd))
user(17, b"\xffCD001\x01")
pt_l = bytes([1, 0]) + struct.pack("<IH", 20, 1) + b"\x00\x00" + bytes([6, 0]) + struct.pack("<IH", 21, 1) + b"MPEGAV"
pt_m = bytes([1, 0]) + struct.pack(">IH", 20, 1) + b"\x00\x00" + bytes([6, 0]) + struct.pack(">IH", 21, 1) + b"MPEGAV"
user(18, pt_l)
user(19, pt_m)
user(20, dirrec(b"\x00", 20, 2048, 2, 0x8D55) + dirrec(b"\x01", 20, 2048, 2, 0x8D55) +
     dirrec(b"MPEGAV", 21, 2048, 2, 0x8D55))
mpegav = dirrec(b"\x00", 21, 2048, 2, 0x8D55) + dirrec(b"\x01", 20, 2048, 2, 0x8D55)
assert len(mpegav) == 96
for k in range(1, 33):
    rec = dirrec(b"AVSEQ%02d.DAT;1" % k, 0, 0, 0, 0x0D55, 0)
    assert len(rec) == 60
    mpegav += rec
user(21, mpegav)
entries = b"ENTRYVCD" + bytes([2, 0]) + struct.pack(">H", 32)
for k in range(1, 33):
    entries += bytes([0xEE, 0xEE, 0xEE, k])
user(151, entries)
open(sys.argv[1], "wb").write(img)
