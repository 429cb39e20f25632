#!/usr/bin/env bash
# Makes the Office Open XML fixtures (and, in ../../parser-odf/testdata, the OpenDocument ones)
# from the sources in src/: LibreOffice converts the flat OpenDocument sources, pandoc the slides;
# the damaged and encrypted files are made by make-damaged.py. Each converted file gets a .lo.txt
# beside it: LibreOffice's own text of it, for comparing by hand (scripts not run by the tests).
set -euo pipefail
cd "$(dirname "$0")"
dpkg -s libreoffice-calc-nogui libreoffice-impress-nogui >/dev/null 2>&1 ||
  sudo apt-get install -y --no-install-recommends libreoffice-writer-nogui libreoffice-calc-nogui \
    libreoffice-impress-nogui
command -v pandoc >/dev/null || sudo apt-get install -y pandoc
odf=../../parser-odf/testdata
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert() {  # FORMAT SOURCE OUTDIR
  soffice -env:UserInstallation=file://"$work"/profile --headless --convert-to "$1" \
    --outdir "$3" "$2" >/dev/null 2>&1
}
convert docx src/report.fodt "$work"
convert odt src/report.fodt "$work"
convert xlsx src/budget.fods "$work"
convert ods src/budget.fods "$work"
pandoc -o "$work/talk.pptx" src/talk.md
convert odp "$work/talk.pptx" "$work"
pandoc -o "$work/pandoc-talk.docx" src/talk.md
pandoc -o "$work/pandoc-talk.odt" src/talk.md
cp "$work/report.docx" writer-report.docx
cp "$work/budget.xlsx" calc-budget.xlsx
cp "$work/talk.pptx" impress-talk.pptx
cp "$work/pandoc-talk.docx" pandoc-talk.docx
cp "$work/report.odt" "$odf/writer-report.odt"
cp "$work/budget.ods" "$odf/calc-budget.ods"
cp "$work/talk.odp" "$odf/impress-talk.odp"
cp "$work/pandoc-talk.odt" "$odf/pandoc-talk.odt"
cp src/report.fodt "$odf/hand-report.fodt"
cp src/budget.fods "$odf/hand-budget.fods"
python3 make-damaged.py
