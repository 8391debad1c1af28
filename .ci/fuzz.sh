#!/usr/bin/env bash
# Builds the libFuzzer fuzzers with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time, starting from
# its corpus in fuzz/corpus/<name>/ (new findings go to a scratch copy, so the
# repository's corpus changes only by hand).
#
#   .ci/fuzz.sh [SECONDS_PER_FUZZER]      (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

source .ci/packages.sh
ensure_packages clang libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for corpus in fuzz/corpus/*/; do
  name=$(basename "$corpus")
  mkdir -p "$scratch/$name"
  cp "$corpus"* "$scratch/$name/"
  echo "== fuzzing $name for ${seconds}s"
  # -close_fd_mask=1: the reader's tail message on standard output is noise here.
  build/fuzz/fuzz/${name}_fuzzer -max_total_time="$seconds" -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$scratch/$name-" "$scratch/$name" 2>&1 |
    grep -E '^#[0-9]+.*(DONE|INITED)|stat::number_of_executed_units|cov:.*ft:' | tail -3
  for crash in "$scratch/$name"-*; do
    [[ -e $crash ]] || continue
    echo "finding: $crash" >&2
    exit 1
  done
done
