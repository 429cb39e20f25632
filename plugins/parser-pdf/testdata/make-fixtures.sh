#!/usr/bin/env bash
# Makes the PDF fixtures of the Pelkan tests in this folder: documents written by LibreOffice,
# pandoc (through groff's pdfroff), ghostscript (ps2pdf) and qpdf (object streams, QDF form,
# every encryption the standard handler has), and damaged or hostile ones written by
# make-damaged.py. Installs the Debian packages it uses. Run from anywhere; the outputs are
# committed, so this is needed only to change them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=(libreoffice-writer pandoc groff ghostscript qpdf python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} > 0)); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# LibreOffice: embedded TrueType subsets with ToUnicode maps, accented letters.
cat > harbour.txt <<'TXT'
Harbour report

The café by the pier opens at nine; the crème brûlée is sold out by noon. Ferries leave every forty minutes, and the efficient staff offer coffee to waiting passengers.

Fishermen unload their catch at dawn: cod, haddock, mackerel and flounder.

Zürich, København, Ålesund and Reykjavík send visitors in summer.
TXT
soffice --headless --convert-to pdf harbour.txt >/dev/null 2>&1
cp harbour.pdf "$here/libreoffice.pdf"

# pandoc through pdfroff: standard fonts with /Differences (ligature glyph names), Tc spacing.
cat > notes.md <<'MD'
% Lighthouse notes
% Tomas Berg

The keeper climbs the spiral stairs at dusk; the flame is trimmed and the lens polished.

*Fog* rolls in from the **western** shoals, and the official logbook records visibility.
MD
pandoc notes.md --pdf-engine=pdfroff -o pandoc.pdf
cp pandoc.pdf "$here/pandoc.pdf"

# ghostscript from PostScript: Type 1 fonts, two pages, a rotated line.
cat > pages.ps <<'PS'
%!PS
/Times-Roman findfont 14 scalefont setfont
72 720 moveto (Orchard inventory for the autumn season) show
72 700 moveto (Apples, pears and quinces were picked by hand.) show
gsave 300 400 translate 90 rotate 0 0 moveto (Rotated cider label) show grestore
showpage
/Helvetica-Bold findfont 12 scalefont setfont
72 720 moveto (Second page: the cellar holds barrels of perry.) show
showpage
PS
ps2pdf -dPDFSETTINGS=/screen pages.ps ghostscript.pdf
cp ghostscript.pdf "$here/ghostscript.pdf"

# qpdf: object streams with a cross-reference stream, the QDF form, and encryption.
qpdf --object-streams=generate "$here/libreoffice.pdf" "$here/object-streams.pdf"
qpdf --qdf --object-streams=disable "$here/pandoc.pdf" "$here/qdf.pdf"
qpdf --allow-weak-crypto --encrypt "" owner 40 -- "$here/pandoc.pdf" "$here/rc4-40.pdf"
qpdf --allow-weak-crypto --encrypt "" owner 128 --use-aes=n -- "$here/pandoc.pdf" "$here/rc4-128.pdf"
qpdf --encrypt "" owner 128 --use-aes=y -- "$here/pandoc.pdf" "$here/aes-128.pdf"
qpdf --encrypt "" owner 256 --force-R5 -- "$here/pandoc.pdf" "$here/aes-256-r5.pdf"
qpdf --encrypt "" owner 256 -- --object-streams=generate "$here/pandoc.pdf" "$here/aes-256.pdf"
qpdf --encrypt user owner 256 -- "$here/pandoc.pdf" "$here/needs-password.pdf"

python3 "$here/make-damaged.py" "$here"
ls -l "$here"
