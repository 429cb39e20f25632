#!/usr/bin/env bash
# Rebuilds the Word 97 (.doc) fixtures from the sources in src/.
#
# Usage: make-word-fixtures.sh OUTDIR [NAME...]
#
# With NAMEs only those documents are made (say, a new one, leaving the others
# as they are); without, all of them.
# Needs: soffice (LibreOffice Writer 7.4), antiword, gsf (libgsf-bin), python3,
# truncate; the missing Debian packages are installed with apt-get.
# For each document NAME it writes into OUTDIR:
#   NAME.doc               LibreOffice's "MS Word 97" export of the source
#   NAME.first.doc         same streams re-packed by `gsf createole` with
#                          WordDocument first, so it starts at sector 0
#                          (file offset 512)
#   NAME.layout.txt        compound file / FIB / piece table facts (doclayout.py)
#   NAME.antiword.txt      `antiword -m cp1252.txt NAME.doc` (cp1252 bytes);
#                          antiword 0.37 cannot read a file whose WordDocument
#                          stream sits in the mini stream, so for those the
#                          text comes from NAME.first.doc (noted in layout.txt)
#   greek.antiword.utf8.txt  the same for greek with -m UTF-8.txt
# The originals carry conversion timestamps and the re-laid copies carry gsf's
# directory timestamps, so rebuilt files match in content, not byte for byte.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 OUTDIR [NAME...]" >&2
  exit 2
fi
need=()
command -v soffice >/dev/null || need+=(libreoffice-writer-nogui)
command -v antiword >/dev/null || need+=(antiword)
command -v gsf >/dev/null || need+=(libgsf-bin)
command -v python3 >/dev/null || need+=(python3)
if ((${#need[@]} > 0)); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src="$here/src"
layout="$here/doclayout.py"
mkdir -p "$1"
out=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/oru-wordfx.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"

docs=(plain accents table hyperlink breaks greek oneline long separators)
if [ $# -gt 1 ]; then
  docs=("${@:2}")
fi

# --- long: generated, deterministic -----------------------------------------
# 80 paragraphs of six sentences each, words picked from a fixed list by a
# fixed linear congruential sequence, so every run yields the same text.
make_long_html() {
  local words=(
    amber anchor apple autumn basket beacon bridge bright candle canyon
    carpet castle cedar chalk cliff cloud copper cotton crystal dawn
    desert window engine feather field garden glass granite harbour hazel
    island ivory kettle ladder lantern marble meadow mirror morning mountain
    needle ocean orchard paper pebble pepper pillow planet quiet rabbit
    ribbon river saddle shadow silver spring stable thunder timber valley
    velvet village wagon winter
  )
  local n=${#words[@]} seed=20240611 p s w len sentence word
  printf '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>long</title></head><body>\n'
  for ((p = 1; p <= 80; p++)); do
    printf '<p>Paragraph %d.' "$p"
    for ((s = 0; s < 6; s++)); do
      seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
      len=$(( 7 + (seed >> 16) % 6 ))
      sentence=""
      for ((w = 0; w < len; w++)); do
        seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
        word=${words[$(( (seed >> 16) % n ))]}
        if [ "$w" -eq 0 ]; then
          word="${word^}"
          sentence="$word"
        else
          sentence="$sentence $word"
        fi
      done
      printf ' %s.' "$sentence"
    done
    printf '</p>\n'
  done
  printf '</body></html>\n'
}

cp "$src"/*.html "$src"/*.fodt "$work/src/"
make_long_html > "$work/src/long.html"

inputs=()
for d in "${docs[@]}"; do
  if [ -f "$work/src/$d.fodt" ]; then
    inputs+=("$work/src/$d.fodt")
  elif [ -f "$work/src/$d.html" ]; then
    inputs+=("$work/src/$d.html")
  else
    echo "$d: no source $d.fodt or $d.html in $src" >&2
    exit 2
  fi
done

# --- convert -------------------------------------------------------------------
soffice -env:UserInstallation="file://$work/profile" --headless \
  --convert-to doc:"MS Word 97" --outdir "$out" "${inputs[@]}" \
  > "$work/soffice.log" 2>&1 || { cat "$work/soffice.log" >&2; exit 1; }

magic_ok() {  # FILE -> true when it starts with the compound file signature
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = "d0cf11e0a1b11ae1" ]
}

# --- re-lay: WordDocument first ---------------------------------------------
# relay SRC DST NOTES: extracts each top-level stream with `gsf cat`, pads
# WordDocument to 4096 bytes when shorter (else it would go to the mini
# stream), and writes DST with WordDocument as the first stream. Storages and
# streams inside them are listed in NOTES and left out.
relay() {
  local srcdoc=$1 dst=$2 notes=$3 dir type name size
  dir="$work/relay/$(basename "$dst")"
  rm -rf "$dir"
  mkdir -p "$dir"
  local others=()
  while read -r type size name; do
    case "$type" in
      d)
        if [ "$name" != "*root*" ]; then
          echo "skipped storage: $name" >> "$notes"
        fi
        ;;
      f)
        if [[ "$name" == */* ]]; then
          echo "skipped stream inside a storage: $name" >> "$notes"
          continue
        fi
        gsf cat "$srcdoc" "$name" > "$dir/$name"
        if [ "$name" != "WordDocument" ]; then
          others+=("$name")
        fi
        ;;
    esac
  done < <(gsf list "$srcdoc" | tail -n +2 | awk '{ print $1, $(NF-1), $NF }')
  [ -f "$dir/WordDocument" ] || { echo "$srcdoc: no WordDocument" >&2; return 1; }
  size=$(stat -c %s "$dir/WordDocument")
  if [ "$size" -lt 4096 ]; then
    truncate -s 4096 "$dir/WordDocument"
    echo "WordDocument padded with zero bytes from $size to 4096 bytes" >> "$notes"
  fi
  rm -f "$dst"
  (cd "$dir" && gsf createole "$dst" WordDocument "${others[@]}") > /dev/null 2>&1
  echo "streams written: WordDocument ${others[*]}" | cat -v >> "$notes"
}

# run_antiword DOC MAP OUTFILE ERRFILE: true when antiword exits 0 and prints
# text. The cp1252 mapping file makes antiword warn about its undefined
# code points on stderr; those lines are dropped from ERRFILE.
run_antiword() {
  local rc=0
  antiword -m "$2" "$1" > "$3" 2> "$4.raw" || rc=$?
  grep -v '^Syntax error in:' "$4.raw" > "$4" || true
  [ "$rc" -eq 0 ] && [ -s "$3" ] && [ "$(tr -d ' \n' < "$3" | wc -c)" -gt 0 ]
}

fail=0
for d in "${docs[@]}"; do
  doc="$out/$d.doc"
  first="$out/$d.first.doc"
  notes="$work/$d.notes"
  : > "$notes"
  if ! magic_ok "$doc"; then
    echo "$doc: not a compound file" >&2; fail=1; continue
  fi

  relay "$doc" "$first" "$notes"
  at512=$(head -c 514 "$first" | tail -c 2 | od -An -tx1 | tr -d ' \n')
  if [ "$at512" != "eca5" ]; then
    echo "$first: bytes 512-513 are $at512, want eca5" >&2; fail=1
  fi

  orig_ok=0; first_ok=0
  run_antiword "$doc" cp1252.txt "$work/$d.orig.aw" "$work/$d.orig.err" && orig_ok=1
  run_antiword "$first" cp1252.txt "$work/$d.first.aw" "$work/$d.first.err" && first_ok=1
  if [ "$orig_ok" -eq 1 ]; then
    cp "$work/$d.orig.aw" "$out/$d.antiword.txt"
    aw_note="antiword.txt: from the original $d.doc"
  elif [ "$first_ok" -eq 1 ]; then
    cp "$work/$d.first.aw" "$out/$d.antiword.txt"
    aw_note="antiword.txt: from the re-laid $d.first.doc; antiword cannot read the original: $(tr '\n' ' ' < "$work/$d.orig.err")"
  else
    echo "$d: antiword reads neither copy" >&2; fail=1
    aw_note="antiword reads neither copy"
  fi
  if [ "$first_ok" -eq 0 ]; then
    relaid_aw="antiword FAILED on the re-laid copy: $(tr '\n' ' ' < "$work/$d.first.err")"; fail=1
  elif [ "$orig_ok" -eq 0 ]; then
    relaid_aw="antiword reads the re-laid copy (but not the original)"
  elif cmp -s "$work/$d.orig.aw" "$work/$d.first.aw"; then
    relaid_aw="antiword reads the re-laid copy; output identical to the original's"
  else
    relaid_aw="antiword reads the re-laid copy; output DIFFERS from the original's"
  fi

  {
    python3 "$layout" "$doc"
    echo "antiword on the original: $([ "$orig_ok" -eq 1 ] && echo reads it || echo "FAILS: $(tr '\n' ' ' < "$work/$d.orig.err")")"
    echo "$aw_note"
    echo
    echo "== re-laid copy $d.first.doc (gsf createole, WordDocument first) =="
    cat "$notes"
    echo "bytes 512-513: $at512 (want eca5)"
    echo "$relaid_aw"
    python3 "$layout" "$first" | grep -E '^(file size|bytes at|WordDocument|streams)'
  } > "$out/$d.layout.txt"
done

if [[ " ${docs[*]} " == *" greek "* ]]; then
  run_antiword "$out/greek.doc" UTF-8.txt "$out/greek.antiword.utf8.txt" "$work/greek.utf8.err" \
    || run_antiword "$out/greek.first.doc" UTF-8.txt "$out/greek.antiword.utf8.txt" "$work/greek.utf8.err" \
    || { echo "greek: antiword UTF-8 output failed" >&2; fail=1; }
fi

exit "$fail"
