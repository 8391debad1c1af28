#!/usr/bin/env bash
# CI: Keswel against real tracker software on loopback. Debian's opentracker
# answers UDP connect requests and accepts TCP connects; beside it a closed
# UDP port, a UDP port whose owner never answers, a TCP listener named with
# https://, and a [::1] listener. 72 entries (more than one pass of 64) cycle
# through them; the stored TrackerCheck must name exactly the live ones.
# Expects the Linux build in build/default (made by .ci/run before this).
#
#   .ci/trackers.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}

source .ci/packages.sh
source .ci/loopback_peers.sh
ensure_packages opentracker

work=$(mktemp -d "$PWD/build/trackers.XXXXXX")
tracker_pid=
peers_pid=
cleanup() {
  [[ -n $tracker_pid ]] && kill "$tracker_pid" 2>/dev/null
  [[ -n $peers_pid ]] && kill "$peers_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The peers: they pick their ports and hold them until killed; two more
# free ports are picked for opentracker.
python3 - "$work/ports" <<'PY' &
import os, socket, sys, time
held = []
def bound(family, kind, host):
    s = socket.socket(family, kind)
    s.bind((host, 0))
    held.append(s)
    return s
https = bound(socket.AF_INET, socket.SOCK_STREAM, "127.0.0.1"); https.listen(128)
silent = bound(socket.AF_INET, socket.SOCK_DGRAM, "127.0.0.1")
closed = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); closed.bind(("127.0.0.1", 0))
free = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)]
for s in free: s.bind(("127.0.0.1", 0))
ports = [https.getsockname()[1], silent.getsockname()[1], closed.getsockname()[1]]
ports += [s.getsockname()[1] for s in free]
try:
    v6 = bound(socket.AF_INET6, socket.SOCK_STREAM, "::1"); v6.listen(128)
    ports.append(v6.getsockname()[1])
except OSError:
    ports.append(0)
closed.close()
for s in free: s.close()
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(" ".join(map(str, ports)) + "\n")
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
time.sleep(300)
PY
peers_pid=$!
read_ports "$work/ports" https_port silent_port closed_port tracker_udp tracker_tcp v6_port

start_opentracker "$work/tracker" "$tracker_tcp" "$tracker_udp"

# Every entry: its URL, and whether it must count as live.
kinds=(tracker-udp closed-udp silent-udp https ipv6 tracker-tcp)
if [[ $v6_port == 0 ]]; then
  echo "   this machine has no ::1: the [::1] entries are expected to fail"
fi
urls=() expected=()
for number in $(seq 72); do
  case ${kinds[(number - 1) % ${#kinds[@]}]} in
    tracker-udp) url=udp://127.0.0.1:$tracker_udp/announce live=1 ;;
    closed-udp) url=udp://127.0.0.1:$closed_port/announce live= ;;
    silent-udp) url=udp://127.0.0.1:$silent_port/announce live= ;;
    https) url=https://127.0.0.1:$https_port/announce live=1 ;;
    ipv6) url=http://[::1]:$v6_port/announce live=$([[ $v6_port != 0 ]] && echo 1) ;;
    tracker-tcp) url=http://127.0.0.1:$tracker_tcp/announce live=1 ;;
  esac
  urls+=("$url")
  [[ -n $live ]] && expected+=("$number")
done

# cp1251 names: Город, Провайдеры, Ретрекеры, Количество.
{
  printf '[\xC3\xEE\xF0\xEE\xE4]\r\n1=Northtown\r\n'
  printf '[\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB Northtown]\r\n1=NetOne\r\n'
  printf '[\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB Northtown NetOne]\r\n\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE=%d\r\n' ${#urls[@]}
  for i in "${!urls[@]}"; do printf '%d=%s\r\n' $((i + 1)) "${urls[i]}"; done
} >"$work/retrackers.ini"
printf '[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=9 0\r\n' >"$work/Settings.ini"
cp "$build/probe/Keswel" "$work/"

started=$(date +%s%N)
status=0
"$work/Keswel" >"$work/keswel.out" || status=$?
took=$((($(date +%s%N) - started) / 1000000))
stored=$(grep -a '^TrackerCheck=' "$work/Settings.ini" | tr -d '\r')
want="TrackerCheck=${expected[*]} 0"
echo "   Keswel: exit code $status, $took ms, $(grep -c 'connected ok$' "$work/keswel.out") connected, $(grep -c "can't connected$" "$work/keswel.out") failed"
echo "   stored $stored"
if [[ $status != 0 || $stored != "$want" ]]; then
  echo "   expected $want" >&2
  cat "$work/keswel.out" >&2
  exit 1
fi
echo "   TrackerCheck names exactly the live entries"
