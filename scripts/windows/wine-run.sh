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
# Everything Wine starts (its server and services) inherits the output of
# the program that started it, and CTest waits until that closes: seconds
# per test. So when no Wine server runs for the prefix, one is started that
# stays a minute after its last program (or as long as wine-server.sh start
# asked), with the services started apart from the caller's output.
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
(
  flock 9
  # Exit code 2: a server runs already.
  # Neither the server nor the services may keep the lock (fd 9) open.
  if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then
    wine wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
