#!/usr/bin/env bash
# Run under xvfb-run: a second start of the desktop program asks the running one to come to the
# front and ends with 0; a bad start option ends with 2; an instance killed outright leaves no
# lock that blocks the next start.
# Usage: SingleStartTest.sh TAVOLUX SAMPLE_INI WORK_DIR
set -uo pipefail
program=$1 sample=$2 work=$3
rm -rf "$work"
mkdir -p "$work/run"
cp "$sample" "$work/tavolux.ini"
# The lock lives in the session's runtime folder: a fresh one per run.
export XDG_RUNTIME_DIR="$work/run"
chmod 700 "$work/run"
export ASAN_OPTIONS=detect_leaks=0
fail() { echo "FAIL: $*" >&2; kill -9 "${first:-0}" "${again:-0}" 2>/dev/null; exit 1; }

# Waits up to 30 s for the main window to be on the display.
window_shown() {
  for _ in $(seq 1 300); do
    xwininfo -root -tree 2>/dev/null | grep -q 'Tavolux' && return 0
    sleep 0.1
  done
  return 1
}

"$program" --program-dir "$work" --printer virtual:instant &
first=$!
window_shown || fail "the first start shows no window"

timeout 60 "$program" --program-dir "$work" --printer virtual:instant
code=$?
[ "$code" -eq 0 ] || fail "the second start ended with $code, expected 0"
kill -0 "$first" 2>/dev/null || fail "the first instance is gone after the second start"

timeout 60 "$program" --no-such-option
code=$?
[ "$code" -eq 2 ] || fail "a bad option ended with $code, expected 2"

kill -9 "$first"
wait "$first" 2>/dev/null
"$program" --program-dir "$work" --printer virtual:instant &
again=$!
window_shown || fail "the start after a killed instance shows no window"
kill -0 "$again" 2>/dev/null || fail "the start after a killed instance ended"
kill "$again"
wait "$again" 2>/dev/null
echo "single start: ok"
