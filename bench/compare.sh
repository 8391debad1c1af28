#!/usr/bin/env bash
# Whole-process comparison on the benchmark torrents: `Tavrin IN OUT` (with a
# Settings.ini and a directory adding two retrackers) against
# `transmission-edit -a URL` on a copy of the same file, `cp`, and a durable
# copy (`cp`, `sync -d` on the copy, `mv` over the target: what Tavrin's
# writing must do at least). Prints the median wall time and peak RSS of each
# over several runs, Tavrin's and the durable copy's CPU time, the ratios, and
# the range (lowest-highest) of Tavrin's and the durable copy's times.
#
#   bench/compare.sh [BUILD_DIR [RUNS]]
#
# BUILD_DIR defaults to build/bench (cmake --preset bench && cmake --build
# --preset bench); RUNS defaults to 9.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
runs=${2:-9}
measure=$build/bench/measure
for program in "$measure" "$build/bench/make_bench_torrents" "$build/augment/Tavrin"; do
  [[ -x $program ]] || { echo "missing $program: build the bench preset first" >&2; exit 2; }
done
editor=$(command -v transmission-edit || true)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/app" "$work/out" "$work/edit" "$work/copy"
"$build/bench/make_bench_torrents" "$work/in" >/dev/null
cp "$build/augment/Tavrin" "$work/app/"

# The directory is Windows-1251 text; its section and count names are Russian.
iconv -f UTF-8 -t CP1251 >"$work/app/retrackers.ini" <<'INI'
[Город]
1=Benchtown

[Провайдеры Benchtown]
1=BenchNet

[Ретрекеры Benchtown BenchNet]
Количество=2
1=http://127.0.0.1:2710/announce
2=http://127.0.0.2:2710/announce
INI
cat >"$work/app/Settings.ini" <<INI
[Settings]
TrackersFile=$work/app/retrackers.ini
TrackerIniIndex=0 0
TrackerCheck=1 2 0
INI

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
span() { sort -n | awk 'NR == 1 { low = $1 } { high = $1 } END { printf "%.1f-%.1f", low / 1000, high / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }

printf '%-24s %9s | %10s %7s %9s | %10s %9s | %8s %8s | %10s %7s | %9s %8s | %9s %12s | %s\n' \
  torrent bytes "Tavrin ms" "CPU ms" "RSS KiB" "t-edit ms" "RSS KiB" "cp ms" "RSS KiB" "durable ms" "CPU ms" \
  "time T/e" "RSS T/e" "time T/cp" "T/durable t,c" "ranges ms: Tavrin time, CPU; durable time, CPU"
for input in "$work"/in/*.torrent; do
  name=$(basename "$input")
  : >"$work/t" ; : >"$work/e" ; : >"$work/c" ; : >"$work/d"
  for ((run = 0; run < runs; ++run)); do
    rm -f "$work/out/$name" "$work/copy/$name"
    read -r us kib code cpu < <("$measure" "$work/app/Tavrin" "$input" "$work/out/$name")
    [[ $code == 0 ]] || { echo "Tavrin failed on $name (exit $code)" >&2; exit 1; }
    echo "$us $kib $cpu" >>"$work/t"
    # transmission-edit builds a dictionary one key at a time: 19 s for
    # 40,000 descending keys on the development VM, minutes for more.
    if [[ -n $editor && $name != descending-* ]]; then
      cp "$input" "$work/edit/$name"
      read -r us kib code < <("$measure" "$editor" -a http://127.0.0.1:2710/announce "$work/edit/$name")
      echo "$us $kib" >>"$work/e"
    fi
    read -r us kib code < <("$measure" cp "$input" "$work/copy/$name")
    echo "$us $kib" >>"$work/c"
    rm -f "$work/copy/$name"
    read -r us kib code cpu < <("$measure" sh -c 'cp "$0" "$1.tmp" && sync -d "$1.tmp" && mv "$1.tmp" "$1"' \
      "$input" "$work/copy/$name")
    echo "$us $kib $cpu" >>"$work/d"
  done
  tus=$(cut -d' ' -f1 "$work/t" | median); tkib=$(cut -d' ' -f2 "$work/t" | median)
  tcpu=$(cut -d' ' -f3 "$work/t" | median)
  cus=$(cut -d' ' -f1 "$work/c" | median); ckib=$(cut -d' ' -f2 "$work/c" | median)
  dus=$(cut -d' ' -f1 "$work/d" | median); dcpu=$(cut -d' ' -f3 "$work/d" | median)
  if [[ -s $work/e ]]; then
    eus=$(cut -d' ' -f1 "$work/e" | median); ekib=$(cut -d' ' -f2 "$work/e" | median)
  else
    eus=0; ekib=0
  fi
  printf '%-24s %9d | %10.1f %7.1f %9d | %10.1f %9d | %8.1f %8d | %10.1f %7.1f | %9s %8s | %9s %12s | %s\n' \
    "$name" "$(stat -c %s "$input")" "$(ratio "$tus" 1000)" "$(ratio "$tcpu" 1000)" "$tkib" "$(ratio "$eus" 1000)" \
    "$ekib" "$(ratio "$cus" 1000)" "$ckib" "$(ratio "$dus" 1000)" "$(ratio "$dcpu" 1000)" "$(ratio "$tus" "$eus")" \
    "$(ratio "$tkib" "$ekib")" "$(ratio "$tus" "$cus")" "$(ratio "$tus" "$dus"),$(ratio "$tcpu" "$dcpu")" \
    "$(cut -d' ' -f1 "$work/t" | span), $(cut -d' ' -f3 "$work/t" | span); $(cut -d' ' -f1 "$work/d" | span), $(cut -d' ' -f3 "$work/d" | span)"
done
