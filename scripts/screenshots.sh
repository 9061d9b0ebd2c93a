#!/usr/bin/env bash
# Takes screenshots of the desktop program's main window on the virtual printer, in Chinese and
# in English, under a virtual X display: docs/screenshots/main-zh.png and main-en.png.
# Usage: scripts/screenshots.sh [BUILD_BIN_DIR]   (default build/debug/bin, built beforehand)
set -euo pipefail
cd "$(dirname "$0")/.."
# Inside the virtual display the script runs itself again as: --shoot PROGRAM DIR PNG.
if [ "${1:-}" != --shoot ]; then
  bin=${1:-build/debug/bin}
  program="$bin/tavolux"
fi
# Runs inside the virtual display: starts the program, waits for its window, shoots, closes it.
shoot() {
  local dir=$1 png=$2
  # A debug build checks for leaks at exit; the toolkit's caches are no concern here.
  ASAN_OPTIONS=detect_leaks=0 "$program" --program-dir "$dir" --printer virtual &
  local pid=$!
  local shown=0
  for _ in $(seq 1 200); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"Tavolux'; then
      shown=1
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$shown" -ne 1 ]; then
    echo "screenshots: the main window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    return 1
  fi
  # The virtual printer answers its reset after its mechanical time; the window then shows ready.
  sleep 3
  import -window root "$png"
  kill "$pid"
  wait "$pid" || true
}

if [ "${1:-}" = --shoot ]; then
  program=$2
  shoot "$3" "$4"
  exit
fi
if [ ! -x "$program" ]; then
  echo "screenshots: $program is missing; build the tavolux target first" >&2
  exit 1
fi
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for lang in zh en; do
  dir="$work/$lang"
  mkdir -p "$dir"
  cp data/sample/tavolux.ini src/res/TxResEng.lang "$dir/"
  if [ "$lang" = en ]; then
    sed -i 's/^Language=0/Language=1/' "$dir/tavolux.ini"
  fi
  # Each run gets its own display, so its single-instance lock is its own too.
  xvfb-run -a -s "-screen 0 1280x800x24" "$0" --shoot "$program" "$dir" "$PWD/$out/main-$lang.png"
  echo "wrote $out/main-$lang.png"
done
