#!/usr/bin/env bash
# A provider that answers "retracker.local" in its own name server, on a
# machine whose system resolver refuses ".local" names: in a network and
# mount namespace made for the test, dnsmasq answers the name with a loopback
# address where a real opentracker listens on port 80, nsswitch.conf lets the
# system resolver read only a hosts file without the name, and resolv.conf
# names dnsmasq. Keswel finds the retracker through the name server and
# stores its address, Tavrin adds the retracker with that address, and a real
# aria2c announces to it. Then the name server no longer answers the name:
# the retracker is stored as dead and Tavrin adds nothing.
#
# Usage: .ci/local-dns.sh [BUILD_DIR]   (root; default build/default).
# Prints one ok/FAIL line per check and "N passed, M failed".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}

if [[ -z ${LOCAL_DNS_INSIDE:-} ]]; then
  source .ci/packages.sh
  ensure_packages dnsmasq-base opentracker aria2 mktorrent iproute2
  if [[ ! -x $build/augment/Tavrin || ! -x $build/probe/Keswel ]]; then
    cmake --preset default >/dev/null
    cmake --build "$build" --target Tavrin Keswel -j 2 >/dev/null
  fi
  LOCAL_DNS_INSIDE=1 exec unshare -m -n --propagation private bash "$0" "$build"
fi

source .ci/checks.sh
ip link set lo up

work=$(mktemp -d)
pids=()
cleanup() {
  set +e
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home"
mkdir -m 755 "$HOME" "$work/tracker"

# The system resolver: a hosts file without the name, nothing else.
printf '127.0.0.1 localhost\n' >"$work/hosts"
printf 'hosts: files\n' >"$work/nsswitch.conf"
printf 'nameserver 127.0.0.1\n' >"$work/resolv.conf"
mount --bind "$work/hosts" /etc/hosts
mount --bind "$work/nsswitch.conf" /etc/nsswitch.conf
mount --bind "$work/resolv.conf" "$(readlink -f /etc/resolv.conf)"
check "the system resolver refuses retracker.local" bash -c '! getent hosts retracker.local'

# start_dns ARGS...: dnsmasq on 127.0.0.1:53 with nothing but ARGS.
dns_pid=""
start_dns() {
  [[ -n $dns_pid ]] && kill "$dns_pid" && wait "$dns_pid" 2>/dev/null || true
  dnsmasq --keep-in-foreground --conf-file=/dev/null --no-resolv --no-hosts --user=root --port=53 \
    --listen-address=127.0.0.1 --bind-interfaces --pid-file= "$@" >"$work/dnsmasq.log" 2>&1 &
  dns_pid=$!
  pids+=("$dns_pid")
  for _ in $(seq 50); do
    ss -lun | grep -q '127.0.0.1:53 ' && return 0
    sleep 0.1
  done
}
start_dns --address=/retracker.local/127.0.0.1

# A torrent whose own tracker is a closed port, and the tracker on port 80.
mkdir "$work/seed"
head -c 300007 /dev/urandom >"$work/seed/payload.bin"
mktorrent -a "http://127.0.0.1:1/announce" -o "$work/payload.torrent" "$work/seed/payload.bin" >/dev/null
hash=$(aria2c -S "$work/payload.torrent" | sed -n 's/^Info Hash: //p')
printf '%s\n' "$hash" >"$work/tracker/access.whitelist"
printf 'tracker.rootdir %s\naccess.whitelist access.whitelist\ntracker.user nobody\n' "$work/tracker" \
  >"$work/tracker/opentracker.conf"
chmod 755 "$work" && chmod 644 "$work/tracker"/*
opentracker -i 127.0.0.1 -p 80 -f "$work/tracker/opentracker.conf" >"$work/opentracker.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do (: >/dev/tcp/127.0.0.1/80) 2>/dev/null && break; sleep 0.1; done

# The provider-local entry as the shipped directory has it.
sandbox="$work/Retrackers"
mkdir "$sandbox"
cp "$build/augment/Tavrin" "$build/probe/Keswel" "$sandbox/"
{
  printf '[Город]\r\n1=Любой город\r\n[Провайдеры Любой город]\r\n1=retracker.local (любой провайдер)\r\n'
  printf '[Ретрекеры Любой город retracker.local (любой провайдер)]\r\nКоличество=1\r\n1=http://retracker.local/announce\r\n'
} | iconv -f UTF-8 -t WINDOWS-1251 >"$sandbox/retrackers.ini"
printf '[Settings]\nTrackersFile=retrackers.ini\nTrackerIniIndex=0 0\nTrackerCheck=\n' >"$sandbox/Settings.ini"

# stored LINE: Settings.ini holds the line (whatever its line end).
stored() { tr -d '\r' <"$sandbox/Settings.ini" | grep -qxF "$1"; }

seeded() {
  local reply
  reply=$(exec 3<>/dev/tcp/127.0.0.1/80 &&
    printf 'GET /scrape?info_hash=%s HTTP/1.0\r\n\r\n' "$(sed 's/../%&/g' <<<"$hash")" >&3 &&
    timeout 2 cat <&3 | tr -d '\0') 2>/dev/null || return 1
  [[ $reply == *8:completei1e* ]]
}

echo "== the provider's name server answers retracker.local"
status=0
(cd "$sandbox" && timeout 30 ./Keswel >"$work/keswel.out") || status=$?
check "Keswel exit code 0" test "$status" = 0
check "Keswel stored the retracker as live" stored 'TrackerCheck=1 0'
check "Keswel stored its address" stored 'LocalHosts=retracker.local=127.0.0.1'
status=0
(cd "$work" && "$sandbox/Tavrin" "$work/payload.torrent" "$work/seed.torrent") || status=$?
check "Tavrin exit code 0" test "$status" = 0
check "Tavrin added the retracker with its address" grep -qaF 'http://127.0.0.1/announce' "$work/seed.torrent"
aria2c --no-conf=true --enable-dht=false --enable-dht6=false --bt-enable-lpd=false --enable-peer-exchange=false \
  --disable-ipv6=true --stop-with-process=$$ --console-log-level=warn --summary-interval=0 --seed-ratio=0.0 \
  --check-integrity=true --stop=60 -d "$work/seed" "$work/seed.torrent" >"$work/aria2c.log" 2>&1 &
pids+=($!)
registered=false
for _ in $(seq 150); do seeded && registered=true && break; sleep 0.2; done
check "aria2c announced to the retracker (it lists the seeder)" $registered

echo "== keswel --detect finds the provider through its name server"
printf '[Settings]\nTrackersFile=retrackers.ini\n' >"$sandbox/Settings.ini"
status=0
(cd "$sandbox" && timeout 40 ./Keswel --detect >"$work/detect.out") || status=$?
check "keswel --detect exit code 0" test "$status" = 0
check "keswel --detect names the provider" grep -q '^Detected: 1 1 ' "$work/detect.out"
check "keswel --detect stored the choice" stored 'TrackerIniIndex=0 0'
check "keswel --detect stored the retracker as live" stored 'TrackerCheck=1 0'

echo "== the name server no longer answers it"
start_dns
status=0
(cd "$sandbox" && timeout 30 ./Keswel >"$work/keswel-2.out") || status=$?
check "Keswel exit code 0" test "$status" = 0
check "Keswel stored the retracker as dead" stored 'TrackerCheck= 0'
check "Keswel cleared its address" stored 'LocalHosts='
rm -f "$work/none.torrent"
(cd "$work" && "$sandbox/Tavrin" "$work/payload.torrent" "$work/none.torrent") || true
check "Tavrin added no retracker" bash -c "! grep -qaF 'http://127.0.0.1/announce' '$work/none.torrent' 2>/dev/null"

echo "$passes passed, $failures failed"
if ((failures > 0)); then
  for f in keswel.out detect.out keswel-2.out dnsmasq.log aria2c.log opentracker.log; do
    echo "--- $f"; cat "$work/$f" 2>/dev/null | tail -n 20
  done
  exit 1
fi
