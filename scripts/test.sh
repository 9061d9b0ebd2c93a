#!/usr/bin/env bash
# Installs the packages, builds with the address and undefined-behaviour sanitizers, runs
# every test, replays the fuzz targets' seed corpora, then checks formatting and the static
# analysis of the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
ctest --preset debug -j "$jobs"

echo "== fuzz corpus replay =="
scripts/fuzz.sh --replay

echo "== clang-format =="
git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 'sim/*.cpp' 'sim/*.h' \
  | xargs -r clang-format --dry-run -Werror

echo "== clang-tidy =="
git ls-files 'src/*.cpp' 'sim/*.cpp' | grep -v '^src/ui/' \
  | xargs -r -P "$jobs" -n 4 clang-tidy -p build/debug --quiet --extra-arg=-Wno-unknown-warning-option > build/debug/clang-tidy.log 2>/dev/null \
  || true
grep -E '(warning|error):' build/debug/clang-tidy.log > build/debug/clang-tidy.txt || true
if [ -s build/debug/clang-tidy.txt ]; then
  cat build/debug/clang-tidy.txt
  echo "clang-tidy found problems" >&2
  exit 1
fi
echo "clang-tidy: clean"
