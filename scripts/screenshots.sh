#!/usr/bin/env bash
# Takes screenshots of the desktop program's main window printing a task on the virtual printer,
# in Chinese and in English, under a virtual X display: docs/screenshots/main-zh.png and
# main-en.png; and of the window while the menu's nozzle check prints: nozzle-check-zh.png.
# Usage: scripts/screenshots.sh [BUILD_BIN_DIR]   (default build/debug/bin, built beforehand:
# the targets tavolux-cli and ui_screenshot)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/debug/bin}
for program in tavolux-cli ui_screenshot; do
  if [ ! -x "$bin/$program" ]; then
    echo "screenshots: $bin/$program is missing; build it first" >&2
    exit 1
  fi
done
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A debug build checks for leaks at exit; the toolkit's caches are no concern here.
export ASAN_OPTIONS=detect_leaks=0

for lang in zh en; do
  dir="$work/$lang"
  mkdir -p "$dir"
  cp data/sample/tavolux.ini src/res/TxResEng.lang "$dir/"
  if [ "$lang" = en ]; then
    sed -i 's/^Language=0/Language=1/' "$dir/tavolux.ini"
  fi
  # Two tasks: the sample picture, which the picture shows printing, and a second one waiting.
  "$bin/tavolux-cli" --program-dir "$dir" rip make "$dir/sample.prn" --width 2880 --height 1440 \
    --planes 4 --xres 720 --yres 360 --pattern sample >/dev/null
  "$bin/tavolux-cli" --program-dir "$dir" rip make "$dir/poster.prn" --width 1440 --height 720 \
    --planes 4 --xres 720 --yres 360 --pattern random >/dev/null
  "$bin/tavolux-cli" --program-dir "$dir" tasks add "$dir/sample.prn" >/dev/null
  "$bin/tavolux-cli" --program-dir "$dir" tasks add "$dir/poster.prn" >/dev/null
  # Each run gets its own display, so its single-instance lock is its own too.
  xvfb-run -a -s "-screen 0 1600x900x24" "$bin/ui_screenshot" "$dir" "$PWD/$out/main-$lang.png"
  echo "wrote $out/main-$lang.png"
done

# The nozzle check needs the glyph files the build renders beside the programs.
dir="$work/chart"
mkdir -p "$dir"
cp data/sample/tavolux.ini "$bin/DiGi.bin" "$bin/ZiMo.bin" "$dir/"
xvfb-run -a -s "-screen 0 1600x900x24" "$bin/ui_screenshot" "$dir" \
  "$PWD/$out/nozzle-check-zh.png" nozzle-check
echo "wrote $out/nozzle-check-zh.png"
