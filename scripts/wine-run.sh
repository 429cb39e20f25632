#!/usr/bin/env bash
# Runs a Windows program under Wine: CTest's emulator for the cross build (build-windows/).
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
# The prefix is $WINEPREFIX (scripts/test-windows.sh makes a fresh one per run); Wine's own
# messages stay quiet unless WINEDEBUG says otherwise. The exit status is the program's.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  echo "$0: WINEPREFIX is not set (scripts/test-windows.sh makes a prefix)" >&2
  exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
