#!/usr/bin/env bash
# End-to-end check of the Windows flavour: Tamsel.exe indexes the test files of every parser
# plug-in under Wine, the Linux Tamsel indexes the same copies, and the words of every file must agree (file
# numbers and path forms may differ with the enumeration order and the platform).
#   scripts/compare-windows-index.sh
# Expects build-windows/ built and WINEPREFIX, DISPLAY set up as scripts/test-windows.sh leaves
# them; installs what the Linux flavour needs and builds what it needs of it in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
: "${WINEPREFIX:?run from scripts/test-windows.sh, or set up a Wine prefix first}"

scripts/install-deps.sh

if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DORU_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Each parser: its key in ORU.ini, its library and the folder of its test files.
parsers=(
  "Word Dovrin plugins/parser-word/testdata"
  "MP3 Mellic plugins/parser-mp3/testdata"
  "Text Tavrel plugins/parser-text/testdata"
  "WebPages Ostrin plugins/parser-html/testdata"
  "RichText Rivand plugins/parser-rtf/testdata"
  "Office Quillet plugins/parser-ooxml/testdata"
  "OpenDocument Odrane plugins/parser-odf/testdata"
  "PDF Pelkan plugins/parser-pdf/testdata"
)
libraries=()
for parser in "${parsers[@]}"; do
  read -r _ library _ <<<"$parser"
  libraries+=("$library")
done
cmake --build build -j 2 --target Tamsel Ferrow "${libraries[@]}" index_dump >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/oru-compare.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fixtures=$scratch/fixtures
for parser in "${parsers[@]}"; do
  read -r key _ folder <<<"$parser"
  mkdir -p "$fixtures/$key"
  # Text in many scripts (the "languages" fixtures) is left out: characters outside
  # Windows-1252 become "?" by each platform's own conversion, which differ, and indexes keep
  # Windows-1252 words for now.
  find "$folder" -maxdepth 1 -type f ! -name '*.sh' ! -name '*.py' ! -name 'README*' \
    ! -name '*languages*' -exec cp {} "$fixtures/$key/" \;
done
mkdir -p "$fixtures/samples"
find samples -maxdepth 1 -type f ! -name '*.sh' -exec cp {} "$fixtures/samples/" \;

# Writes ORU.ini (plug-ins in BIN ending in SEP, library suffix EXT) and a job file.
write_config() {  # WORK BIN SEP EXT JOB DIR
  local work=$1 bin=$2 sep=$3 ext=$4 job=$5 dir=$6
  mkdir -p "$work/Storages"
  local files="" order="" number=0 parser key library
  for parser in "${parsers[@]}"; do
    read -r key library _ <<<"$parser"
    files+="$key=${bin}${sep}${library}${ext}"$'\r\n'
    number=$((number + 1))
    order+="$number=$key"$'\r\n'
  done
  printf '[Files]\r\n%s[Storages]\r\nFolders=%s\r\n[Folders]\r\n%s' \
    "$files" "${bin}${sep}Ferrow$ext" "$order" >"$work/ORU.ini"
  printf '[Header]\r\nName=compare\r\nUpdating=0\r\n[Folders]\r\nDir0=%s\r\n' "$dir" >"$job"
}

# The Linux flavour, without a display (the terminal form).
linux_work=$scratch/linux-data/Pellimar/ORU
write_config "$linux_work" "$PWD/build/bin" / .so "$scratch/linux.job.ini" "$fixtures/"
env -u DISPLAY XDG_DATA_HOME="$scratch/linux-data" XDG_RUNTIME_DIR="$scratch" \
  build/bin/Tamsel "$scratch/linux.job.ini" </dev/null >/dev/null 2>&1

# The Windows flavour, in the prefix's application-data folder.
appdata=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')
windows_work=$(winepath -u "$appdata" 2>/dev/null)/Pellimar/ORU
rm -rf "$windows_work"
write_config "$windows_work" "$(winepath -w "$PWD/build-windows/bin" 2>/dev/null)" '\' .dll \
  "$scratch/windows.job.ini" "$(winepath -w "$fixtures" 2>/dev/null)\\"
wine build-windows/bin/Tamsel.exe "$(winepath -w "$scratch/windows.job.ini" 2>/dev/null)" \
  </dev/null >/dev/null 2>&1

status=0
for side in linux windows; do
  work=${side}_work
  if ! grep -qi '^compare=1' "${!work}/storages.ini" 2>/dev/null; then
    echo "$0: the $side index was not recorded as complete" >&2
    status=1
  fi
  build/tests/index_dump "${!work}/Storages/compare/" fixtures/ >"$scratch/$side.txt" || status=1
done
rm -rf "$windows_work"
if [ "$status" -ne 0 ]; then exit "$status"; fi
if ! diff -u "$scratch/linux.txt" "$scratch/windows.txt"; then
  echo "$0: the two flavours disagree on the words above" >&2
  exit 1
fi
echo "compare-windows-index: $(wc -l <"$scratch/linux.txt") files, the same words in both indexes"
