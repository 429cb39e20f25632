#!/usr/bin/env bash
# Runs a Windows program under Wine: CTest's emulator for the cross build (build-windows/).
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
# The prefix is $WINEPREFIX (scripts/test-windows.sh makes a fresh one per run); Wine's own
# messages stay quiet unless WINEDEBUG says otherwise. The exit status is the program's.
#
# Now and then Wine fails to start a program at all: its loader dies of a signal, or the run
# ends in a failure status in a few hundredths of a second without the program printing a
# line. Every test program prints before its first test, so such a run never reached its tests;
# it is made once more, and said so on standard error. A program that printed anything keeps
# its status, whatever it is.
set -uo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  echo "$0: WINEPREFIX is not set (scripts/test-windows.sh makes a prefix)" >&2
  exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

printed=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$printed"' EXIT

# Runs the program once, its standard output passed on and kept in $printed.
run_once() {
  wine "$@" | tee "$printed"
  return "${PIPESTATUS[0]}"
}

run_once "$@"
status=$?
if [ "$status" -gt 128 ] && [ "$status" -lt 160 ]; then
  echo "$0: wine ended by signal $((status - 128)); running $1 once more" >&2
elif [ "$status" -ne 0 ] && [ ! -s "$printed" ]; then
  echo "$0: $1 ended with status $status before printing anything; running it once more" >&2
else
  exit "$status"
fi
run_once "$@"
exit $?
