#!/usr/bin/env bash
# Installs the packages, builds the program, shows the sample configuration, then prints a
# sample RIP file on the virtual printer and says where the picture of the printed sheet is.
# With a display it then starts the desktop program on the virtual printer, the sample file in
# its task list.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release/bin
demo=build/release/demo
rm -rf "$demo"
mkdir -p "$demo"
cp data/sample/tavolux.ini "$demo/"
# The English strings and the manual, so that the desktop program has them in its folder too.
cp "$bin/TxResEng.lang" "$demo/"
cp -r "$bin/manual" "$demo/"

echo
echo "== tavolux-cli config dump (sample configuration) =="
"$bin/tavolux-cli" --program-dir "$demo" config dump | grep -E '^(Printer|PrinterName|ResolutionX|ResolutionY|ColorNo|GroupNo|HeadHoleNo|PrintTypeID) ='

echo
echo "== a sample RIP file: cyan, magenta and yellow discs over a black text band =="
"$bin/tavolux-cli" --program-dir "$demo" rip make "$demo/sample.prn" --width 1440 --height 720 \
  --planes 4 --xres 720 --yres 360 --pattern sample

echo
echo "== printing it on the virtual printer =="
"$bin/tavolux-cli" --program-dir "$demo" --printer virtual print "$demo/sample.prn" \
  --media-out "$demo/sheet"

echo
echo "== what landed on the sheet (summary.json) =="
grep -v '"feeds"' "$demo/sheet/summary.json"
echo
echo "The printed sheet: $demo/sheet/sheet.png"

if [ -n "${DISPLAY:-}" ] && [ -x "$bin/tavolux" ] && xdpyinfo >/dev/null 2>&1; then
  echo
  echo "== the desktop program on the virtual printer, the sample file in its task list =="
  "$bin/tavolux-cli" --program-dir "$demo" tasks add "$demo/sample.prn"
  exec "$bin/tavolux" --program-dir "$demo" --printer virtual
fi
