#!/usr/bin/env bash
# Whole-process time of `Keswel --list` on generated directories of growing
# size (cities with two providers each, a retracker section for every pair).
# Each size is run a few times; the median wall time is printed. The time
# should grow with the directory's size, not with its square.
#
#   bench/list_directory.sh [BUILD_DIR [SIZES...]]
#
# BUILD_DIR defaults to build/default; SIZES to 5000 20000 100000 cities.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
shift || true
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(5000 20000 100000)
keswel=$build/probe/Keswel
[[ -x $keswel ]] || { echo "missing $keswel: build first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$keswel" "$work/"

# Section and count names in Windows-1251: Город, Провайдеры, Ретрекеры, Количество.
city=$(printf '\xC3\xEE\xF0\xEE\xE4')
providers=$(printf '\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB')
retrackers=$(printf '\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB')
count=$(printf '\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE')

for size in "${sizes[@]}"; do
  LC_ALL=C awk -v n="$size" -v c="$city" -v p="$providers" -v r="$retrackers" -v k="$count" 'BEGIN {
    printf "[%s]\r\n", c
    for (i = 1; i <= n; i++) printf "%d=Town%d\r\n", i, i
    for (i = 1; i <= n; i++) printf "[%s Town%d]\r\n1=NetA\r\n2=NetB\r\n", p, i
    for (i = 1; i <= n; i++) for (j = 1; j <= 2; j++) {
      printf "[%s Town%d Net%s]\r\n%s=1\r\n1=http://10.0.%d.%d/announce\r\n", r, i, (j == 1 ? "A" : "B"), k, i % 250, j
    }
  }' >"$work/retrackers.ini"
  printf '[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\n' >"$work/Settings.ini"
  times=()
  for run in 1 2 3; do
    start=$(date +%s.%N)
    "$work/Keswel" --list >"$work/out.txt"
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  lines=$(wc -l <"$work/out.txt")
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
  printf '%7d cities (%s bytes, %d lines listed): median %.3f s of 3\n' "$size" \
    "$(stat -c %s "$work/retrackers.ini")" "$lines" "$median"
done
