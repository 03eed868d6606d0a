#!/usr/bin/env bash
# CI stage: the whole test suite, unit and end-to-end, built with
# AddressSanitizer and UBSan (the sanitize preset; any report ends the
# process that makes it, so the test fails). Then, where clang with
# libFuzzer is installed already, each fuzz target for a short time.
# Installs nothing beyond what scripts/bootstrap.sh installs.
set -euo pipefail
cd "$(dirname "$0")/../.."

started=$SECONDS
scripts/bootstrap.sh
cmake --preset sanitize
cmake --build --preset sanitize -j "$(nproc)"
ctest --preset sanitize -j "$(nproc)"
echo "sanitize: tests passed in $((SECONDS - started)) s"

scripts/fuzz.sh --no-install 20
echo "sanitize: stage done in $((SECONDS - started)) s"
