#!/usr/bin/env bash
# The libFuzzer targets (clang, the "fuzz" preset).
#   scripts/fuzz.sh TARGET [SECONDS]  runs one target (default 60 s) from its seed corpus, with
#                                     its dictionary, into a scratch copy of the corpus; new
#                                     findings are left in build/fuzz/findings/TARGET.
#   scripts/fuzz.sh --replay          builds every target and runs each seed once (CI): fails
#                                     on any crash, leak, failed check or over-allocation.
#   scripts/fuzz.sh --list            names the targets.
# Any allocation over the malloc limit fails the run: no reader may allocate far beyond its
# input, whatever sizes the input announces.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(fuzz_ini fuzz_ini_mem fuzz_rip fuzz_tasks fuzz_bmp fuzz_reply fuzz_cmdlog fuzz_socket fuzz_glyph)
limits=(-rss_limit_mb=1536 -malloc_limit_mb=128 -timeout=10)

max_len() {
  case "$1" in
    fuzz_ini | fuzz_ini_mem) echo 16384 ;;
    fuzz_glyph) echo 36000 ;;  # a whole label file and its placement bytes
    *) echo 4096 ;;
  esac
}

build() {
  # Set when the targets were built already (by a build wrapper of one's own).
  [ -n "${TAVOLUX_FUZZ_PREBUILT:-}" ] && return 0
  scripts/install-deps.sh
  if [ ! -f build/fuzz/build.ninja ]; then
    cmake --preset fuzz >/dev/null
  fi
  cmake --build --preset fuzz --target "$@"
}

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi

if [ "${1:-}" = --replay ]; then
  build fuzz_all
  for t in "${targets[@]}"; do
    seeds=(fuzz/corpus/"$t"/*)
    start=$(date +%s%N)
    # Files as arguments: each runs once and nothing is written into the corpus.
    if ! build/fuzz/bin/"$t" "${limits[@]}" "${seeds[@]}" >build/fuzz/replay-"$t".log 2>&1; then
      tail -n 40 build/fuzz/replay-"$t".log
      echo "fuzz corpus replay failed: $t (log: build/fuzz/replay-$t.log)" >&2
      exit 1
    fi
    printf '%-14s %3d inputs  %5d ms\n' "$t" "${#seeds[@]}" $((($(date +%s%N) - start) / 1000000))
  done
  exit 0
fi

target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] | --replay | --list}
seconds=${2:-60}
if [[ ! " ${targets[*]} " =~ \ $target\  ]]; then
  echo "unknown fuzz target: $target (scripts/fuzz.sh --list)" >&2
  exit 2
fi
build "$target"
scratch=build/fuzz/scratch/$target
findings=build/fuzz/findings/$target
rm -rf "$scratch"
mkdir -p "$scratch" "$findings"
cp fuzz/corpus/"$target"/* "$scratch"/
dict=()
[ -f fuzz/dict/"$target".dict ] && dict=(-dict=fuzz/dict/"$target".dict)
exec nice -n 10 build/fuzz/bin/"$target" "${limits[@]}" "${dict[@]}" -max_len="$(max_len "$target")" \
  -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings"/ "$scratch"
