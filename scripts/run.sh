#!/usr/bin/env bash
# Installs the packages, builds the program and runs its main job on the sample configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
echo
echo "== tavolux-cli config dump (sample configuration in build/release/bin) =="
build/release/bin/tavolux-cli config dump
