#!/usr/bin/env bash
# Builds the Windows flavour with mingw-w64 and runs every test under Wine.
#   scripts/test-windows.sh [CTEST-ARGUMENTS...]     e.g. -R platform_test (no index comparison)
# Installs what is missing, configures build-windows/ with cmake/mingw-w64-x86_64.cmake, builds,
# makes a fresh Wine prefix in a temporary folder (removed at the end, as is its wineserver),
# starts a virtual X server for the programs that open windows, and runs CTest; each test
# program runs under Wine through scripts/wine-run.sh; after a whole run, the index comparison
# (scripts/compare-windows-index.sh). The exit status is the first failure's.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --windows

build_dir=build-windows
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DORU_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j 2

prefix=$(mktemp -d "${TMPDIR:-/tmp}/oru-wine.XXXXXX")
xvfb_pid=""
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$prefix"
}
trap cleanup EXIT

export WINEPREFIX=$prefix
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}
# Wine takes the ANSI code page from the locale: Windows-1252 with English.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A throwaway profile: the end-to-end tests may use its application-data folder.
export ORU_TEST_SCRATCH_APPDATA=1

# The window helpers need an X display; Xvfb names a free one on the descriptor given.
display_file=$prefix/display
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
if [ ! -s "$display_file" ]; then
  echo "$0: Xvfb did not start" >&2
  exit 2
fi
export DISPLAY=:$(head -n 1 "$display_file")

# The prefix: a persistent wineserver for the run, then the first boot. Both get standard input
# and output of their own, so that no pipe of the caller stays open behind them.
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
# No window manager on Xvfb: Wine places its windows itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
# A program that crashes (the tests crash parser plug-ins on purpose) ends without the crash
# dialog, which nobody would close.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  </dev/null >/dev/null 2>&1
# Wine's desktop quits soon after the last program with a window, and a new one takes seconds
# to come up for the next: a hidden window holds it for the whole run (ended by wineserver -k).
wine "$build_dir/tests/oru_desktop_holder.exe" </dev/null >/dev/null 2>&1 &

ctest --test-dir "$build_dir" --output-on-failure -j 2 "$@"
# The whole suite passed: compare an index of Tamsel.exe with the Linux one (not for a chosen
# subset of tests).
if (($# == 0)); then
  scripts/compare-windows-index.sh
fi
