#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one: scripts/fuzz.sh [TARGET] [SECONDS].
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-fuzz_ini}
seconds=${2:-60}
scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target"
corpus=fuzz-corpus/$target
mkdir -p "$corpus"
[ "$target" = fuzz_ini ] && cp -n data/sample/tavolux.ini "$corpus/sample.ini"
build/fuzz/bin/"$target" -max_total_time="$seconds" -max_len=8192 "$corpus"
