#!/usr/bin/env bash
# Puts Wine's 32-bit Windows DLLs into a folder of their own, so that the
# 64-bit Wine loader can run 32-bit programs in its WoW64 mode, without
# installing the i386 architecture on this system.
#
#   scripts/windows/wow64-dlls.sh FOLDER
#
# Downloads the libwine:i386 package of the installed Wine version with
# apt's lists kept in FOLDER (the system's apt state is not touched) and
# unpacks it there. Prints the folder to put on WINEDLLPATH, both when the
# prefix is made and when programs run; without it a 32-bit program does
# not start and Wine still exits 0. Does nothing when FOLDER holds the DLLs
# already.
set -euo pipefail

dest=${1:?usage: wow64-dlls.sh FOLDER}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
dlls=$dest/libwine32/usr/lib/i386-linux-gnu/wine
if [ -f "$dlls/i386-windows/kernel32.dll" ]; then
  echo "$dlls"
  exit 0
fi

state=$dest/apt
mkdir -p "$state/lists/partial" "$state/cache/archives/partial"
apt_options=(
  -o "Dir::State::Lists=$state/lists"
  -o "Dir::Cache=$state/cache"
  -o "APT::Architectures::=amd64"
  -o "APT::Architectures::=i386"
  -o "APT::Sandbox::User=root"
)
apt-get "${apt_options[@]}" -qq update >&2

# The same version as the installed 64-bit Wine, where the archive has it.
version=$(dpkg-query -W -f='${Version}' libwine 2>/dev/null || true)
package=libwine:i386
if [ -n "$version" ] &&
   apt-cache "${apt_options[@]}" madison libwine | grep -q " $version .*i386"; then
  package="libwine:i386=$version"
fi
rm -f "$dest"/libwine_*_i386.deb
(cd "$dest" && apt-get "${apt_options[@]}" -qq download "$package" >&2)
rm -rf "$dest/libwine32"
dpkg-deb -x "$dest"/libwine_*_i386.deb "$dest/libwine32"
rm -f "$dest"/libwine_*_i386.deb
rm -rf "$state"
if [ ! -f "$dlls/i386-windows/kernel32.dll" ]; then
  echo "wow64-dlls.sh: no 32-bit kernel32.dll in $package" >&2
  exit 1
fi
echo "$dlls"
