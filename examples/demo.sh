#!/usr/bin/env bash
# Builds Vellaro and runs its main job on sample pages, the way a host does:
# the pages are printed to demo/KQ/<instance><page>.WMF, then vellaro is
# started in demo/ with the instance number and one MakeEMLFileSW call.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vellaro

demo="$root/demo"
rm -rf "$demo"
mkdir -p "$demo/KQ"
python3 tools/make_pages.py "$demo/KQ" 5 3     # instance 5, three pages

cd "$demo"
# 1 message path, 2 pages, 3 To, 4 Subject, 5 background (0 = white),
# 6 scale, 7 Cc, 8 Bcc, 9 NoRTF, 10 RTF name, 11 RTF copy folder,
# 12/13 arrow pictures (missing files: the built-in arrows are used),
# 14 font, 15 size, 16 colour, 17 content mode (0 = pages and RTF),
# 18-21 margins and page size in thousandths of an inch, 22 sound,
# 23 loop, 24 priority, 25 landscape, 26 paper, 27 From.
"$root/build/release/src/shell/vellaro" 5 \
  "MakeEMLFileSW('$demo/report.eml','3','ann@example.com, bob@example.com'," \
  "'Goods report','0','50','','','0','Goods','$demo/saved','up.gif'," \
  "'down.gif','Arial','2','0','0','197','197','8270','11530','','',"\
  "'High','0','A4','reports@example.com')"

echo
python3 "$root/examples/show_message.py" "$demo/report.eml"
echo
echo "Message:       $demo/report.eml"
echo "RTF document:  $demo/KQ/5.RTF (copies: $demo/KQ/Goods.RTF, $demo/saved/Goods.RTF)"
echo "Open the message in a mail program to see the draft."
