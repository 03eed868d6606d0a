#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset: clang, ASan and UBSan) and
# runs each for a bounded time over a copy of its seed corpus in
# fuzz/corpus/<target>/. Fails on any finding: a crash, a sanitizer report,
# a broken property, a run past 10 seconds or past 2 GiB of memory. The
# inputs that fail are kept in build/fuzz/findings/.
#
# Usage: scripts/fuzz.sh [--no-install] [seconds per target, default 60]
#   --no-install  use clang only when it is installed already; without it,
#                 say so and succeed (for CI stages that install nothing)
set -euo pipefail
cd "$(dirname "$0")/.."

install=1
if [ "${1:-}" = "--no-install" ]; then
  install=0
  shift
fi
seconds="${1:-60}"

# True when clang++ can build a libFuzzer program with both sanitizers.
fuzzer_toolchain_works() {
  command -v clang++ >/dev/null 2>&1 || return 1
  local probe
  probe="$(mktemp -d)"
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) {' \
    '  return 0;' '}' >"$probe/probe.cc"
  local ok=0
  clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cc" \
    -o "$probe/probe" >/dev/null 2>&1 || ok=1
  rm -rf "$probe"
  return $ok
}

if ! fuzzer_toolchain_works; then
  if [ $install -eq 0 ]; then
    echo "fuzz: clang with libFuzzer is not installed; fuzzing skipped"
    exit 0
  fi
  scripts/bootstrap.sh clang
  if ! fuzzer_toolchain_works; then
    # The runtime libraries are a package of their own on some releases.
    scripts/bootstrap.sh libclang-rt-14-dev || true
  fi
  if ! fuzzer_toolchain_works; then
    echo "fuzz: clang cannot build libFuzzer programs here" >&2
    exit 1
  fi
fi
scripts/bootstrap.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers -j "$(nproc)"

findings="build/fuzz/findings"
mkdir -p "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failed=()
for corpus in fuzz/corpus/*/; do
  target="$(basename "$corpus")"
  # New inputs go to a copy: the committed corpus stays the seeds.
  mkdir -p "$work/$target"
  cp "$corpus"* "$work/$target/"
  log="$work/$target.log"
  status=0
  "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=12000 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$work/$target" >"$log" 2>&1 ||
    status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  features="$(sed -n 's/^stat::new_units_added: *//p' "$log")"
  if [ $status -eq 0 ]; then
    echo "fuzz: $target: ${runs:-?} runs in ${seconds} s," \
      "${features:-0} new inputs, no finding"
  else
    echo "fuzz: $target FAILED (exit $status); the end of its log:" >&2
    tail -n 40 "$log" >&2
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}; inputs in $findings/" >&2
  exit 1
fi
