#!/usr/bin/env bash
# CI stage: the Windows programs.
#
# Cross-builds vellaro.exe for 64-bit Windows (with the unit tests) and for
# 32-bit Windows with mingw-w64, checks that both are GUI programs importing
# only system DLLs, runs the whole unit-test suite of the 64-bit build under
# Wine through CTest, and runs both programs end to end under Wine (the
# 32-bit one in Wine's WoW64 mode) against the Linux program on the same
# input. Installs what it needs (Debian/Ubuntu; apt-get as root or sudo).
#
# Build folders: build/windows-x64, build/windows-x86 and build/windows-linux
# (the Linux program for the comparison), each with its own Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
started=$SECONDS
step() { printf '=== windows [%4ds] %s\n' $((SECONDS - started)) "$*"; }

build64=build/windows-x64
build32=build/windows-x86
build_linux=build/windows-linux
jobs=$(nproc)

# --- Tools ------------------------------------------------------------------

step "tools"
scripts/bootstrap.sh  # cmake, ninja, g++, SQLite, python3 for the Linux side
# Each tool with the Debian package that brings it.
needs=(
  "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
  "i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix"
  "wine wine"
  "/usr/lib/wine/wine64 wine64"
  "/usr/src/googletest/CMakeLists.txt libgtest-dev"
  "npm npm"
  "flock util-linux"
)
missing=()
for need in "${needs[@]}"; do
  read -r tool package <<<"$need"
  if [[ $tool == /* ]]; then
    [ -e "$tool" ] || missing+=("$package")
  else
    command -v "$tool" >/dev/null || missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >/dev/null
fi

# --- Builds -----------------------------------------------------------------

step "build: 64-bit program and unit tests"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j "$jobs"

step "build: 32-bit program"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$jobs"

step "build: Linux program for the comparison"
cmake -S . -B "$build_linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLARO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_linux" --target vellaro -j "$jobs"

# --- The executables ----------------------------------------------------------

# check_exe EXE OBJDUMP PE-FORMAT: a GUI program (subsystem 2) in the given
# PE format, with version information, importing only DLLs that come with
# Windows (static linking leaves no libstdc++, libgcc or winpthread DLL).
check_exe() {
  local exe=$1 objdump=$2 format=$3 headers dll
  headers=$("$objdump" -p "$exe")
  grep -q "^Subsystem[[:space:]]*00000002" <<<"$headers" ||
    { echo "$exe: not a GUI (subsystem 2) program" >&2; return 1; }
  "$objdump" -f "$exe" | grep -q "file format $format" ||
    { echo "$exe: not $format" >&2; return 1; }
  strings -e l "$exe" | grep -qx "ProductVersion" ||
    { echo "$exe: no version information" >&2; return 1; }
  while read -r dll; do
    case ${dll,,} in
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | \
        msvcrt.dll | bcrypt.dll | ntdll.dll | ole32.dll | comctl32.dll) ;;
      *)
        echo "$exe: imports $dll, which is not a system DLL" >&2
        return 1
        ;;
    esac
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
  echo "$exe: GUI subsystem, $format, imports" \
    "$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | paste -sd' ')"
}

step "executables: subsystem and imports"
check_exe "$build64/src/shell/vellaro.exe" x86_64-w64-mingw32-objdump pei-x86-64
check_exe "$build32/src/shell/vellaro.exe" i686-w64-mingw32-objdump pei-i386

# --- Tests under Wine -------------------------------------------------------

running_prefixes=()
stop_servers() {
  local prefix
  for prefix in "${running_prefixes[@]}"; do
    scripts/windows/wine-server.sh stop "$prefix" || true
  done
}
trap stop_servers EXIT
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8

step "64-bit: Wine prefix and server"
export WINEPREFIX=$root/$build64/wineprefix
scripts/windows/wine-server.sh start "$WINEPREFIX"
running_prefixes+=("$WINEPREFIX")

step "64-bit: unit tests under Wine"
ctest --preset windows-x64 -j "$jobs"

step "64-bit: end to end against the Linux program"
python3 tests/windows_e2e.py --exe "$build64/src/shell/vellaro.exe" \
  --linux-exe "$build_linux/src/shell/vellaro"
scripts/windows/wine-server.sh stop "$WINEPREFIX"

step "32-bit: Wine's 32-bit DLLs for WoW64"
WINEDLLPATH=$(scripts/windows/wow64-dlls.sh "$build32/wow64")
export WINEDLLPATH

step "32-bit: Wine prefix and server"
export WINEPREFIX=$root/$build32/wineprefix
scripts/windows/wine-server.sh start "$WINEPREFIX"
running_prefixes+=("$WINEPREFIX")

step "32-bit: end to end against the Linux program (WoW64)"
python3 tests/windows_e2e.py --exe "$build32/src/shell/vellaro.exe" \
  --linux-exe "$build_linux/src/shell/vellaro" --cc i686-w64-mingw32-gcc-posix

step "done"
