#!/usr/bin/env bash
# Runs a Windows program under Wine: CTest's emulator for the cross build (build-windows/).
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
# The prefix is $WINEPREFIX (scripts/test-windows.sh makes a fresh one per run); Wine's own
# messages stay quiet unless WINEDEBUG says otherwise. The exit status is the program's.
# Wine's loader now and then dies of a signal before the program starts (no output at all); a
# Windows program never ends by a signal, so such a run is made once more.
set -uo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  echo "$0: WINEPREFIX is not set (scripts/test-windows.sh makes a prefix)" >&2
  exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine "$@"
status=$?
if [ "$status" -gt 128 ] && [ "$status" -lt 160 ]; then
  echo "$0: wine ended by signal $((status - 128)); running $1 once more" >&2
  wine "$@"
  status=$?
fi
exit "$status"
