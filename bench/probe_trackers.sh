#!/usr/bin/env bash
# Whole-process time of a Keswel run over 5,000 loopback entries: half UDP,
# half TCP, all against one real opentracker. Runs Keswel RUNS times and
# prints the median and the worst wall time, and the counts of the last run.
#
#   bench/probe_trackers.sh [KESWEL [RUNS [ENTRIES]]]
#
# KESWEL defaults to build/default/probe/Keswel, RUNS to 12, ENTRIES to 5000.
# Needs opentracker and python3.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keswel=${1:-$root/build/default/probe/Keswel}
runs=${2:-12}
entries=${3:-5000}
[[ -x $keswel ]] || { echo "missing $keswel: build first" >&2; exit 2; }
command -v opentracker >/dev/null || { echo "opentracker is not installed" >&2; exit 2; }
source "$root/.ci/loopback_peers.sh"

work=$(mktemp -d)
tracker_pid=
cleanup() {
  [[ -n $tracker_pid ]] && kill "$tracker_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
[[ -n ${KEEP_OUTPUT:-} ]] && trap 'cp "$work/keswel.out" "$KEEP_OUTPUT"; cleanup' EXIT

# Two free ports for opentracker.
read -r tcp_port udp_port < <(python3 -c '
import socket
s = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')
start_opentracker "$work/tracker" "$tcp_port" "$udp_port"

{
  printf '[\xC3\xEE\xF0\xEE\xE4]\r\n1=Benchtown\r\n'
  printf '[\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB Benchtown]\r\n1=NetOne\r\n'
  printf '[\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB Benchtown NetOne]\r\n\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE=%d\r\n' "$entries"
  for ((i = 1; i <= entries; i++)); do
    if ((i % 2)); then
      printf '%d=udp://127.0.0.1:%d/announce?n=%d\r\n' "$i" "$udp_port" "$i"
    else
      printf '%d=http://127.0.0.1:%d/announce?n=%d\r\n' "$i" "$tcp_port" "$i"
    fi
  done
} >"$work/retrackers.ini"
cp "$keswel" "$work/Keswel"

times=()
for ((run = 1; run <= runs; run++)); do
  printf '[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\n' >"$work/Settings.ini"
  started=$(date +%s%N)
  "$work/Keswel" >"$work/keswel.out" || true
  took=$((($(date +%s%N) - started) / 1000000))
  times+=("$took")
  printf 'run %2d: %6d ms, %d connected ok, %d can'"'"'t connected\n' "$run" "$took" \
    "$(grep -c 'connected ok$' "$work/keswel.out")" "$(grep -c "can't connected$" "$work/keswel.out")"
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
count=${#sorted[@]}
if ((count % 2)); then
  median=${sorted[count / 2]}
else
  median=$(((sorted[count / 2 - 1] + sorted[count / 2]) / 2))
fi
echo "median ${median} ms, worst ${sorted[count - 1]} ms over $count runs of $entries entries"
