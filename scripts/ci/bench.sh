#!/usr/bin/env bash
# CI stage: the benchmarks and bench tools build (Release), and the encoders'
# portable code (no SSE) passes its tests. The benchmarks are run by hand
# (bench/compare.sh): timings on a CI machine mean nothing.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/bootstrap.sh libbenchmark-dev
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVELLARO_BUILD_BENCH=ON -DVELLARO_BUILD_TESTS=OFF
cmake --build build/bench --target encode_bench encode_file vellaro
cmake -S . -B build/portable -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-U__SSE2__
cmake --build build/portable --target encode_test
build/portable/src/encode/encode_test
