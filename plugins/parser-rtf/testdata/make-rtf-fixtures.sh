#!/usr/bin/env bash
# Makes the Rich Text fixtures of rivand_fixture_test.cc and the text an established converter
# gives for each (NAME.lo.txt, LibreOffice's plain-text export, UTF-8), which the test compares
# the plug-in's words with. Run from anywhere; needs root for the packages on a fresh machine.
#   writer-*.rtf   src/*.md -> .docx (pandoc) -> .rtf (LibreOffice Writer), src/layout.fodt -> .rtf
#   pandoc-*.rtf   src/*.md -> .rtf (pandoc -t rtf -s)
#   hand-*.rtf     written by hand in the manner of older word processors (kept as they are)
set -euo pipefail
cd "$(dirname "$0")"

if ! command -v soffice >/dev/null || ! command -v pandoc >/dev/null; then
  apt-get update -qq
  apt-get install -y -qq libreoffice-writer-nogui pandoc >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A profile of its own, so that a running office or a user's settings change nothing.
office() {
  soffice -env:UserInstallation=file://"$work"/profile --headless "$@" >/dev/null 2>&1
}

for md in src/report.md src/languages.md src/long.md; do
  name=$(basename "$md" .md)
  pandoc "$md" -o "$work/$name.docx"
  office --convert-to rtf --outdir "$work" "$work/$name.docx"
  cp "$work/$name.rtf" "writer-$name.rtf"
  pandoc "$md" -t rtf -s -o "pandoc-$name.rtf"
done
office --convert-to rtf --outdir "$work" src/layout.fodt
cp "$work/layout.rtf" writer-layout.rtf

for rtf in writer-*.rtf pandoc-*.rtf hand-*.rtf; do
  office --convert-to "txt:Text (encoded):UTF8" --outdir "$work" "$rtf"
  cp "$work/${rtf%.rtf}.txt" "${rtf%.rtf}.lo.txt"
done
