#!/usr/bin/env bash
# Sets up and runs the indexer over a folder (by default the sample documents in samples/):
# installs what is missing, builds, writes the default configuration when there is none,
# writes a job file, runs Tamsel, prints the outcome and searches the new index for a word.
#   scripts/demo.sh [FOLDER] [INDEX-NAME] [WORD]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

folder=$(realpath "${1:-samples}")
name=${2:-demo}
word=${3:-café}

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target Tamsel oru Trovella Ferrow Dovrin Mellic Tavrel Ostrin Rivand Quillet Odrane Pelkan

bin="$root/build/bin"
setup=$("$bin/oru" setup)
echo "$setup"
work=$(sed -n 's/^work folder: *//p' <<<"$setup")
work=${work%/}
job="$work/$name.job.ini"
printf '[Header]\nName=%s\nUpdating=0\n[Folders]\nDir0=%s\n' "$name" "$folder" >"$job"
echo "job file:      $job"
echo "indexing:      $folder"

status=0
"$bin/Tamsel" "$job" </dev/null || status=$?
echo
case $status in
  0) ;;
  11) echo "Tamsel: the configuration could not be loaded (see $work/ORU.ini)" ;;
  13) echo "Tamsel: the job file names no usable index" ;;
  *) echo "Tamsel ended with status $status" ;;
esac
index="$work/Storages/$name"
indexed=$(sed -n "/^\[Indexed\]/,/^\[/{s/^$name=//p}" "$work/storages.ini" 2>/dev/null | head -n 1)
if [ "$status" -eq 0 ] && [ "$indexed" = "1" ]; then
  files=$(ls "$index" | wc -l)
  echo "index written: $index ($files files, $(du -sh "$index" | cut -f1))"
  echo
  echo "\$ oru search --name $name $word"
  "$bin/oru" search --name "$name" "$word" || true
else
  echo "no complete index was written (Indexed=${indexed:-unset})"
fi
exit "$status"
