#!/usr/bin/env bash
# Renders page 1 of the demo's RTF document to docs/demo-page.png, the
# picture the README shows: LibreOffice converts the document to PDF and
# pdftoppm (poppler-utils) draws the page at 60 dpi. Run examples/demo.sh
# first. Needs libreoffice-writer (or -nogui) and poppler-utils.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
rtf="$root/demo/KQ/5.RTF"
[ -f "$rtf" ] || { echo "no $rtf: run examples/demo.sh first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
soffice "-env:UserInstallation=file://$work/profile" --headless \
  --convert-to pdf --outdir "$work" "$rtf" >/dev/null
pdfinfo "$work/5.pdf" | grep '^Pages:'
pdftoppm -r 60 -f 1 -l 1 -singlefile -png "$work/5.pdf" "$root/docs/demo-page"
echo "$root/docs/demo-page.png"
