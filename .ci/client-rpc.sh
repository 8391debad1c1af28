#!/usr/bin/env bash
# CI: Keswel adding the live retrackers to the torrents of real BitTorrent
# clients over their own RPC: Debian's transmission-daemon and qbittorrent-nox,
# each started on loopback with its own profile folder and stopped here. For
# each: a public and a private torrent added paused; `Keswel --apply` adds the
# live retrackers to the public one only, each as a tier after the torrent's
# own (read back through the client's RPC); a second run adds nothing; a wrong
# password and a stopped client each give one line and exit code 1; a plain
# run probes and then covers a torrent added since. With a Windows build and
# Wine, Keswel.exe does the Transmission case too.
#
#   .ci/client-rpc.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
windows_build=${2:-build/windows-x64}
helper=$PWD/.ci/client_rpc.py

source .ci/packages.sh
source .ci/loopback_peers.sh
ensure_packages transmission-daemon qbittorrent-nox python3

work=$(mktemp -d "$PWD/build/client-rpc.XXXXXX")
peers_pid= client_pid=
stop_client() {
  if [[ -n $client_pid ]]; then
    kill "$client_pid" 2>/dev/null || true
    wait "$client_pid" 2>/dev/null || true
    client_pid=
  fi
}
cleanup() {
  stop_client
  [[ -n $peers_pid ]] && kill "$peers_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "   FAILED: $*" >&2
  [[ -f $work/out ]] && sed 's/^/   | /' "$work/out" >&2
  exit 1
}

# Two live retrackers (listeners held until killed), a dead one, and free
# ports for the clients' RPC and peers.
python3 - "$work/ports" <<'PY' &
import os, socket, sys, time
held = [socket.socket() for _ in range(2)]
for s in held: s.bind(("127.0.0.1", 0)); s.listen(64)
free = [socket.socket() for _ in range(5)]
for s in free: s.bind(("127.0.0.1", 0))
ports = [s.getsockname()[1] for s in held + free]
for s in free: s.close()
with open(sys.argv[1] + ".tmp", "w") as f: f.write(" ".join(map(str, ports)) + "\n")
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
time.sleep(600)
PY
peers_pid=$!
read_ports "$work/ports" live1 live2 dead tr_rpc tr_peer qb_webui qb_peer
live_url1=http://127.0.0.1:$live1/announce
live_url2=http://127.0.0.1:$live2/announce
own=http://127.0.0.1:$dead/own

# cp1251 names: Город, Провайдеры, Ретрекеры, Количество.
{
  printf '[\xC3\xEE\xF0\xEE\xE4]\r\n1=Northtown\r\n'
  printf '[\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB Northtown]\r\n1=NetOne\r\n'
  printf '[\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB Northtown NetOne]\r\n\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE=3\r\n'
  printf '1=%s\r\n2=http://127.0.0.1:%s/announce\r\n3=%s\r\n' "$live_url1" "$dead" "$live_url2"
} >"$work/retrackers.ini"
for name in public later; do python3 "$helper" torrent "$work/$name.torrent" "$name" "$own"; done
python3 "$helper" torrent "$work/private.torrent" private "$own" private

# Settings.ini beside a copy of Keswel (portable mode); the first runs use a
# stored TrackerCheck of 1 3, the plain run probes for itself.
settings() {  # KIND URL USER PASSWORD
  printf '[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 3 0\r\n' >"$work/Settings.ini"
  printf 'ClientRpc=%s\r\nClientRpcUrl=%s\r\nClientRpcUser=%s\r\nClientRpcPassword=%s\r\n' "$@" >>"$work/Settings.ini"
}
cp "$build/probe/Keswel" "$work/"
keswel() {  # EXPECTED_CODE ARGUMENTS...
  local want=$1 status=0
  shift
  "${keswel_command[@]}" "$@" >"$work/out" 2>&1 || status=$?
  ((status == want)) || fail "Keswel $* exit code $status, expected $want"
}
keswel_command=("$work/Keswel")

# The trackers as the client reports them, one line per torrent.
expect_trackers() {  # KIND_PREFIX URL USER PASSWORD
  local got want
  got=$(python3 "$helper" "$1-trackers" "$2" "$3" "$4")
  want=$(printf '%s\n' "private 0:$own" "public 0:$own 1:$live_url1 2:$live_url2")
  [[ $got == "$want" ]] || fail "trackers read back:"$'\n'"$got"$'\n'"expected:"$'\n'"$want"
}

# The whole road against one client that is running: TrackerCheck stored.
check_client() {  # NAME KIND_PREFIX URL USER PASSWORD
  local name=$1 kind=$2 url=$3 user=$4 password=$5
  keswel 0 --apply
  grep -qx "Added 2 retrackers to public" "$work/out" || fail "$name: no line for the public torrent"
  grep -q " 2 torrents, 1 changed, 2 retrackers added$" "$work/out" || fail "$name: summary"
  expect_trackers "$kind" "$url" "$user" "$password"
  [[ $(stat -c %a "$work/Settings.ini") == 600 ]] || fail "$name: Settings.ini with a password is not mode 600"
  keswel 0 --apply
  grep -q " 2 torrents, 0 changed, 0 retrackers added$" "$work/out" || fail "$name: the second run changed something"
  expect_trackers "$kind" "$url" "$user" "$password"
  echo "   $name: --apply added the 2 live retrackers to the public torrent only, as tiers 1 and 2; a second run added nothing"

  sed -i "s/^ClientRpcPassword=.*/ClientRpcPassword=wrong\r/" "$work/Settings.ini"
  keswel 1 --apply
  [[ $(wc -l <"$work/out") == 1 ]] && grep -q "refused the login" "$work/out" || fail "$name: wrong password"
  echo "   $name, wrong password: exit code 1, $(cat "$work/out")"
  sed -i "s/^ClientRpcPassword=.*/ClientRpcPassword=$password\r/" "$work/Settings.ini"

  # A torrent added since: a plain run probes (1 and 3 answer, 2 does not)
  # and covers it.
  python3 "$helper" "$kind-add" "$url" "$user" "$password" "$work/later.torrent"
  keswel 0
  grep -q "^TrackerCheck=1 3 0$" "$work/out" || fail "$name: plain run's probe"
  grep -qx "Added 2 retrackers to later" "$work/out" || fail "$name: plain run did not cover the new torrent"
  echo "   $name: a plain run probed, stored TrackerCheck=1 3 0 and added the retrackers to a torrent added since"
}

check_stopped() {  # NAME
  stop_client
  keswel 1 --apply
  [[ $(wc -l <"$work/out") == 1 ]] && grep -q "^Cannot reach " "$work/out" || fail "$1: stopped client"
  echo "   $1 stopped: exit code 1, $(cat "$work/out")"
  # A plain run keeps its own exit code and says the same in one line.
  keswel 0
  grep -q "^Cannot reach " "$work/out" || fail "$1: plain run with the client stopped"
}

wait_for_port() {  # PORT
  python3 - "$1" <<'PY' || fail "nothing listens on port $1"
import socket, sys, time
for _ in range(100):
    try:
        socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.2).close(); sys.exit(0)
    except OSError:
        time.sleep(0.1)
sys.exit(1)
PY
}

started=$(date +%s)

echo "== Transmission (transmission-daemon $(transmission-daemon -V 2>&1 | awk '{print $2; exit}'))"
start_transmission() {
  transmission-daemon -f -g "$work/transmission" -r 127.0.0.1 -p "$tr_rpc" -t -u keswel -v secret \
    -w "$work/transmission/downloads" -P "$tr_peer" -M -O -Y --no-utp >"$work/transmission.log" 2>&1 &
  client_pid=$!
  wait_for_port "$tr_rpc"
}
start_transmission
tr_url=http://127.0.0.1:$tr_rpc/transmission/rpc
for name in public private; do python3 "$helper" tr-add "$tr_url" keswel secret "$work/$name.torrent"; done
settings transmission "$tr_url" keswel secret
check_client Transmission tr "$tr_url" keswel secret
check_stopped Transmission

echo "== qBittorrent (qbittorrent-nox $(qbittorrent-nox --version 2>/dev/null | awk '{print $2}'))"
mkdir -p "$work/qbittorrent/qBittorrent/config"
cat >"$work/qbittorrent/qBittorrent/config/qBittorrent.conf" <<CONF
[LegalNotice]
Accepted=true

[BitTorrent]
Session\\DefaultSavePath=$work/qbittorrent/downloads
Session\\Port=$qb_peer
Session\\DHTEnabled=false
Session\\LSDEnabled=false
Session\\PeXEnabled=false

[Preferences]
Connection\\UPnP=false
WebUI\\Address=127.0.0.1
WebUI\\Port=$qb_webui
WebUI\\Username=keswel
WebUI\\Password_PBKDF2="$(python3 "$helper" qb-password secret)"
WebUI\\LocalHostAuth=true
CONF
qbittorrent-nox --profile="$work/qbittorrent" --webui-port="$qb_webui" >"$work/qbittorrent.log" 2>&1 &
client_pid=$!
wait_for_port "$qb_webui"
qb_url=http://127.0.0.1:$qb_webui
for name in public private; do python3 "$helper" qb-add "$qb_url" keswel secret "$work/$name.torrent"; done
settings qbittorrent "$qb_url" keswel secret
check_client qBittorrent qb "$qb_url" keswel secret
check_stopped qBittorrent

if [[ -x $windows_build/probe/Keswel.exe ]] && [[ -x /usr/lib/wine/wine64 ]]; then
  echo "== Windows Keswel.exe under Wine against transmission-daemon"
  export WINEPREFIX=$PWD/$windows_build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$work/transmission"
  start_transmission
  for name in public private; do python3 "$helper" tr-add "$tr_url" keswel secret "$work/$name.torrent"; done
  settings transmission "$tr_url" keswel secret
  cp "$windows_build/probe/Keswel.exe" "$work/"
  keswel_command=(/usr/lib/wine/wine64 "$work/Keswel.exe")
  keswel 0 --apply
  grep -q "^Added 2 retrackers to public" "$work/out" || fail "Windows: no line for the public torrent"
  expect_trackers tr "$tr_url" keswel secret
  keswel 0 --apply
  grep -q " 0 changed, 0 retrackers added" "$work/out" || fail "Windows: the second run changed something"
  sed -i "s/^ClientRpcPassword=.*/ClientRpcPassword=wrong\r/" "$work/Settings.ini"
  keswel 1 --apply
  grep -q "refused the login" "$work/out" || fail "Windows: wrong password"
  stop_client
  keswel 1 --apply
  grep -q "^Cannot reach .*: Couldn't connect to server" "$work/out" || fail "Windows: stopped client"
  echo "   Windows: --apply added to the public torrent only, a second run nothing; wrong password and stopped daemon: exit code 1"
  echo "   Windows, stopped: $(tr -d '\r' <"$work/out")"
else
  echo "== Windows Keswel.exe under Wine: SKIPPED (no $windows_build/probe/Keswel.exe or no wine64)"
fi
echo "   (took $(($(date +%s) - started)) s)"
