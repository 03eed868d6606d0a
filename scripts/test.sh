#!/usr/bin/env bash
# Builds Vellaro with its tests and runs them all (unit and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"
ctest --preset default -j "$(nproc)"
