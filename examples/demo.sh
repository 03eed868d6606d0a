#!/usr/bin/env bash
# The first run: builds vellaro and vellaro-demo, a stand-in for a reporting
# host, and runs the demo in demo/. It seeds demo/GOODS.db with sample Goods
# records, prints the Goods report through the report engine to
# demo/KQ/5<page>.WMF (one placeable metafile per page), starts vellaro in
# demo/ with instance 5 and one MakeEMLFileSW call, and tells where the
# message and the RTF document landed and what the message holds.
#
# Options go to vellaro-demo: --records N, --instance N, --scale N.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vellaro vellaro-demo
rm -rf "$root/demo"
"$root/build/release/examples/vellaro-demo" "$@" "$root/demo"
