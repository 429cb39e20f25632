#!/usr/bin/env bash
# Rebuilds the MP3 fixtures: one with an ID3v1 tag only, and the ID3v2 ones.
#
# Usage: make-mp3-fixture.sh OUTDIR [CORPUSDIR]
#
# Needs: id3v2 (id3lib), eyeD3, Debian's python3 with mutagen (python3-mutagen), od; missing
# ones are installed with apt-get. Every file is 10 silent-looking MPEG-1 Layer III frames
# (header FF FB 90 00: 128 kbit/s, 44.1 kHz, no padding, 417 bytes each, zero payload) with
# tags added by the tools. Writes into OUTDIR:
#   tagged.mp3        an ID3v1 tag added by `id3v2 -1`
#   tagged.mp3.txt    hexdump of the last 128 bytes and the field layout
#   v22.mp3           ID3v2.2, ISO-8859-1 and UTF-16 frames (no Debian tool writes 2.2: the
#                     frames are laid out by hand below)
#   v23-latin1.mp3    ID3v2.3 by id3v2 (id3lib), ISO-8859-1
#   v23-utf16.mp3     ID3v2.3 by eyeD3, UTF-16 with byte-order marks
#   v24-utf8.mp3      ID3v2.4 by eyeD3, UTF-8
#   v24-utf16be.mp3   ID3v2.4 by eyeD3, UTF-16BE
#   v24-multi.mp3     ID3v2.4 by mutagen: two artists in one frame, a recording time, and an
#                     application's comment ("iTunNORM") before the user's
#   both-tags.mp3     ID3v2.3 with title and artist (mutagen), ID3v1 with every field (id3v2)
#   v2-no-fields.mp3  an ID3v2.3 tag holding only a genre and a track (mutagen), then the
#                     ID3v1 tag of tagged.mp3
#   id3v2.txt         the first bytes of each ID3v2 file and what `mid3v2 -l` lists
# With CORPUSDIR, the tags of some ID3v2 files (with one audio frame and any ID3v1 tag) are
# also written there as fuzzing seeds.
# The output is the same byte for byte on every run.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUTDIR [CORPUSDIR]" >&2
  exit 2
fi
need=()
command -v id3v2 >/dev/null || need+=(id3v2)
command -v eyeD3 >/dev/null || need+=(eyed3)
/usr/bin/python3 -c "import mutagen" 2>/dev/null || need+=(python3-mutagen)
if ((${#need[@]} > 0)); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
py=/usr/bin/python3  # Debian's, where python3-mutagen lives

mkdir -p "$1"
out=$(cd "$1" && pwd)
mp3="$out/tagged.mp3"

audio() {
  $py - "$1" <<'EOF'
import sys
frame = bytes([0xFF, 0xFB, 0x90, 0x00]) + bytes(417 - 4)
with open(sys.argv[1], "wb") as f:
    f.write(frame * 10)
EOF
}
audio "$mp3"
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

# --- ID3v2 ---
eyed3() { eyeD3 --no-config --no-color "$@" >/dev/null; }

audio "$out/v23-latin1.mp3"
id3v2 -2 -t "Harbour Lights at Dusk over the Northern Sea" -a "The Quiet Engines" \
  -A "Northern Routes" -y 2004 -c "recorded live" --TPE2 "Various Harbours" \
  --TCOM "Ana Ferreira" "$out/v23-latin1.mp3"

audio "$out/v23-utf16.mp3"
eyed3 --to-v2.3 --encoding utf16 -t "Café Ωmega Nights" -a "Zoë Kéan" -A "Été à Paris" \
  --recording-date 1999 \
  -c "über alles" -b "Ölçü Ensemble" --composer "Jiří Novák" "$out/v23-utf16.mp3"

audio "$out/v24-utf8.mp3"
eyed3 --to-v2.4 --encoding utf8 -t "Северный ветер Nordwind" -a "Ирина Волкова" \
  -A "Зимние песни" --composer "Пётр Ильич" "$out/v24-utf8.mp3"

audio "$out/v24-utf16be.mp3"
eyed3 --to-v2.4 --encoding utf16-be -t "Ωmega Station" -a "Ψυχή Band" -A "Λευκό Άλμπουμ" \
  "$out/v24-utf16be.mp3"

audio "$out/v24-multi.mp3"
$py - "$out/v24-multi.mp3" <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TDRC, COMM
tag = ID3()
tag.add(COMM(encoding=0, lang="eng", desc="iTunNORM",
             text=[" 00000A2B 00000C4F 0000466E 00005D1A 0001A1B6"]))
tag.add(COMM(encoding=3, lang="eng", desc="", text=["harbour session"]))
tag.add(TIT2(encoding=3, text=["Lanterns"]))
tag.add(TPE1(encoding=3, text=["Ana Ferreira", "Bruno Lima"]))
tag.add(TDRC(encoding=3, text=["2011-04-02"]))
tag.save(sys.argv[1], v1=0, v2_version=4, padding=lambda info: 64)
EOF

# Version 2.2: laid out by hand ("ID3" 2 0, six-byte frame headers, big-endian frame sizes).
audio "$out/v22.mp3"
$py - "$out/v22.mp3" <<'EOF'
import sys
def frame(fid, body):
    return fid + len(body).to_bytes(3, "big") + body
def latin1(text):
    return b"\x00" + text.encode("latin-1")
def utf16(text):
    return b"\x01\xff\xfe" + text.encode("utf-16-le")
frames = (frame(b"TT2", latin1("Old Harbour Songs from the Western Isles")) +
          frame(b"TP1", utf16("Siân Évans")) +
          frame(b"TAL", latin1("Coastal")) +
          frame(b"TYE", latin1("1998")) +
          frame(b"COM", b"\x00eng\x00first pressing") +
          frame(b"TP2", latin1("Harbour Choir")) +
          frame(b"TCM", utf16("Dafydd Ôwen")))
body = frames + bytes(32)  # padding
size = len(body)
header = b"ID3\x02\x00\x00" + bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F,
                                     (size >> 7) & 0x7F, size & 0x7F])
audio = open(sys.argv[1], "rb").read()
open(sys.argv[1], "wb").write(header + body + audio)
EOF

# id3v2 copies the fields of one tag version into the other when it writes a file that has
# both, so each tag is written on a file of its own and the version 1 tag appended.
v1_tag() {
  audio "$out/v1.tmp"
  id3v2 -1 "$@" "$out/v1.tmp"
  tail -c 128 "$out/v1.tmp"
  rm "$out/v1.tmp"
}
version2_only() {
  $py - "$@" <<'EOF'
import sys
from mutagen.id3 import ID3, Frames
tag = ID3()
for frame_arg in sys.argv[2:]:
    fid, text = frame_arg.split("=", 1)
    tag.add(Frames[fid](encoding=0, text=[text]))
tag.save(sys.argv[1], v1=0, v2_version=3, padding=lambda info: 32)
EOF
}

audio "$out/both-tags.mp3"
version2_only "$out/both-tags.mp3" "TIT2=A Title Longer Than Thirty Bytes Each Way" \
  "TPE1=Version Two Artist"
v1_tag -t "Short v1 title" -a "Version One Artist" -A "Filled Album" -y 1987 \
  -c "filled comment" >> "$out/both-tags.mp3"

audio "$out/v2-no-fields.mp3"
version2_only "$out/v2-no-fields.mp3" "TCON=Other" "TRCK=3"
tail -c 128 "$mp3" >> "$out/v2-no-fields.mp3"

{
  for f in v22 v23-latin1 v23-utf16 v24-utf8 v24-utf16be v24-multi both-tags v2-no-fields; do
    echo "== $f.mp3 ($(stat -c %s "$out/$f.mp3") bytes), first 16 bytes:"
    head -c 16 "$out/$f.mp3" | od -An -tx1
    (cd "$out" && mid3v2 -l "$f.mp3")  # also lists the ID3v1 fields the ID3v2 tag lacks
    echo
  done
} > "$out/id3v2.txt"

if [ $# -eq 2 ]; then
  mkdir -p "$2"
  for f in v22 v23-utf16 v24-utf8 v24-multi both-tags; do
    $py - "$out/$f.mp3" "$2/id3v2-$f.mp3" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
end = 10 + ((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9])
v1 = data[-128:] if data[-128:-125] == b"TAG" else b""
open(sys.argv[2], "wb").write(data[:end + 417] + v1)
EOF
  done
  # Forged: the header and frame features the tools above never write.
  $py - "$2" <<'EOF'
import sys, os
def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
def unsync(data):
    out = bytearray()
    for k, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (k + 1 == len(data) or data[k + 1] == 0 or data[k + 1] >= 0xE0):
            out.append(0)
    return bytes(out)
def v3(fid, body, flags=0):
    return fid + len(body).to_bytes(4, "big") + bytes([0, flags]) + body
def v4(fid, body, flags=0, plain=False):
    size = len(body).to_bytes(4, "big") if plain else syncsafe(len(body))
    return fid + size + bytes([0, flags]) + body
def tag(version, flags, body, footer=False):
    head = b"ID3" + bytes([version, 0, flags]) + syncsafe(len(body))
    tail = (b"3DI" + bytes([version, 0, flags]) + syncsafe(len(body))) if footer else b""
    return head + body + tail
audio = bytes([0xFF, 0xFB, 0x90, 0x00]) + bytes(413)
utf16 = lambda t: b"\x01\xff\xfe" + t.encode("utf-16-le")
# 2.3: extended header, tag-wide unsynchronisation, a compressed and a grouped frame.
frames = (v3(b"TIT2", utf16("\u00ff\u00e0 unsynchronised")) + v3(b"TPE1", b"\x00x\x9c", 0x80) +
          v3(b"TALB", b"\x07\x00Grouped", 0x20))
body = unsync(bytes([0, 0, 0, 6, 0, 0, 0, 0, 0, 0]) + frames + bytes(20))
open(os.path.join(sys.argv[1], "forged-v23-unsync.mp3"), "wb").write(tag(3, 0xC0, body) + audio)
# 2.4: extended header, footer, per-frame unsynchronisation with a data length, an encrypted frame.
text = utf16("\u00ff\u00ff per frame")
body = (syncsafe(6) + bytes([1, 0]) +
        v4(b"TIT2", syncsafe(len(text)) + unsync(text), 0x03) +
        v4(b"TPE1", b"\x80\x00secret", 0x04) + v4(b"TCOM", b"\x03Composer"))
open(os.path.join(sys.argv[1], "forged-v24-footer.mp3"), "wb").write(
    tag(4, 0x50, body, footer=True) + audio)
# 2.4 written with plain frame sizes, one of them at least 128.
body = v4(b"TIT2", b"\x00" + b"long title " * 14, plain=True) + v4(b"TPE1", b"\x00Artist", plain=True)
open(os.path.join(sys.argv[1], "forged-v24-plain-sizes.mp3"), "wb").write(tag(4, 0, body) + audio)
EOF
fi
