#!/usr/bin/env bash
# Builds dovrin_fuzz with clang and runs it for a while.
#   plugins/parser-word/fuzz.sh SECONDS
# The seeds of fuzz-corpus/ are copied into build-fuzz/corpus/dovrin_fuzz, which the run grows;
# findings land in build-fuzz/findings/dovrin_fuzz/, the log in build-fuzz/dovrin_fuzz.log.
# The exit status is the fuzzer's: 0 when nothing was found.
set -euo pipefail
cd "$(dirname "$0")/../.."

if (($# != 1)); then
  echo "usage: $0 SECONDS" >&2
  exit 2
fi
name=dovrin_fuzz
build_dir=build-fuzz
cmake -S . -B "$build_dir" -G Ninja -DORU_FUZZ=ON -DORU_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build_dir" --target "$name" -j 2

corpus=$build_dir/corpus/$name
findings=$build_dir/findings/$name
mkdir -p "$corpus" "$findings"
cp -n plugins/parser-word/fuzz-corpus/*.doc "$corpus"/

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build_dir/plugins/parser-word/$name" -max_total_time="$1" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" 2>&1 | tee "$build_dir/$name.log"
exit "${PIPESTATUS[0]}"
