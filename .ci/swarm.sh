#!/usr/bin/env bash
# The whole chain with real, independent software, on loopback only. Two
# opentracker instances are the provider's retrackers and a third directory
# entry is a closed port; Keswel finds the two; a seeding aria2c gets a torrent
# that Tavrin augmented (Tavrin IN OUT); then Tavrin, started as the desktop
# starts it, launches a leeching aria2c as the user's client, which finds the
# seeder through the retrackers alone (DHT, local peer discovery and peer
# exchange are off, and the torrent's own tracker is a closed port) and
# downloads the payload: once from a torrent file, once from a magnet link.
#
# A client announces to one tier at a time and moves on only when that tier
# fails, so the leecher of the torrent file finds the seeder on retracker 1;
# retracker 1 is then stopped, and the leecher of the magnet link has to reach
# the seeder through retracker 3.
#
# Usage: .ci/swarm.sh [BUILD_DIR]   (default build/default; Tavrin and Keswel
# are built there when missing). Prints one ok/FAIL line per check and
# "N passed, M failed"; exits non-zero on any failure. SWARM_KEEP=1 keeps the
# work folder with every log.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}

source .ci/packages.sh
ensure_packages opentracker aria2 mktorrent

if [[ ! -x $build/augment/Tavrin || ! -x $build/probe/Keswel ]]; then
  cmake --preset default >/dev/null
  cmake --build "$build" --target Tavrin Keswel -j 2 >/dev/null
fi

source .ci/checks.sh

# Every process started here writes its id into $work/NAME.pid; the clean-up
# ends those still running.
work=$(mktemp -d)
cleanup() {
  set +e
  local file pid pids=()
  for file in "$work"/*.pid; do
    [[ -s $file ]] && pids+=("$(<"$file")")
  done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do running "$pid" || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  if [[ ${SWARM_KEEP:-} ]]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
# Nothing started here writes into the real home.
export HOME="$work/home"
mkdir "$HOME"

# No wait goes on past this, so a broken chain still ends in bounded time.
deadline=$((SECONDS + 100))
# wait_for SECONDS command...: true as soon as the command succeeds, false
# when it has not within SECONDS.
wait_for() {
  local tenths=$(($1 * 10))
  shift
  while ((tenths-- > 0 && SECONDS < deadline)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
accepts() { (: >"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
refuses() { ! accepts "$1"; }
# running PID: the process is there and not a zombie.
running() {
  local stat
  { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
  [[ ${stat##*) } != Z* ]]
}
finished() { ! running "$1"; }
holds() { grep -qaF -e "$2" "$1"; }  # holds FILE TEXT
lacks() { ! holds "$1" "$2"; }

# next_port: sets $port to a loopback port that nothing listens on and that
# this script has not handed out before; below the range the system takes
# outgoing ports from.
taken=" "
next_port() {
  while :; do
    port=$((10000 + RANDOM % 22000))
    [[ $taken != *" $port "* ]] && refuses "$port" && break
  done
  taken+="$port "
}
# next_ports: sets $ports to ten ports for an aria2c to listen on. A port may
# be bound without listening (other tests hold such closed ports); aria2c
# takes the first of the ten it can bind, and without any it seeds nothing.
next_ports() {
  next_port
  ports="$port-$((port + 9))"
  taken+="$(seq -s ' ' $((port + 1)) $((port + 9))) "
}

# start_tracker NAME: an opentracker on a loopback port (set in $port) that
# serves only the payload's info hash. Started by root, it chroots into its
# folder and runs as nobody, so the folder and its files are readable by
# everyone and the whitelist is named relative to the folder.
start_tracker() {
  local name=$1 dir="$work/$1" pid
  mkdir -m 755 "$dir"
  cp "$work/info-hash" "$dir/access.whitelist"
  printf 'tracker.rootdir %s\naccess.whitelist access.whitelist\ntracker.user nobody\n' "$dir" >"$dir/opentracker.conf"
  chmod 644 "$dir"/*
  for _ in 1 2 3 4 5; do
    next_port
    opentracker -i 127.0.0.1 -p "$port" -f "$dir/opentracker.conf" >"$work/$name.log" 2>&1 &
    pid=$!
    echo "$pid" >"$work/$name.pid"
    wait_for 5 accepts "$port" && running "$pid" && return 0
    kill "$pid" 2>/dev/null || true
  done
  echo "could not start $name; its output:" >&2
  cat "$work/$name.log" >&2
  exit 1
}

# seeded_on PORT: the tracker on PORT lists one complete peer of the payload.
seeded_on() {
  local reply
  reply=$(exec 3<>"/dev/tcp/127.0.0.1/$1" &&
    printf 'GET /scrape?info_hash=%s HTTP/1.0\r\n\r\n' "$(sed 's/../%&/g' "$work/info-hash")" >&3 &&
    timeout 2 cat <&3 | tr -d '\0') 2>/dev/null || return 1
  [[ $reply == *8:completei1e* ]]
}

# What every aria2c gets: loopback only; no DHT, local peer discovery or peer
# exchange; no configuration of this machine; gone when this script is.
aria2_flags=(--no-conf=true --enable-dht=false --enable-dht6=false --bt-enable-lpd=false
  --enable-peer-exchange=false --disable-ipv6=true --interface=127.0.0.1 --stop-with-process=$$
  --summary-interval=0 --console-log-level=warn --log-level=info)

echo "== payload, retrackers and the retracker directory"
mkdir "$work/downloads" "$work/seed"
payload="swarm payload.bin"
head -c 1300007 /dev/urandom >"$work/seed/$payload"
next_port
dead_own=$port
torrent="$work/downloads/swarm payload.torrent"
mktorrent -a "http://127.0.0.1:$dead_own/announce" -o "$torrent" "$work/seed/$payload" >/dev/null
aria2c -S "$torrent" | sed -n 's/^Info Hash: //p' >"$work/info-hash"
check "the payload's info hash is known" grep -qxE '[0-9a-f]{40}' "$work/info-hash"
hash=$(<"$work/info-hash")
start_tracker tracker-1
live_1=$port
start_tracker tracker-3
live_3=$port
next_port
dead_2=$port
echo "retrackers 1 and 3 at 127.0.0.1:$live_1 and :$live_3, retracker 2 at the closed :$dead_2;" \
  "the torrent's own tracker at the closed :$dead_own"

sandbox="$work/Retrackers"
mkdir "$sandbox"
cp "$build/augment/Tavrin" "$build/probe/Keswel" "$sandbox/"
{
  printf '[Город]\r\n1=Loopback\r\n[Провайдеры Loopback]\r\n1=Swarm Net\r\n'
  printf '[Ретрекеры Loopback Swarm Net]\r\nКоличество=3\r\n'
  printf '%s=http://127.0.0.1:%s/announce\r\n' 1 "$live_1" 2 "$dead_2" 3 "$live_3"
} | iconv -f UTF-8 -t WINDOWS-1251 >"$sandbox/retrackers.ini"

# The user's client: aria2c through a stand-in that records its process id.
client="$sandbox/client.sh"
printf '%s\n' '#!/bin/sh' "echo \$\$ >'$work/client.pid'" "exec aria2c \"\$@\" >>'$work/client.out' 2>&1" >"$client"
chmod +x "$client"
# settings CHECK DIR: Settings.ini with TrackerCheck=CHECK and a client that
# downloads into DIR, logs to DIR.log and ends when the download is done.
settings() {
  local arguments="" flag
  next_ports
  for flag in "${aria2_flags[@]}"; do arguments+="$flag "; done
  arguments+="--stop=40 --seed-time=0 --listen-port=$ports -d \"$2\" --log=\"$2.log\" %1"
  printf '[Settings]\nTrackersFile=retrackers.ini\nTrackerIniIndex=0 0\nTrackerCheck=%s\nAddStat=\nLaunchPath=%s\nLaunchArguments=%s\n' \
    "$1" "$client" "$arguments" >"$sandbox/Settings.ini"
}
settings "" "$work/unused"

echo "== Keswel finds the two live retrackers"
status=0
(cd "$sandbox" && timeout 30 ./Keswel >"$work/keswel.out") || status=$?
check "Keswel exit code 0" test "$status" = 0
check "Keswel stored exactly retrackers 1 and 3" grep -qx 'TrackerCheck=1 3 0' "$sandbox/Settings.ini"
tracker_check=$(sed -n 's/^TrackerCheck=//p' "$sandbox/Settings.ini")

echo "== the seeder gets its torrent through Tavrin IN OUT"
status=0
(cd "$work/downloads" && "$sandbox/Tavrin" "$torrent" "$work/seed.torrent") || status=$?
check "Tavrin IN OUT exit code 0" test "$status" = 0
check "the seeder's torrent lists retracker 1" holds "$work/seed.torrent" "127.0.0.1:$live_1/announce"
check "the seeder's torrent lists retracker 3" holds "$work/seed.torrent" "127.0.0.1:$live_3/announce"
check "the seeder's torrent leaves out retracker 2" lacks "$work/seed.torrent" "127.0.0.1:$dead_2/"
# It announces every second, so it moves on within seconds when a retracker
# stops.
next_ports
aria2c "${aria2_flags[@]}" --stop=100 --listen-port="$ports" --seed-ratio=0.0 --check-integrity=true \
  --bt-tracker-interval=1 -d "$work/seed" --log="$work/seed.log" "$work/seed.torrent" >"$work/seed.out" 2>&1 &
echo $! >"$work/seeder.pid"
if wait_for 15 seeded_on "$live_1"; then
  check "the seeder is registered on retracker 1" true
else
  check "the seeder is registered on retracker 1" false
  tail -n 5 "$work/seed.out" | sed 's/^/  seeder: /'
fi

# leech KIND INPUT N: Tavrin started with INPUT alone launches the client,
# which downloads into $work/leech-KIND; checks the payload, the announce to
# the live retracker N and that nothing went to retracker 2.
leech() {
  local kind=$1 input=$2 number=$3 dir="$work/leech-$1" status=0 pid live
  settings "$tracker_check" "$dir"
  rm -f "$work/client.pid"
  (cd "$work/downloads" && "$sandbox/Tavrin" "$input") || status=$?
  check "$kind: Tavrin exit code 0" test "$status" = 0
  if ((status != 0)) || ! wait_for 10 test -s "$work/client.pid"; then
    check "$kind: Tavrin started the client" false
    tail -n 2 "$sandbox/Tavrin.log" | sed 's/^/  Tavrin.log: /'
    return
  fi
  pid=$(<"$work/client.pid")
  check "$kind: the client finished within 40 s" wait_for 40 finished "$pid"
  running "$pid" || rm -f "$work/client.pid"
  check "$kind: the payload arrived byte for byte" cmp -s "$work/seed/$payload" "$dir/$payload"
  live=$live_1
  [[ $number == 3 ]] && live=$live_3
  check "$kind: the client announced to retracker $number" holds "$dir.log" "Host: 127.0.0.1:$live"
  check "$kind: and sent nothing to retracker 2" lacks "$dir.log" "127.0.0.1:$dead_2"
}

echo "== a torrent file opened through Tavrin"
leech torrent "$torrent" 1
check "torrent: Tavrin wrote the torrent beside itself" test -s "$sandbox/swarm payload.torrent"

echo "== control: aria2c alone gets metadata and payload from a magnet link with a live tracker"
status=0
next_ports
timeout 40 aria2c "${aria2_flags[@]}" --stop=30 --seed-time=0 --listen-port="$ports" -d "$work/leech-control" \
  --log="$work/leech-control.log" "magnet:?xt=urn:btih:$hash&tr=http%3A%2F%2F127.0.0.1%3A$live_1%2Fannounce" \
  >"$work/control.out" 2>&1 || status=$?
check "control: aria2c exit code 0" test "$status" = 0
check "control: the payload arrived byte for byte" cmp -s "$work/seed/$payload" "$work/leech-control/$payload"

echo "== retracker 1 stops; the seeder moves on to retracker 3"
kill "$(<"$work/tracker-1.pid")"
check "retracker 1 stopped" wait_for 5 refuses "$live_1"
rm -f "$work/tracker-1.pid"
check "the seeder is registered on retracker 3" wait_for 15 seeded_on "$live_3"

echo "== a magnet link whose only tracker is closed, opened through Tavrin"
leech magnet "magnet:?xt=urn:btih:$hash&dn=swarm+payload.bin&tr=http%3A%2F%2F127.0.0.1%3A$dead_own%2Fannounce" 3

echo "$passes passed, $failures failed"
((failures == 0))
