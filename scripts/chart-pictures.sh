#!/usr/bin/env bash
# Prints every chart that the command-line tool lists on each sample printer onto the virtual
# printer and keeps a picture of each sheet: docs/charts/PRINTER-CHART.png.
# Usage: scripts/chart-pictures.sh [BUILD_BIN_DIR [CHART...]]   (default build/debug/bin, built
# beforehand; the charts named, or every chart listed)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/debug/bin}
only=("${@:2}")
out=docs/charts
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printers=(tx tx6 tx-white)
for i in "${!printers[@]}"; do
  dir="$work/${printers[$i]}"
  mkdir -p "$dir"
  cp data/sample/tavolux.ini "$bin/DiGi.bin" "$bin/ZiMo.bin" "$dir/"
  cli=("$bin/tavolux-cli" --program-dir "$dir" --printer virtual:instant)
  "${cli[@]}" config set SYSTEM Printer "$i" >/dev/null
  # The list's first line is its heading; each further line starts with a chart's name.
  "${cli[@]}" chart list | tail -n +2 | while read -r name _; do
    if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $name "* ]]; then
      continue
    fi
    "${cli[@]}" chart "$name" --media-out "$dir/$name" >/dev/null
    # Wide sheets are scaled down to a picture a person can look at whole; one wider than
    # ImageMagick's policy allows (the platform check) is kept as printed.
    convert "$dir/$name/sheet.png" -resize '2400x1600>' "$out/${printers[$i]}-$name.png" \
      2>/dev/null || cp "$dir/$name/sheet.png" "$out/${printers[$i]}-$name.png"
    echo "$out/${printers[$i]}-$name.png"
  done
done
