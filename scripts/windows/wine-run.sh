#!/usr/bin/env bash
# Runs a Windows program under Wine the way the tests need it; CMake's
# emulator for the cross builds, so CTest and test discovery go through it.
#
#   scripts/windows/wine-run.sh DEFAULT_PREFIX PROGRAM.exe [ARGUMENTS...]
#
# The prefix is WINEPREFIX when set, else DEFAULT_PREFIX (the build folder's
# own), made on first use; never ~/.wine. No debug chatter, no Mono or Gecko
# installers, and no display: a message box that could be shown would wait
# for a click, so none can be (MessageBoxW then returns at once).
#
# For speed, start a persistent server first (wine-server.sh start):
# otherwise each run starts Wine's server and services, which hold the
# caller's output open for a few seconds after the program ends.
set -euo pipefail

default_prefix=${1:?usage: wine-run.sh DEFAULT_PREFIX PROGRAM [ARGUMENTS...]}
shift
export WINEPREFIX=${WINEPREFIX:-$default_prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$(dirname "$0")/wine-server.sh" create "$WINEPREFIX"
fi
exec wine "$@"
