# shellcheck shell=bash disable=SC2154
# Sourced by .ci/deb.sh while the .deb is installed: every route ends in the
# client. For a fresh user each, `keswel --choose` adopts the client (aria2c
# found on PATH; a client known only by its desktop entry) and makes Tavrin
# the handler, and the desktop's open (xdg-open) of a torrent and of a magnet
# link reaches that client with the retracker; with no client at all one line
# names the two keys, and so do `keswel --check` and Tavrin's log.
# Uses deb.sh's $work, $open_port, $magnet, check and adopt_users (cleaned up
# there). Loopback only.

# new_adopt_user NAME: a fresh user with the loopback directory in place.
new_adopt_user() {
  adopt_user=$1 adopt_home="$work/$1"
  useradd --create-home --home-dir "$adopt_home" --shell /bin/sh --user-group "$adopt_user"
  adopt_users+=("$adopt_user")
  as_adopt mkdir -p "$adopt_home/.config/retrackers" "$adopt_home/bin"
  as_adopt tee "$adopt_home/.config/retrackers/retrackers.ini" >/dev/null <"$config/retrackers.ini"
  as_adopt cp /dev/stdin "$adopt_home/film.torrent" <examples/sample.torrent
}
as_adopt() {
  runuser -u "$adopt_user" -- env -i -C "$adopt_home" HOME="$adopt_home" PATH="${adopt_path:-$adopt_home/bin:/usr/bin:/bin}" \
    LANG=C.UTF-8 "$@"
}
# What --choose is told: city 1, provider 1.
choose() { printf '1\n1\n' | as_adopt timeout 60 keswel --choose >"$work/$adopt_user-choose.out" 2>&1 || true; }
# xdg-open with a display named, so that it looks up the desktop's handler.
open_with_desktop() { as_adopt env DISPLAY=:0 xdg-open "$1" >>"$work/$adopt_user-open.out" 2>&1; }
wait_for() { for _ in $(seq 100); do [[ -f $1 ]] && return 0; sleep 0.1; done; return 1; }
# The link Tavrin hands on: the magnet link with the retracker that answered.
magnet_out="$magnet&tr=http%3a%2f%2f127.0.0.1%3a$open_port%2fannounce"
written="/.local/share/retrackers/torrents/film.torrent"

echo "== adoption: aria2c on PATH, no desktop entry, no earlier handler"
new_adopt_user "rta$$"
# A recording wrapper around the real aria2c: -S reads the torrent and lists
# its trackers; a magnet link gets a short dry run with DHT and local
# discovery off (its only tracker is on loopback).
as_adopt tee "$adopt_home/bin/aria2c" >/dev/null <<'WRAPPER'
#!/bin/sh
last=; for a; do last=$a; done
case $last in
  magnet:*) /usr/bin/aria2c --dry-run=true --enable-dht=false --enable-dht6=false --bt-enable-lpd=false \
              --enable-peer-exchange=false --stop=2 -d "$HOME/dl" "$last" >"$HOME/aria2c.magnet.out" 2>&1 ;;
  *) /usr/bin/aria2c -S "$last" >"$HOME/aria2c.torrent.out" 2>&1 ;;
esac
printf '%s\n' "$@" >"$HOME/client.args.part" && mv "$HOME/client.args.part" "$HOME/client.args"
WRAPPER
as_adopt chmod +x "$adopt_home/bin/aria2c"
choose
sed 's/^/  /' "$work/$adopt_user-choose.out"
check "--choose adopted aria2c from PATH and said so" \
  grep -qx "Set LaunchPath=$adopt_home/bin/aria2c" "$work/$adopt_user-choose.out"
check "with its arguments" grep -qx 'LaunchArguments=--seed-time=0 %1' "$adopt_home/.config/retrackers/Settings.ini"
# With no earlier handler, the installed entry is the system's default already.
check "--choose said that Tavrin is the handler" \
  grep -q '^Torrent files and magnet links open with Tavrin already' "$work/$adopt_user-choose.out"
check "the desktop's default for torrents is Tavrin" \
  test "$(as_adopt xdg-mime query default application/x-bittorrent)" = retrackers-tavrin.desktop
check "and for magnet links" test "$(as_adopt xdg-mime query default x-scheme-handler/magnet)" = retrackers-tavrin.desktop
open_with_desktop "$adopt_home/film.torrent"
wait_for "$adopt_home/client.args"
check "xdg-open of the torrent reached aria2c with the written torrent" \
  test "$(cat "$adopt_home/client.args" 2>/dev/null)" = "$(printf -- '--seed-time=0\n%s' "$adopt_home$written")"
check "which aria2c read with the retracker in its announce list" \
  grep -q "127.0.0.1:$open_port/announce" "$adopt_home/aria2c.torrent.out"
rm -f "$adopt_home/client.args"
open_with_desktop "$magnet"
wait_for "$adopt_home/client.args"
check "xdg-open of the magnet link reached aria2c with the retracker" \
  test "$(cat "$adopt_home/client.args" 2>/dev/null)" = "$(printf -- '--seed-time=0\n%s' "$magnet_out")"
check "which aria2c ran on" grep -q "aria2" "$adopt_home/aria2c.magnet.out"
check "--check is content" as_adopt keswel --check

echo "== adoption: a client known only by its desktop entry"
new_adopt_user "rtb$$"
as_adopt mkdir -p "$adopt_home/client" "$adopt_home/.local/share/applications"
as_adopt tee "$adopt_home/client/fake-client" >/dev/null <<'CLIENT'
#!/bin/sh
printf '%s\n' "$@" >"$HOME/client.args.part" && mv "$HOME/client.args.part" "$HOME/client.args"
CLIENT
as_adopt chmod +x "$adopt_home/client/fake-client"
printf '[Desktop Entry]\nType=Application\nName=Fake qBittorrent\nExec=%s --add %%U\nMimeType=application/x-bittorrent;\n' \
  "$adopt_home/client/fake-client" | as_adopt tee "$adopt_home/.local/share/applications/org.qbittorrent.qBittorrent.desktop" >/dev/null
# The user's default so far is a viewer that hands files to the desktop's
# opener: never adopted, but replaced by Tavrin.
printf '[Desktop Entry]\nType=Application\nName=Viewer\nExec=xdg-open %%u\nMimeType=application/x-bittorrent;x-scheme-handler/magnet;\n' |
  as_adopt tee "$adopt_home/.local/share/applications/viewer.desktop" >/dev/null
as_adopt xdg-mime default viewer.desktop application/x-bittorrent x-scheme-handler/magnet
choose
sed 's/^/  /' "$work/$adopt_user-choose.out"
check "--choose made Tavrin the handler instead of the viewer and said so" \
  grep -q '^Torrent files and magnet links now open with Tavrin' "$work/$adopt_user-choose.out"
check "the desktop's defaults are Tavrin" test "$(as_adopt xdg-mime query default application/x-bittorrent):$(
  as_adopt xdg-mime query default x-scheme-handler/magnet)" = retrackers-tavrin.desktop:retrackers-tavrin.desktop
check "--choose adopted the client of the desktop entry" \
  grep -qx "BitTorrent client: qBittorrent (org.qbittorrent.qBittorrent.desktop)" "$work/$adopt_user-choose.out"
check "with its arguments" grep -qx 'LaunchArguments=--add %1' "$adopt_home/.config/retrackers/Settings.ini"
open_with_desktop "$adopt_home/film.torrent"
wait_for "$adopt_home/client.args"
check "xdg-open of the torrent reached the client" \
  test "$(cat "$adopt_home/client.args" 2>/dev/null)" = "$(printf -- '--add\n%s' "$adopt_home$written")"
check "with the retracker" grep -qa "127.0.0.1:$open_port/announce" "$adopt_home$written"
rm -f "$adopt_home/client.args"
open_with_desktop "$magnet"
wait_for "$adopt_home/client.args"
check "xdg-open of the magnet link reached the client with the retracker" \
  test "$(cat "$adopt_home/client.args" 2>/dev/null)" = "$(printf -- '--add\n%s' "$magnet_out")"

echo "== adoption: no client at all"
new_adopt_user "rtc$$"
# PATH without /usr/bin, where aria2c lies: keswel is started by its full path.
adopt_path="$adopt_home/bin"
printf '1\n1\n' | as_adopt /usr/bin/timeout 60 /usr/bin/keswel --choose --no-handler >"$work/$adopt_user-choose.out" 2>&1 || true
sed 's/^/  /' "$work/$adopt_user-choose.out"
check "one line names the two keys" \
  test "$(grep -c 'No BitTorrent client found: set LaunchPath .* and LaunchArguments' "$work/$adopt_user-choose.out")" = 1
status=0
as_adopt /usr/bin/keswel --check >"$work/$adopt_user-check.out" 2>&1 || status=$?
check "--check fails (exit code $status)" test "$status" = 1
sed 's/^/  /' "$work/$adopt_user-check.out"
check "--check's line names LaunchPath, LaunchArguments and keswel --choose" \
  grep -q '^Problem: LaunchPath is empty: .*run keswel --choose.*LaunchArguments' "$work/$adopt_user-check.out"
as_adopt /usr/bin/tavrin "$adopt_home/film.torrent" || true
# Its PATH lacks /usr/bin, so the command is named by its full path.
check "Tavrin's log names the command after the failed start" \
  grep -q 'LaunchPath is empty: .*run /usr/bin/keswel --choose' "$adopt_home/.local/state/retrackers/Tavrin.log"
adopt_path=
