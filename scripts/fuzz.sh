#!/usr/bin/env bash
# Builds one libFuzzer target with clang and runs it for a while.
#   scripts/fuzz.sh NAME SECONDS [CORPUS]
# NAME is the target given to oru_fuzz (e.g. mellic_fuzz). CORPUS is the seed folder; by default
# the fuzz-corpus/ folder beside NAME.cc (README files are left out). The seeds are copied into build-fuzz/corpus/NAME, which
# the run grows; crashes and other findings land in build-fuzz/findings/NAME/, the log in
# build-fuzz/NAME.log. The exit status is the fuzzer's: 0 when nothing was found.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# < 2 || $# > 3)); then
  echo "usage: $0 NAME SECONDS [CORPUS]" >&2
  exit 2
fi
name=$1
seconds=$2
seeds=${3:-}
if [ -z "$seeds" ]; then
  source_file=$(git ls-files --cached --others --exclude-standard "*/$name.cc" | head -n 1)
  if [ -z "$source_file" ]; then
    echo "$0: no source file $name.cc; pass the corpus folder" >&2
    exit 2
  fi
  seeds=$(dirname "$source_file")/fuzz-corpus
fi

build_dir=build-fuzz
cmake -S . -B "$build_dir" -G Ninja -DORU_FUZZ=ON -DORU_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build_dir" --target "$name" -j 2

corpus=$build_dir/corpus/$name
findings=$build_dir/findings/$name
mkdir -p "$corpus" "$findings"
if [ -d "$seeds" ]; then
  find "$seeds" -maxdepth 1 -type f ! -name 'README*' -exec cp -n {} "$corpus"/ \;
fi
# oru_fuzz puts targets in fuzz/; a target made with add_executable stays in its own folder.
binary=$build_dir/fuzz/$name
if [ ! -x "$binary" ]; then
  binary=$(find "$build_dir" -type f -name "$name" -perm -u+x | head -n 1)
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$corpus" 2>&1 | tee "$build_dir/$name.log"
exit "${PIPESTATUS[0]}"
