#!/bin/sh
# Makes the module's sounds and icons from Debian tools (sox, ffmpeg, imagemagick).
# The files it writes are committed; run it again only to change them.
#   1001.wav  PCM 8-bit mono 11025 Hz, 146907 bytes of samples (about 13.3 s)
#   1012.wav  Microsoft ADPCM mono 11025 Hz, 16573 samples     (about 1.5 s)
#   1014.wav  Microsoft ADPCM mono 22050 Hz, 41984 samples     (about 1.9 s)
#   disc.ico, burn.ico: 16x16 and 32x32, 32-bit colour
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

# set_fact IN OUT N: copy a compressed WAVE keeping only its fmt, fact and data chunks, with the
# fact chunk giving N samples (the encoder counts the silence that pads its last block)
set_fact() {
  python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
src, dst, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
d = open(src, 'rb').read(); i = 12; chunks = {}
while i + 8 <= len(d):
    cid, size = d[i:i+4], struct.unpack('<I', d[i+4:i+8])[0]
    chunks[cid] = d[i+8:i+8+size]; i += 8 + size + (size & 1)
body = b''
for cid, data in ((b'fmt ', chunks[b'fmt ']), (b'fact', struct.pack('<I', n)), (b'data', chunks[b'data'])):
    body += cid + struct.pack('<I', len(data)) + data + (b'\0' if len(data) & 1 else b'')
open(dst, 'wb').write(b'RIFF' + struct.pack('<I', 4 + len(body)) + b'WAVE' + body)
PY
}

# 1001: a slow four-note arpeggio with a fade, long enough for a waiting tune
sox -n -r 11025 -b 16 -c 1 "$tmp/n1.wav" synth 3.33 pluck C4 fade q 0.02 3.33 1.0
sox -n -r 11025 -b 16 -c 1 "$tmp/n2.wav" synth 3.33 pluck E4 fade q 0.02 3.33 1.0
sox -n -r 11025 -b 16 -c 1 "$tmp/n3.wav" synth 3.33 pluck G4 fade q 0.02 3.33 1.0
sox -n -r 11025 -b 16 -c 1 "$tmp/n4.wav" synth 3.5 pluck C5 fade q 0.02 3.5 2.0
sox "$tmp/n1.wav" "$tmp/n2.wav" "$tmp/n3.wav" "$tmp/n4.wav" "$tmp/tune.wav" gain -n -3
sox "$tmp/tune.wav" -r 11025 -b 8 -c 1 -e unsigned-integer 1001.wav trim 0s 146907s

# 1012: a short two-tone chime
sox -n -r 11025 -b 16 -c 1 "$tmp/c1.wav" synth 0.7 sine 880 fade q 0.01 0.7 0.3
sox -n -r 11025 -b 16 -c 1 "$tmp/c2.wav" synth 0.9 sine 1320 fade q 0.01 0.9 0.6
sox "$tmp/c1.wav" "$tmp/c2.wav" "$tmp/chime.wav" gain -n -6 trim 0s 16573s
ffmpeg -loglevel error -y -i "$tmp/chime.wav" -acodec adpcm_ms -block_size 256 -fflags +bitexact -map_metadata -1 \
  "$tmp/chime_adpcm.wav"
set_fact "$tmp/chime_adpcm.wav" 1012.wav 16573

# 1014: a falling three-tone signal (attention)
sox -n -r 22050 -b 16 -c 1 "$tmp/s1.wav" synth 0.6 square 660 fade q 0.01 0.6 0.1
sox -n -r 22050 -b 16 -c 1 "$tmp/s2.wav" synth 0.6 square 550 fade q 0.01 0.6 0.1
sox -n -r 22050 -b 16 -c 1 "$tmp/s3.wav" synth 0.8 square 440 fade q 0.01 0.8 0.4
sox "$tmp/s1.wav" "$tmp/s2.wav" "$tmp/s3.wav" "$tmp/sig.wav" gain -n -10 trim 0s 41984s
ffmpeg -loglevel error -y -i "$tmp/sig.wav" -acodec adpcm_ms -block_size 512 -fflags +bitexact -map_metadata -1 \
  "$tmp/sig_adpcm.wav"
set_fact "$tmp/sig_adpcm.wav" 1014.wav 41984

# icons: a disc and a disc with a flame, each 16x16 and 32x32
for s in 16 32; do
  r=$((s / 2 - 1)); c=$((s / 2)); h=$((s / 8 + 1))
  convert -size ${s}x${s} xc:none -fill '#c0c8d8' -stroke '#404858' -draw "circle $c,$c $c,1" \
          -fill '#f0f4ff' -stroke '#404858' -draw "circle $c,$c $c,$((c - h))" PNG32:"$tmp/disc$s.png"
  convert "$tmp/disc$s.png" -fill '#ff7010' -stroke '#c03000' \
          -draw "polygon $((s * 5 / 8)),$((s - 2)) $((s - 2)),$((s - 2)) $((s * 13 / 16)),$((s / 2))" \
          PNG32:"$tmp/burn$s.png"
done
convert "$tmp/disc16.png" "$tmp/disc32.png" disc.ico
convert "$tmp/burn16.png" "$tmp/burn32.png" burn.ico
echo "resources made"
