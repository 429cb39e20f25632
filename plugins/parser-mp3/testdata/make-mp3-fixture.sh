#!/usr/bin/env bash
# Rebuilds the ID3v1-tagged MP3 fixture.
#
# Usage: make-mp3-fixture.sh OUTDIR
#
# Needs: id3v2 (id3lib), python3, od. Writes into OUTDIR:
#   tagged.mp3      10 silent-looking MPEG-1 Layer III frames (header
#                   FF FB 90 00: 128 kbit/s, 44.1 kHz, no padding, 417 bytes
#                   each, zero payload) with an ID3v1 tag added by `id3v2 -1`
#   tagged.mp3.txt  hexdump of the last 128 bytes and the field layout
# The output is the same byte for byte on every run.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
mkdir -p "$1"
out=$(cd "$1" && pwd)
mp3="$out/tagged.mp3"

python3 - "$mp3" <<'EOF'
import sys
frame = bytes([0xFF, 0xFB, 0x90, 0x00]) + bytes(417 - 4)
with open(sys.argv[1], "wb") as f:
    f.write(frame * 10)
EOF
audio_size=$(stat -c %s "$mp3")

id3v2 -1 \
  -t "Harbour Lights at Dusk" \
  -a "The Quiet Engines" \
  -A "Northern Routes" \
  -y 2004 \
  -c "recorded live" \
  -g 12 \
  "$mp3"

size=$(stat -c %s "$mp3")
if [ "$size" -ne $((audio_size + 128)) ]; then
  echo "tagged.mp3: expected $((audio_size + 128)) bytes, got $size" >&2
  exit 1
fi
if [ "$(tail -c 128 "$mp3" | head -c 3)" != "TAG" ]; then
  echo "tagged.mp3: last 128 bytes do not start with TAG" >&2
  exit 1
fi
if [ "$(head -c 3 "$mp3" | od -An -tx1 | tr -d ' \n')" != "fffb90" ]; then
  echo "tagged.mp3: an ID3v2 tag or other data was put in front" >&2
  exit 1
fi

{
  echo "tagged.mp3: $size bytes = $audio_size bytes of MPEG frames + 128-byte ID3v1 tag"
  echo "made by: id3v2 -1 -t 'Harbour Lights at Dusk' -a 'The Quiet Engines'" \
       "-A 'Northern Routes' -y 2004 -c 'recorded live' -g 12"
  echo "id3v2 version: $(id3v2 --version 2>&1 | head -2 | tr '\n' ' ')"
  echo
  echo "Last 128 bytes (offsets relative to the start of the tag, file offset $audio_size):"
  tail -c 128 "$mp3" | od -Ad -tx1 -c -w16
  echo
  python3 - "$mp3" <<'EOF'
import sys
tag = open(sys.argv[1], "rb").read()[-128:]

def show(name, start, length):
    raw = tag[start:start + length]
    text = raw.rstrip(b"\0 ").decode("latin-1")
    fill = sorted(set(raw[len(raw.rstrip(b"\0 ")):]))
    fill_s = ", ".join("0x%02X" % b for b in fill) or "none"
    print("%-8s bytes %3d-%3d (%2d): %-26r padding after text: %s"
          % (name, start, start + length - 1, length, text, fill_s))

print("Fields:")
show("magic", 0, 3)
show("title", 3, 30)
show("artist", 33, 30)
show("album", 63, 30)
show("year", 93, 4)
if tag[125] == 0 and tag[126] != 0:
    show("comment", 97, 28)
    print("ID3v1.1: byte 125 = 0x00, byte 126 (track) = %d" % tag[126])
else:
    show("comment", 97, 30)
    print("comment is 30 bytes (ID3v1.0 layout): byte 125 = 0x%02X, byte 126 = 0x%02X;"
          % (tag[125], tag[126]))
    print("  a reader that takes ID3v1.1 sees track 0, i.e. no track number")
print("genre    byte 127: %d (0x%02X)" % (tag[127], tag[127]))
EOF
  echo
  echo "id3v2 -l reports:"
  (cd "$out" && id3v2 -l tagged.mp3)
} > "$out/tagged.mp3.txt"
