#!/usr/bin/env bash
# Whole-process figures of Vellaro, each measured side by side with a peer
# in the same run and printed as a ratio, one figure a line:
#
#   base64      the base64 encoder (bench/encode_file) against
#               `base64 -w 76` on the same 256 MiB file, both into a new file
#   hex         the RTF hex writer against `xxd -p -c 64` on that file
#   whole run   vellaro on 8 pages of 8 MiB (content mode 0, both arrows)
#               against bench/eml_peer.py, the same message built with
#               Python's email package from the same files
#   small run   median wall time of 50 runs on one 20 KB page (mode 4)
#   memory      peak resident memory of the whole run at 8 x 8 MiB and
#               8 x 64 MiB pages
#
# Targets: base64 at least 2x, hex at least 10x, whole run at least 50x,
# peak memory under 16 MiB and the same at both page sizes, small run under
# 10 ms.
#
# Times are medians of REPS repetitions (default 5; the Python peer
# PEER_REPS, default 3); the encoders and their peers take turns. Every run writes fresh files: outputs are deleted
# and the disk synced before each timed run, outside the timing. Exits 1 when
# a target is missed.
#
# Usage: bench/compare.sh [build folder]
# The build folder (default build/bench) is configured Release with the
# benchmarks on and built first. Inputs live in a temporary folder under
# TMPDIR (about 5 GB at peak), removed at the end.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/bench}"
reps="${REPS:-5}"
peer_reps="${PEER_REPS:-3}"
small_runs="${SMALL_RUNS:-50}"

"$root/scripts/bootstrap.sh" coreutils xxd time libbenchmark-dev >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVELLARO_BUILD_BENCH=ON -DVELLARO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target vellaro encode_file >/dev/null

vellaro="$build/src/shell/vellaro"
encode_file="$build/bench/encode_file"
timed=(python3 "$root/bench/run_timed.py")

work="$(mktemp -d "${TMPDIR:-/tmp}/vellaro-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

failed=0

# median VALUE...: the middle value (the mean of the two middle ones).
median() {
  printf '%s\n' "$@" | sort -g |
    awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] \
                                           : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# check NAME VALUE TEST DETAILS: prints one figure line; TEST is an awk
# condition on v that holds when the target is met.
check() {
  local name="$1" value="$2" test="$3" details="$4" verdict=ok
  if ! awk -v v="$value" "BEGIN {exit !($test)}"; then
    verdict=MISSED
    failed=1
  fi
  printf '%-28s %10s   %s  [%s]\n' "$name" "$value" "$details" "$verdict"
}

# fresh FILE...: deletes the outputs of the run before and syncs the disk,
# so that no run pays for the writes of the one before.
fresh() {
  rm -f "$@"
  sync
}

# make_pages FOLDER COUNT SIZE: pages KQ/1<i>.WMF of instance 1, each SIZE
# random bytes behind a 22-byte placeable header.
make_pages() {
  mkdir -p "$1/KQ"
  python3 - "$1/KQ" "$2" "$3" <<'EOF'
import os, struct, sys
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
words = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1440, 1440, 1440, 0)
checksum = 0
for (word,) in struct.iter_unpack("<H", words):
    checksum ^= word
header = words + struct.pack("<H", checksum)
for page in range(1, count + 1):
    with open(os.path.join(folder, f"1{page}.WMF"), "wb") as f:
        f.write(header)
        for offset in range(0, size, 1 << 20):
            f.write(os.urandom(min(1 << 20, size - offset)))
EOF
}

# The call of a whole run: 8 pages, content mode 0 (pages and RTF), arrows.
whole_call="MakeEMLFileSW('out.eml','8','reader@example.com','Report','0',\
'100','','','0','Report','','u.gif','d.gif','Arial','2','0','0','197','197',\
'8270','11530','','','Normal','0','A4','')"
# The call of a small run: one page, content mode 4 (pages only).
small_call="MakeEMLFileSW('small.eml','1','reader@example.com','Report','0',\
'100','','','0','Report','','','','Arial','2','0','4','197','197','8270',\
'11530','','','Normal','0','A4','')"
whole_outputs=(out.eml peer.eml KQ/1.RTF KQ/Report.RTF)

# ---- Encoders against coreutils and xxd ----

head -c $((256 << 20)) /dev/urandom >"$work/in.bin"
cd "$work"

ours=() theirs=()
for ((i = 0; i < reps; i++)); do
  fresh out.ours
  ours+=("$("${timed[@]}" -- "$encode_file" base64 in.bin out.ours)")
  fresh out.coreutils
  theirs+=("$("${timed[@]}" --stdout out.coreutils -- base64 -w 76 in.bin)")
done
# The same text, but for the line ends.
tr -d '\r' <out.ours | cmp -s - out.coreutils ||
  { echo "base64 output differs from base64 -w 76" >&2; exit 1; }
o="$(median "${ours[@]}")" t="$(median "${theirs[@]}")"
check base64_vs_coreutils "$(awk -v o="$o" -v t="$t" 'BEGIN {printf "%.2f", t / o}')" \
  'v >= 2' "x faster: $o s against $t s for 256 MiB; target >= 2"

ours=() theirs=()
for ((i = 0; i < reps; i++)); do
  fresh out.ours
  ours+=("$("${timed[@]}" -- "$encode_file" hex in.bin out.ours)")
  fresh out.xxd
  theirs+=("$("${timed[@]}" --stdout out.xxd -- xxd -p -c 64 in.bin)")
done
# 128 digits and CR LF for every 64 bytes after the 22-byte header.
data=$(((256 << 20) - 22))
[ "$(stat -c %s out.ours)" -eq $((2 * data + 2 * (data / 64))) ] ||
  { echo "hex output has the wrong size" >&2; exit 1; }
o="$(median "${ours[@]}")" t="$(median "${theirs[@]}")"
check hex_vs_xxd "$(awk -v o="$o" -v t="$t" 'BEGIN {printf "%.2f", t / o}')" \
  'v >= 10' "x faster: $o s against $t s for 256 MiB; target >= 10"
fresh out.* in.bin

# ---- The whole program ----

for size in 8 64; do
  make_pages "$work/run$size" 8 $((size << 20))
  python3 "$root/tools/make_arrows.py" --out-dir "$work/run$size"
done
make_pages "$work/small" 1 20000

# The first run of each folder creates GOODS.db; the timed runs find it.
for dir in run8 run64 small; do
  (cd "$work/$dir" && "$vellaro" 0 </dev/null >/dev/null 2>&1)
done

cd "$work/run8"
ours=() theirs=()
# Each side runs its repetitions in a row, vellaro after one untimed run.
fresh "${whole_outputs[@]}"
"$vellaro" 1 "$whole_call" </dev/null
for ((i = 0; i < reps; i++)); do
  fresh "${whole_outputs[@]}"
  ours+=("$("${timed[@]}" -- "$vellaro" 1 "$whole_call")")
  [ "$(tail -c 14 out.eml)" = $'------=_1_--\r' ] ||
    { echo "vellaro did not finish the message" >&2; exit 1; }
done
for ((i = 0; i < peer_reps; i++)); do
  fresh "${whole_outputs[@]}"
  theirs+=("$("${timed[@]}" -- python3 "$root/bench/eml_peer.py" KQ 1 8 \
    u.gif d.gif peer.eml Report)")
done
o="$(median "${ours[@]}")" t="$(median "${theirs[@]}")"
check whole_run_vs_python_email \
  "$(awk -v o="$o" -v t="$t" 'BEGIN {printf "%.1f", t / o}')" 'v >= 50' \
  "x faster: $o s against $t s for 8 x 8 MiB pages; target >= 50"

declare -A peak
for size in 8 64; do
  cd "$work/run$size"
  fresh "${whole_outputs[@]}"
  /usr/bin/time -f %M -o rss "$vellaro" 1 "$whole_call" </dev/null
  peak[$size]="$(cat rss)"
  fresh "${whole_outputs[@]}"
done
check peak_memory_8x8MiB_KiB "${peak[8]}" 'v < 16384' "target < 16384 KiB"
check peak_memory_8x64MiB_KiB "${peak[64]}" \
  "v <= ${peak[8]} * 1.05" "target: within 5% of 8 x 8 MiB (${peak[8]} KiB)"

cd "$work/small"
runs=()
for ((i = 0; i < small_runs; i++)); do
  rm -f small.eml KQ/Report.RTF
  runs+=("$("${timed[@]}" -- "$vellaro" 1 "$small_call")")
done
ms="$(awk -v s="$(median "${runs[@]}")" 'BEGIN {printf "%.2f", s * 1000}')"
check small_run_median_ms "$ms" 'v < 10' \
  "ms, median of $small_runs runs, one 20 KB page; target < 10"

exit "$failed"
