#!/usr/bin/env bash
# A Wine prefix for tests, and a persistent server for it.
#
#   scripts/windows/wine-server.sh create PREFIX   make the prefix if missing
#   scripts/windows/wine-server.sh start PREFIX    make it, start a server
#                                                  that stays, warm it up
#   scripts/windows/wine-server.sh stop PREFIX     stop that server
#
# Why: everything Wine starts (its server, services.exe, explorer.exe ...)
# inherits the standard output and error of the program that started it.
# Run from CTest (a pipe), every test then waits seconds for those to exit;
# with a server that stays and services already running, a test takes tens
# of milliseconds. A server started while another one runs is not
# persistent, so "start" stops any server of the prefix first.
#
# WINEDLLPATH (32-bit DLLs for WoW64, see wow64-dlls.sh) must be set for
# "create" and "start" when the prefix is to run 32-bit programs.
set -euo pipefail

action=${1:?usage: wine-server.sh create|start|stop PREFIX}
prefix=${2:?usage: wine-server.sh create|start|stop PREFIX}
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX
WINEPREFIX=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY WAYLAND_DISPLAY

create() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  # One maker at a time (CTest may start several tests at once).
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Neither the server nor the services may keep the lock open.
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
    wineserver -w
  fi
  exec 9>&-
}

case $action in
  create)
    create
    ;;
  start)
    create
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w
    ;;
  *)
    echo "wine-server.sh: unknown action $action" >&2
    exit 2
    ;;
esac
