#!/usr/bin/env bash
# Rebuilds the sample folder: Word 97 documents from the HTML sources (LibreOffice Writer) and
# two MP3 files with ID3v1 tags. Needs libreoffice-writer and python3.
set -euo pipefail
cd "$(dirname "$0")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for src in src/*.html; do
  soffice -env:UserInstallation="file://$profile" --headless \
    --convert-to 'doc:MS Word 97' --outdir . "$src" >/dev/null
done
python3 - <<'PY'
def tag(title, artist, album, year, comment, genre):
    def field(text, n):
        data = text.encode("cp1252")[:n]
        return data + b"\0" * (n - len(data))
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) +
            field(year, 4) + field(comment, 30) + bytes([genre]))
audio = bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(2000)
for name, t in [
    ("harbour-lights.mp3", tag("Harbour Lights", "The Quiet Engines", "Northern Routes",
                               "2004", "recorded live at the pier", 12)),
    ("river-song.mp3", tag("River Song", "Anna Lindqvist", "Café Sessions", "1999",
                           "acoustic", 8)),
]:
    with open(name, "wb") as f:
        f.write(audio + t)
PY
