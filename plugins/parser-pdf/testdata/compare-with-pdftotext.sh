#!/usr/bin/env bash
# A check of our own, not a test: compares the words Pelkan finds in PDF files with those of
# poppler-utils' pdftotext (plus the Title, Author, Subject and Keywords pdfinfo shows, which
# Pelkan indexes too). Words are runs of letters and digits of 3 characters or more, counted
# with repeats. Prints, per file, the share of pdftotext's words that Pelkan found (recall) and
# the share of Pelkan's words that pdftotext has (precision).
#   compare-with-pdftotext.sh BUILD_DIR [FILE...]   (default: the fixtures of this folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: $0 BUILD_DIR [FILE...]}
shift
command -v pdftotext >/dev/null || { echo "install poppler-utils" >&2; exit 2; }
cmake --build "$build" --target pdf_bench >/dev/null
files=("$@")
if ((${#files[@]} == 0)); then files=("$here"/*.pdf); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in "${files[@]}"; do
  name=$(basename "$f")
  "$build/bench/pdf_bench" --text "$f" >"$work/ours" 2>/dev/null || { echo "$name: refused"; continue; }
  pdftotext -q "$f" "$work/theirs" 2>/dev/null || : >"$work/theirs"
  pdfinfo "$f" 2>/dev/null | sed -n 's/^\(Title\|Author\|Subject\|Keywords\): *//p' >>"$work/theirs" || true
  python3 - "$work/ours" "$work/theirs" "$name" <<'PY'
import collections, re, sys
def words(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    return collections.Counter(w.lower() for w in re.findall(r"\w+", text) if len(w) >= 3)
ours, theirs = words(sys.argv[1]), words(sys.argv[2])
common = sum((ours & theirs).values())
n_ours, n_theirs = sum(ours.values()), sum(theirs.values())
recall = common / n_theirs if n_theirs else 1.0
precision = common / n_ours if n_ours else 1.0
print("%-30s recall %6.1f%%  precision %6.1f%%  (pelkan %d words, pdftotext %d)" %
      (sys.argv[3], 100 * recall, 100 * precision, n_ours, n_theirs))
PY
done
