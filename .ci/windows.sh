#!/usr/bin/env bash
# CI, Windows part: cross-builds Tavrin.exe and Keswel.exe for x64 and x86
# with MinGW-w64, runs the x64 test suite under Wine's 64-bit loader and the
# x86 one under its 32-bit loader, and compares what the Windows programs
# write with what the Linux ones write for the same input.
# Expects the Linux build in build/default (made by .ci/run before this).
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/packages.sh
source .ci/loopback_peers.sh
ensure_packages g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 opentracker
wine32_missing=
ensure_wine32 || true

# Each build has its own loader: Debian's `wine` wrapper picks one for both.
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

echo "== Windows x86: build (warnings are errors), then the test suite under 32-bit Wine (fresh prefix)"
rm -rf build/windows-x86/wineprefix
started=$(date +%s)
cmake --preset windows-x86
cmake --build --preset windows-x86
# The 32-bit loader is itself a 32-bit program: if it starts, 32-bit code runs here.
if [[ -n $wine32_missing ]]; then
  echo "x86 Windows tests SKIPPED: wine32 could not be installed: $wine32_missing (compiled and linked only)"
elif "$wine32" --version >/dev/null 2>&1; then
  ctest --preset windows-x86
  echo "   Windows x86 suite: $(gtest_counts build/windows-x86)"
else
  echo "x86 Windows tests SKIPPED: $wine32 does not start (no 32-bit execution here): compiled and linked only"
fi
echo "   (configure, build and Wine test run took $(($(date +%s) - started)) s)"
WINEPREFIX="$PWD/build/windows-x86/wineprefix" /usr/lib/wine/wineserver -w 2>/dev/null || true

export WINEPREFIX="$PWD/build/windows-x64/wineprefix"
echo "== Windows x64: build, then the test suite under Wine (fresh prefix)"
rm -rf "$WINEPREFIX"
started=$(date +%s)
cmake --workflow --preset windows-x64
echo "   Windows x64 suite: $(gtest_counts build/windows-x64)"
echo "   (configure, build and Wine test run took $(($(date +%s) - started)) s)"

echo "== Windows and Linux programs write the same bytes"
linux=build/default
windows=build/windows-x64
work=$(mktemp -d "$PWD/build/windows-compare.XXXXXX")
listener_pid=
tracker_pid=
cleanup() {
  [[ -n $listener_pid ]] && kill "$listener_pid" 2>/dev/null
  [[ -n $tracker_pid ]] && kill "$tracker_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Two loopback listeners and one closed port for the probe; a closed UDP
# port, free UDP and TCP ports for opentracker, and a [::1] listener (port 0
# when the machine has no ::1).
python3 - "$work/ports" <<'PY' &
import socket, sys, time
held = []
ports = []
for listening in (True, False, True):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    if listening:
        s.listen(16)
    ports.append(s.getsockname()[1])
    held.append(s)
for kind in (socket.SOCK_DGRAM, socket.SOCK_DGRAM, socket.SOCK_STREAM):
    s = socket.socket(socket.AF_INET, kind)
    s.bind(("127.0.0.1", 0))
    ports.append(s.getsockname()[1])
    s.close()
try:
    s = socket.socket(socket.AF_INET6)
    s.bind(("::1", 0))
    s.listen(16)
    ports.append(s.getsockname()[1])
    held.append(s)
except OSError:
    ports.append(0)
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(" ".join(map(str, ports)) + "\n")
import os
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
time.sleep(120)
PY
listener_pid=$!
read_ports "$work/ports" port1 port2 port3 udp_closed udp_tracker tcp_tracker port_v6
start_opentracker "$work/tracker" "$tcp_tracker" "$udp_tracker"

# cp1251 names: Город, Провайдеры, Ретрекеры, Количество.
gorod=$'\xC3\xEE\xF0\xEE\xE4'
provaidery=$'\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB'
retrekery=$'\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB'
kolichestvo=$'\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE'
city=$'\xD1\xE5\xE2\xE5\xF0\xF1\xEA'  # a Cyrillic city name
printf '[%s]\r\n1=%s\r\n\r\n[%s %s]\r\n1=NetOne\r\n\r\n[%s %s NetOne]\r\n%s=8\r\n1=http://127.0.0.1:%s/announce\r\n2=http://127.0.0.1:%s/announce\r\n3=http://127.0.0.2:%s/ann\r\n4=http://127.0.0.1:%s/announce\r\n5=udp://127.0.0.1:%s/announce\r\n6=udp://127.0.0.1:%s/announce\r\n7=https://127.0.0.1:%s/announce\r\n8=http://[::1]:%s/announce\r\n' \
  "$gorod" "$city" "$provaidery" "$city" "$retrekery" "$city" "$kolichestvo" "$port1" "$port2" "$port3" "$port1" \
  "$udp_tracker" "$udp_closed" "$port3" "$port_v6" >"$work/retrackers.ini"
# Keys out of order, so the canonical writer has work to do.
torrent='d8:announce31:http://tracker.example/announce7:comment4:test4:infod6:lengthi5e4:name5:a.txt12:piece lengthi16384e6:pieces0:ee'
printf '%s' "$torrent" >"$work/sample.torrent"

mkdir "$work/linux" "$work/windows"
cp "$linux/augment/Tavrin" "$work/linux/"
cp "$windows/augment/Tavrin.exe" "$work/windows/"
have_keswel=
if [[ -x $linux/probe/Keswel && -f $windows/probe/Keswel.exe ]]; then
  cp "$linux/probe/Keswel" "$work/linux/"
  cp "$windows/probe/Keswel.exe" "$work/windows/"
  have_keswel=1
fi
settings() {  # $1: path of the directory file as the program sees it
  printf '[Settings]\r\nTrackersFile=%s\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 4 0\r\nAddStat=True\r\n' "$1"
}
settings "$work/retrackers.ini" >"$work/linux/Settings.ini"
settings "Z:${work//\//\\}\\retrackers.ini" >"$work/windows/Settings.ini"

(cd "$work" && "$work/linux/Tavrin" sample.torrent) || echo "   Linux Tavrin exit code $?"
(cd "$work" && "$wine64" "$work/windows/Tavrin.exe" sample.torrent) || echo "   Windows Tavrin exit code $?"
cmp "$work/linux/sample.torrent" "$work/windows/sample.torrent"
echo "   Tavrin output identical ($(stat -c %s "$work/linux/sample.torrent") bytes)"
if grep -q $'[^\r]$' "$work/windows/Tavrin.log" || ! grep -q $'\r$' "$work/windows/Tavrin.log"; then
  echo "   Tavrin.log of Tavrin.exe has lines without CR LF" >&2
  exit 1
fi

if [[ -n $have_keswel ]]; then
  (cd "$work" && "$work/linux/Keswel" >"$work/linux/keswel.out") || echo "   Linux Keswel exit code $?"
  (cd "$work" && "$wine64" "$work/windows/Keswel.exe" >"$work/windows/keswel.out") || echo "   Windows Keswel exit code $?"
  linux_check=$(grep -a '^TrackerCheck=' "$work/linux/Settings.ini" | tr -d '\r')
  windows_check=$(grep -a '^TrackerCheck=' "$work/windows/Settings.ini" | tr -d '\r')
  expected="TrackerCheck=1 4 5 7$([[ $port_v6 != 0 ]] && echo " 8") 0"
  echo "   Linux $linux_check, Windows $windows_check, expected $expected"
  [[ $linux_check == "$windows_check" && $linux_check == "$expected" ]]
else
  echo "   (no Keswel build yet: TrackerCheck comparison skipped)"
fi

echo "== the registry samples import, and the removal takes their keys out again"
"$wine64" reg import 'packaging\windows\retrackers.reg' >/dev/null 2>&1
for key in Retrackers.Torrent magnet; do
  "$wine64" reg query "HKCU\\Software\\Classes\\$key\\shell\\open\\command" 2>/dev/null | tr -d '\r' |
    grep -F '"C:\Users\YOUR-NAME\Retrackers\Tavrin.exe" "%1"' >/dev/null ||
    { echo "   retrackers.reg did not register Tavrin.exe under $key" >&2; exit 1; }
done
"$wine64" reg query 'HKCU\Software\Classes\magnet' /v 'URL Protocol' >/dev/null 2>&1 ||
  { echo "   retrackers.reg did not mark magnet as a URL protocol" >&2; exit 1; }
"$wine64" reg import 'packaging\windows\retrackers-remove.reg' >/dev/null 2>&1
for key in Retrackers.Torrent magnet; do
  if "$wine64" reg query "HKCU\\Software\\Classes\\$key" >/dev/null 2>&1; then
    echo "   HKCU\\Software\\Classes\\$key is still there after retrackers-remove.reg" >&2
    exit 1
  fi
done
echo "   retrackers.reg registers .torrent files and magnet links for Tavrin.exe; retrackers-remove.reg removes both"

# Let this prefix's wineserver go before the folder is reused.
/usr/lib/wine/wineserver -w 2>/dev/null || true
