#!/usr/bin/env bash
# Installs the build and test tools Vellaro needs when they are missing.
# Debian/Ubuntu only; uses sudo when not run as root. Safe to run again.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libsqlite3-dev
          python3 "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
    missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
